// morvane-sweep: the series of morvane-run over a grid of one or two
// parameters, on all cores or in shards, with a table and a map.
#include <exception>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/Sweep.h"
#include "app/SweepMap.h"
#include "app/SweepOptions.h"
#include "files/TextFile.h"

int main(int argc, char **argv) {
  using namespace morvane;
  const std::vector<std::string> args(argv + 1, argv + argc);
  SweepOptions options;
  SweepMapData map;
  try {
    options = ParseSweepOptions(args);
    if (options.help) {
      std::cout << SweepHelpText();
      return 0;
    }
    if (options.merge) {
      map = MergeSweepShards(options);
    } else {
      map = RunSweep(options, CheckSweepPoints(options.plan, options.jobs),
                     ::isatty(STDERR_FILENO) ? &std::cerr : nullptr);
    }
    if (!options.mapFile.empty()) {
      const SweepMapApplication application;
      WriteSweepMap(map, options.mapFile, QSize(options.mapWidth, options.mapHeight));
    }
  } catch (const UsageError &e) {
    std::cerr << e.what() << '\n';
    return 2;
  } catch (const FileError &e) {
    // The message, then the file concerned, as morvane-run shows them.
    std::cerr << e.what() << '\n';
    if (!e.Path().empty())
      std::cerr << e.Path() << '\n';
    return 1;
  } catch (const std::exception &e) {
    std::cerr << "morvane-sweep: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
