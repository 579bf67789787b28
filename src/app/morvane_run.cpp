// morvane-run: one series of one model from the command line, writing the
// same Final, Detail and Plot files as the desktop program.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "files/TextFile.h"
#include "runner/Runner.h"
#include "runner/RunnerOptions.h"
#include "state/SimState.h"

int main(int argc, char **argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  morvane::RunnerOptions options;
  try {
    options = morvane::ParseRunnerOptions(args);
  } catch (const morvane::UsageError &e) {
    std::cerr << e.what() << '\n';
    return 2;
  }
  if (options.help) {
    std::cout << morvane::RunnerHelpText();
    return 0;
  }
  try {
    morvane::SimState state;
    morvane::RunSeries(options, state, std::cout, std::cerr);
  } catch (const morvane::FileError &e) {
    // The message, then the file concerned, as the desktop program shows them.
    std::cout.flush();
    std::cerr << e.what() << '\n';
    if (!e.Path().empty())
      std::cerr << e.Path() << '\n';
    return 1;
  } catch (const std::exception &e) {
    std::cout.flush();
    std::cerr << "morvane-run: " << e.what() << '\n';
    return 1;
  }
  if (!std::cout) {
    std::cerr << "morvane-run: cannot write to standard output\n";
    return 1;
  }
  return 0;
}
