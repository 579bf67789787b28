// morvane-sweep: the series of morvane-run over a grid of one or two
// parameters, on all cores or in shards, with a table and a map or diagram.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/SweepMap.h"
#include "files/TextFile.h"
#include "sweep/SweepMerge.h"
#include "sweep/SweepNames.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"

namespace {

// Whether SIGINT or SIGTERM asked the sweep to stop, and which.
std::atomic<bool> stopAsked{false};
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void AskToStop(int signal) {
  stopSignal = signal;
  stopAsked = true;
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = AskToStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// The map of a sweep under its temporary name, renamed once written.
void WriteMap(const morvane::SweepOptions &o, const std::vector<std::string> &args) {
  const std::string part = morvane::PartName(o.mapFile);
  std::remove(part.c_str()); // a figure half drawn holds nothing to go on from
  try {
    const morvane::SweepMapApplication application;
    morvane::WriteSweepMap(o, o.tableFile, part, args);
    if (std::rename(part.c_str(), o.mapFile.c_str()) != 0)
      throw morvane::FileError(errno, o.mapFile);
  } catch (...) {
    std::remove(part.c_str());
    throw;
  }
}

// Runs the sweep (or the shard); returns the exit status.
int Sweep(const morvane::SweepOptions &o, const std::vector<std::string> &args) {
  using namespace morvane;
  CatchStopSignals();
  const SweepPoints points = CheckSweepPoints(o.plan, o.jobs);
  SweepRun run;
  try {
    // The map is drawn while the sweep's outputs are still this process's.
    run = RunSweep(o, points, ::isatty(STDERR_FILENO) ? &std::cerr : nullptr, &stopAsked,
                   [&](bool alreadyDone) {
                     if (!o.mapFile.empty() && !(alreadyDone && FileExists(o.mapFile)))
                       WriteMap(o, args);
                   });
  } catch (const FileError &e) {
    std::cerr << e.what() << '\n';
    if (!e.Path().empty())
      std::cerr << e.Path() << '\n';
    if (FileExists(PartName(o.finalFile)) && FileExists(PartName(o.tableFile)))
      std::cerr << "morvane-sweep: the points written so far are kept in " << PartName(o.finalFile)
                << " and " << PartName(o.tableFile)
                << ";\nmake room (or mend the cause) and run the same command with --resume to "
                   "go on\n";
    return 1;
  }
  if (run.alreadyDone)
    std::cerr << "morvane-sweep: already done: " << o.finalFile << " and " << o.tableFile
              << " hold this sweep whole\n";
  if (!run.Complete() && !FileExists(PartName(o.finalFile))) {
    std::cerr << "morvane-sweep: interrupted before a point was written\n";
    return stopSignal == SIGTERM ? 143 : 130;
  }
  if (!run.Complete()) {
    std::cerr << "morvane-sweep: interrupted: " << run.pointsDone << " of " << run.points
              << " points are kept in " << PartName(o.finalFile) << " and " << PartName(o.tableFile)
              << ";\nrun the same command with --resume to go on\n";
    return stopSignal == SIGTERM ? 143 : 130;
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  using namespace morvane;
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    SweepOptions options = ParseSweepOptions(args);
    if (options.help) {
      std::cout << SweepHelpText();
      return 0;
    }
    if (!options.merge)
      return Sweep(options, args);
    const bool done =
        MergeSweepShards(options, [&](const std::string &table, const std::string &map) {
          const SweepMapApplication application;
          WriteSweepMap(options, table, map, args);
        });
    if (done)
      std::cerr << "morvane-sweep: already done: " << options.finalFile << " and "
                << options.tableFile << " hold this merge whole\n";
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
