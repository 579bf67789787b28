// morvane-plot --bifurcation: the bifurcation diagram of a table written by
// morvane-analyse continue, drawn by the bifurcation window's code to the
// same settings as its "Save figure...".
#pragma once

#include <string>
#include <vector>

namespace morvane {

// Runs the bifurcation mode on morvane-plot's arguments (without the
// program name), the application object made; returns the exit status (2
// for bad usage, 1 for a table that cannot be read or a figure that cannot be
// written), the reason on stderr.
int PlotBifurcationMain(std::vector<std::string> args);

// The lines of --help that describe the bifurcation mode.
const char *PlotBifurcationHelp();

} // namespace morvane
