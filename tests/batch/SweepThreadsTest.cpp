// The sweep's points on several threads, each with its own simulation state:
// the files do not depend on the number of threads. Also run under
// ThreadSanitizer by ./test.sh.
#include "support/ProgramTestSupport.h"
#include "batch/Sweep.h"
#include "batch/SweepOptions.h"

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
  for (const std::string ending : {".mrv", ".tsv"}) {
    const std::string one = ReadWholeFile(folder.File("one" + ending));
    EXPECT_EQ(ReadWholeFile(folder.File("four" + ending)), one) << ending;
    EXPECT_GT(one.size(), 30 * 40u) << ending; // a header and 30 points
  }
  // The Detail and Plot files of every point, written by three threads at
  // once, are those written by one.
  Sweep(folder, "traced-one", 1, "trace-one");
  Sweep(folder, "traced-three", 3, "trace-three");
  for (int point = 0; point < 30; ++point)
    for (const char *ending : {".gnr", ".plo"}) {
      const std::string name =
          "/point-" + std::string(point < 10 ? "0" : "") + std::to_string(point) + ending;
      EXPECT_EQ(ReadWholeFile(folder.File("trace-three" + name)),
                ReadWholeFile(folder.File("trace-one" + name)))
          << name;
    }
}

} // namespace
} // namespace morvane
