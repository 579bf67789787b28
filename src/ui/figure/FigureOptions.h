// The command-line options of a figure: --format, --width, --height, --unit,
// --dpi, --font, --charts, --caption and the output file -o, read the same
// way by every command that draws one.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/figure/FigureSettings.h"

namespace morvane::figure {

// A figure option that cannot be read; the message says which and why.
class FigureOptionError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct FigureOptions {
  FigureSettings settings;
  std::string output; // the file to write
};

// Takes the figure options out of `args`, leaving the others in their order.
// The settings start from the defaults of the charts asked for (the pair
// unless --charts says one, or `oneChart` says there is only one); the
// format is --format's, else the output's extension's. Throws
// FigureOptionError.
FigureOptions ParseFigureOptions(std::vector<std::string> &args, bool oneChart = false);

// `args` without the figure options and their values, for a command that
// must read its other options before it knows how many charts it draws.
// Throws FigureOptionError for an option without its value.
std::vector<std::string> WithoutFigureOptions(std::vector<std::string> args);

// The figure options that give `settings` (format, size, unit, resolution,
// font, the charts unless the figure has `oneChart`, caption), each number
// in its shortest exact text: ParseFigureOptions reads them back as they are.
std::vector<std::string> FigureOptionWords(const FigureSettings &settings, bool oneChart);

// The lines of --help that describe these options.
const char *FigureOptionsHelp();

} // namespace morvane::figure
