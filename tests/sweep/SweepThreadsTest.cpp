// The sweep's points on several threads, each with its own simulation state:
// the files do not depend on the number of threads. Also run under
// ThreadSanitizer by ./test.sh.
#include "sweep/SweepThreads.h"
#include "support/ProgramTestSupport.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"
#include "sweep/SweepRun.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace morvane {
namespace {

using namespace testing;

// Runs a 5 x 6 sweep on `jobs` threads into folder/name.mrv and .tsv, with
// the trace files in folder/traceDir when given.
void Sweep(const ScratchFolder &folder, const std::string &name, unsigned jobs,
           const std::string &traceDir = "") {
  Args args = Words("--model diploid-local --W1A 0.9 --W2A 0.4 --W1a 0.5 --W2a 0.8 --i 3 "
                    "--disturb p=0.8,q=0.2,DG=-0.02 --max-generations 150 "
                    "--vary x=0:1:5 --vary c=0.3:0.7:6");
  args.insert(args.end(), {"--jobs", std::to_string(jobs), "--final", folder.File(name + ".mrv")});
  if (!traceDir.empty())
    args.insert(args.end(), {"--trace-dir", folder.File(traceDir)});
  const SweepOptions options = ParseSweepOptions(args);
  RunSweep(options, CheckSweepPoints(options.plan, options.jobs), nullptr);
}

TEST(SweepThreads, FilesDoNotDependOnTheNumberOfThreads) {
  ScratchFolder folder;
  Sweep(folder, "one", 1);
  Sweep(folder, "four", 4);
  ExpectSameSweepFiles(folder.File("one"), {folder.File("four")});
  for (const std::string ending : {".mrv", ".tsv"}) // a header and 30 points
    EXPECT_GT(ReadWholeFile(folder.File("one" + ending)).size(), 30 * 40u) << ending;
  // The Detail and Plot files of every point, written by three threads at
  // once, are those written by one.
  Sweep(folder, "traced-one", 1, "trace-one");
  Sweep(folder, "traced-three", 3, "trace-three");
  for (int point = 0; point < 30; ++point)
    for (const char *ending : {".gnr", ".plo"}) {
      const std::string name = "/" + TracePoint(point) + ending;
      EXPECT_EQ(ReadWholeFile(folder.File("trace-three" + name)),
                ReadWholeFile(folder.File("trace-one" + name)))
          << name;
    }
}

// The room a trace is checked for is counted from its points' series: within
// a factor of 2 of what the trace files take, whatever the model, the runs
// of a point and how long they go on.
TEST(SweepTrace, TheRoomCountedIsWithinAFactorOfTwoOfTheBytesWritten) {
  const Args cases[] = {
      Words(
          "--model diploid-local --W1A 0.9 --W2A 0.4 --W1a 0.5 --W2a 0.8 --i 3 "
          "--disturb p=0.8,q=0.2,DG=-0.02 --max-generations 150 --vary x=0:1:5 --vary c=0.3:0.7:6"),
      Words("--model diploid-local --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 --L 1e-8 "
            "--vary c=0.1:0.5:3 --vary x=0:1:3"),
      Words("--model clonal --vary x=0:1:7 --disturb fAB=0.5,fAb=0.2,faB=0.2,fab=0.1"),
  };
  for (const Args &args : cases) {
    ScratchFolder folder;
    const SweepOptions o = ParseSweepOptions(
        Joined(args, {"--final", folder.File("s.mrv"), "--trace-dir", folder.File("trace")}));
    const SweepPoints points = CheckSweepPoints(o.plan, 2);
    const std::optional<std::uint64_t> counted = TraceBytes(o, points, nullptr);
    RunSweep(o, points, nullptr);
    std::uint64_t written = 0;
    for (const auto &file : std::filesystem::directory_iterator(folder.File("trace")))
      written += file.file_size();
    ASSERT_TRUE(counted.has_value());
    EXPECT_GT(written, 0u);
    EXPECT_LE(*counted, 2 * written) << args[1];
    EXPECT_GE(2 * *counted, written) << args[1];
  }
}

// Workers that claim positions and hand them in, the first one slowly (the
// writer must sleep, not spin, until it is done), some in reverse batches of
// their own (as the lanes of a batch end out of order); a worker may fail at
// one position. The writer must get every position once, in order, and the
// workers never run far ahead of it.
TEST(SweepThreads, ResultsAreTakenInOrderWhateverOrderTheyComeIn) {
  struct Case {
    unsigned jobs;
    std::size_t count, window, slowFirstMs, heldBack;
    long failAt; // -1: none
  };
  const Case cases[] = {
      {1, 0, 256, 0, 1, -1},     {1, 1000, 256, 0, 1, -1},  {2, 5000, 256, 30, 1, -1},
      {3, 3000, 512, 0, 16, -1}, {4, 2000, 256, 20, 7, -1}, {2, 4000, 256, 0, 16, 1777},
  };
  for (const Case &c : cases) {
    InOrderResults results(c.count, c.window);
    std::atomic<std::size_t> writtenSoFar{0};
    std::atomic<std::size_t> furthestAhead{0};
    auto work = [&](InOrderResults &r) {
      // Up to heldBack positions are held and handed in last first.
      std::vector<std::size_t> held;
      auto handIn = [&] {
        for (auto p = held.rbegin(); p != held.rend(); ++p)
          r.Deliver(*p, {std::to_string(*p), "row"});
        held.clear();
      };
      // A worker holding positions does not wait for the window: it hands
      // them in first, as a batch goes on with its busy lanes.
      for (std::size_t position;;) {
        if (!r.Claim(position, held.empty())) {
          if (held.empty())
            break;
          handIn();
          continue;
        }
        const std::size_t ahead = position - writtenSoFar.load();
        if (ahead > furthestAhead.load())
          furthestAhead = ahead;
        if (static_cast<long>(position) == c.failAt)
          throw std::runtime_error("point failed");
        if (position == 0 && c.slowFirstMs > 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(c.slowFirstMs));
        held.push_back(position);
        if (held.size() == c.heldBack)
          handIn();
      }
      handIn();
    };
    std::vector<std::string> written;
    auto write = [&](std::vector<SweepPointResult> &batch) {
      for (SweepPointResult &r : batch)
        written.push_back(std::move(r.record));
      writtenSoFar = written.size();
    };
    const std::string which =
        "jobs " + std::to_string(c.jobs) + ", count " + std::to_string(c.count);
    if (c.failAt >= 0) {
      EXPECT_THROW(RunInOrder(c.jobs, results, work, write), std::runtime_error) << which;
      EXPECT_LT(written.size(), static_cast<std::size_t>(c.failAt) + 1) << which;
    } else {
      RunInOrder(c.jobs, results, work, write);
      ASSERT_EQ(written.size(), c.count) << which;
      for (std::size_t k = 0; k < c.count; ++k)
        ASSERT_EQ(written[k], std::to_string(k)) << which;
    }
    // The window, and at most a window's batch being written.
    EXPECT_LE(furthestAhead.load(), 2 * c.window) << which;
  }
}

} // namespace
} // namespace morvane
