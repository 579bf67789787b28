// morvane-plot --basins: the phase plane figure of a morvane-analyse basins
// table, drawn by the phase plane window's code.
#pragma once

#include <string>
#include <vector>

namespace morvane {

// Runs the basins mode on morvane-plot's arguments (without the program
// name), the application object made; returns the exit status (2 for bad
// usage, 1 for a table that cannot be read or a figure not written).
int PlotBasinsMain(std::vector<std::string> args);

// The lines of --help that describe the basins mode.
const char *PlotBasinsHelp();

} // namespace morvane
