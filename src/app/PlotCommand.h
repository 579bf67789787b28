// How every drawing mode of morvane-plot ends: the figure's exit status, or
// its error on standard error with the status it stands for (2 for a
// command line it refuses, 1 for anything else; a file error names its file).
#pragma once

#include <exception>
#include <iostream>

#include "files/TextFile.h"
#include "runner/RunnerOptions.h"
#include "ui/figure/FigureOptions.h"

namespace morvane {

template <typename Draw> int RunPlotCommand(Draw &&draw) {
  try {
    return draw();
  } catch (const UsageError &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 2;
  } catch (const figure::FigureOptionError &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 2;
  } catch (const FileError &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n' << e.Path() << '\n';
    return 1;
  } catch (const std::exception &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 1;
  }
}

} // namespace morvane
