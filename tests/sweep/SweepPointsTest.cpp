// A sweep's points made from one parse of its command line, and its files
// read line by line: the same as parsing every point, as reading a file
// whole, and as running the sweep whole.
#include "support/EngineTestSupport.h"
#include "support/ProgramTestSupport.h"
#include "sweep/SweepMerge.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"

#include <optional>

namespace morvane {
namespace {

using namespace testing;

SweepPlan PlanOf(const std::string &line) {
  return ParseSweepOptions(Joined(Words(line), Words("--final s.mrv"))).plan;
}

// Every point's options as made from point 0's are those of its own parse;
// the first refused point is the one CheckSweepPoints reports, with the
// same message.
TEST(SweepPoints, EachPointIsItsOwnParseAndTheFirstRefusedOneIsReported) {
  const char *sweeps[] = {
      "--model haploid-local --vary x=0:1:4 --vary c=0.2:0.8:3 --W1A 0.9 --disturb "
      "p=0.2,q=0.3,DG=0",
      "--model haploid-global --vary p=0.5:0:5 --vary q=0.2:0.9:3 --DG 0.05",
      "--model haploid-global --vary q=0:1:3 --vary W2A=0.2:1:3 --p 0.3",
      "--model diploid-local --vary DG=-0.2:0.2:5 --vary p=0.3:0.7:2 --max-generations 9",
      "--model diploid-global --vary W1A=0.1:0.9:5 --vary W1a=0.9:0:4 --trade-off convex",
      "--model haploid-local --vary c=0.8:0.3:6 --vary x=0:1:2 --trade-off linear --ess",
      "--model clonal --vary fAb=0:1:5 --vary fAB=0.2:0:3 --fab 0.3",
      "--model clonal --vary faB=0.5:0:2 --vary fAB=0:0.2:2 --fAb 0 --fab 0",
      "--model haploid-local --vary p=1:0:3 --DG 0.1",
      "--model clonal --vary i=1:40:4 --vary L=0:0.1:3 --trade-off concave --W1A 0.4",
      // Checked by several threads, the first refused point near the end.
      "--model haploid-local --vary c=0.9:0.3:40 --vary x=0:1:30 --trade-off linear --ess",
  };
  for (const char *sweep : sweeps) {
    const SweepPlan plan = PlanOf(sweep);
    std::optional<SweepPoints> points;
    std::string firstRefusal, pointZero;
    try {
      points.emplace(plan);
    } catch (const UsageError &e) {
      pointZero = e.what();
    }
    RunnerOptions made = points ? points->First() : RunnerOptions{};
    for (std::size_t point = 0; point < plan.Points(); ++point) {
      RunnerOptions parsed;
      try {
        parsed = SweepPointOptions(plan, point);
      } catch (const UsageError &e) {
        if (firstRefusal.empty())
          firstRefusal = e.what();
        if (points) {
          EXPECT_THROW(points->Fill(point, made), UsageError) << sweep << " at " << point;
        }
        continue;
      }
      if (!points)
        continue;
      points->Fill(point, made); // from the last point's options
      EXPECT_EQ(FieldsOf(made.params), FieldsOf(parsed.params)) << sweep << " at " << point;
      EXPECT_EQ(FieldsOf(made.start), FieldsOf(parsed.start)) << sweep << " at " << point;
      EXPECT_EQ(made.start.Clones, parsed.start.Clones) << sweep << " at " << point;
      EXPECT_EQ(points->Options(point).params.W2A, parsed.params.W2A) << sweep;
    }
    if (!points) {
      EXPECT_EQ(pointZero, firstRefusal) << sweep;
    }
    if (firstRefusal.empty()) {
      EXPECT_NO_THROW(CheckSweepPoints(plan, 3)) << sweep;
      continue;
    }
    for (unsigned jobs : {1u, 3u}) {
      try {
        CheckSweepPoints(plan, jobs);
        ADD_FAILURE() << sweep << ": not refused";
      } catch (const UsageError &e) {
        EXPECT_EQ(e.what(), firstRefusal) << sweep;
      }
    }
  }
}

// A file read a block at a time gives the lines of its whole content, line
// ends across blocks included, and tells a last line cut short.
TEST(SweepFiles, LinesReadBlockByBlockAreThoseOfTheWholeFile) {
  const struct {
    std::string content, end;
  } cases[] = {
      {"", "\n"},
      {"a\nbb\n\nccc\n", "\n"},
      {"head\r\nx\ny\r\n\r\nlast\r\n", "\r\n"},
      {"one\r\ntwo\r", "\r\n"},
      {"one\ntwo", "\n"},
  };
  ScratchFolder folder;
  const std::string name = folder.File("lines");
  for (const auto &c : cases) {
    WriteWholeFile(name, c.content);
    const std::vector<std::string> whole = LinesEndingWith(c.content, c.end, name, true);
    bool cut = false;
    try {
      LinesEndingWith(c.content, c.end, name);
    } catch (const UsageError &) {
      cut = true;
    }
    for (std::size_t block : {1, 2, 3, 64})
      for (bool keepOpen : {true, false}) {
        LineReader reader(name, c.end, 0, block, keepOpen);
        std::vector<std::string> lines;
        for (std::string line; reader.Next(line);)
          lines.push_back(line);
        EXPECT_EQ(lines, whole) << c.content << ", block " << block;
        EXPECT_EQ(reader.CutShort(), cut) << c.content << ", block " << block;
      }
  }
  EXPECT_THROW(LineReader(folder.File("none"), "\n"), UsageError);
}

// Shards merged line by line, few (files kept open) or many (each opened
// for every block it gives), are the sweep run whole.
TEST(SweepMerge, ShardsReadLineByLineGiveTheWholeSweep) {
  ScratchFolder folder;
  const Args sweep = Words("--model haploid-local --W1A 0.9 --W2a 0.7 --vary x=0:1:10 "
                           "--vary c=0.2:0.8:7 --jobs 2");
  auto run = [&](const Args &more) {
    const SweepOptions o = ParseSweepOptions(Joined(sweep, more));
    return RunSweep(o, CheckSweepPoints(o.plan, o.jobs), nullptr);
  };
  const SweepRun whole = run({"--final", folder.File("whole.mrv")});
  for (const std::size_t shards : {3, 70}) {
    const std::string out = folder.File("merged" + std::to_string(shards));
    Args merge = {"--merge", out + ".mrv"};
    for (std::size_t k = 0; k < shards; ++k) {
      const std::string name = out + "-" + std::to_string(k);
      run({"--shard", std::to_string(k) + "/" + std::to_string(shards), "--final", name + ".mrv"});
      merge.push_back(name + (k % 2 ? ".tsv" : ".mrv")); // either file names a shard
    }
    SweepOptions o = ParseSweepOptions(merge);
    MergeSweepShards(o);
    ExpectSameSweepFiles(folder.File("whole"), {out});
    EXPECT_EQ(o.plan.Points(), whole.points) << shards;
  }
  EXPECT_TRUE(whole.Complete());
  EXPECT_EQ(whole.points, 70u);
}

} // namespace
} // namespace morvane
