// morvane-plot --sweep: the figure of a sweep (its map over two parameters,
// its diagram over one) from its Final file or table, drawn by the sweep
// window's code to the same settings as its "Save figure...".
#pragma once

#include <string>
#include <vector>

namespace morvane {

// Runs the sweep mode on morvane-plot's arguments (without the program
// name), the application object made; returns the exit status (2 for bad
// usage, 1 for a file that cannot be read or written), the reason on stderr.
int PlotSweepMain(std::vector<std::string> args);

// The lines of --help that describe the sweep mode.
const char *PlotSweepHelp();

} // namespace morvane
