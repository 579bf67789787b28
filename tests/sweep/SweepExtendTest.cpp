// A sweep extended to another grid: the points of equal values are taken
// over, the others run, and the files are those of a fresh run of the new
// grid; a sweep that is not the same on another grid is refused by name.
#include "sweep/SweepExtend.h"
#include "support/ProgramTestSupport.h"
#include "support/ScratchFolder.h"
#include "sweep/SweepOutputs.h"

#include <cstdio>

namespace morvane {
namespace {

using namespace testing;

SweepOptions OptionsOf(const ScratchFolder &folder, const std::string &args, unsigned jobs) {
  return ParseSweepOptions(
      Joined(Words(args), {"--final", folder.File("s.mrv"), "--jobs", std::to_string(jobs)}));
}

SweepRun Sweep(const SweepOptions &o, bool cancelled = false) {
  const std::atomic<bool> cancel{cancelled};
  return RunSweep(o, CheckSweepPoints(o.plan, o.jobs), nullptr, &cancel);
}

// The earlier sweep left interrupted: its files back under their temporary
// names, its last row and record gone and half a row after them.
void Interrupt(const ScratchFolder &folder) {
  for (const std::string name : {"s.mrv", "s.tsv"}) {
    std::string content = ReadWholeFile(folder.File(name));
    const std::size_t end = content.rfind('\n', content.size() - 2) + 1;
    content = content.substr(0, end) + (name == "s.tsv" ? "7\t0.5" : "");
    WriteWholeFile(folder.File(name + ".part"), content);
    std::remove(folder.File(name).c_str());
  }
}

TEST(SweepExtend, PointsOfEqualValuesAreKeptAndTheFilesAreThoseOfAFreshRun) {
  const std::string haploid = "--model haploid-local --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 ";
  const std::string diploid = "--model diploid-local --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 ";
  struct Case {
    std::string before, after;
    std::size_t kept;
    bool interrupted; // the earlier sweep's temporary files only
    bool cancelled;   // the extension cancelled at once, then run again
  } cases[] = {
      {haploid + "--vary x=0:1:3 --vary c=0.2:0.8:4", haploid + "--vary x=0:1:5 --vary c=0.2:0.9:8",
       12, false, false},
      {diploid + "--vary c=0.2:0.8:4 --vary x=0:1:3", diploid + "--vary x=1:0:5 --vary c=0.2:0.8:7",
       12, false, true},
      {haploid + "--vary x=0:1:11", haploid + "--vary x=0:1:21", 10, true, false},
      {diploid + "--vary d=0.1:0.6:6", diploid + "--vary d=0.1:0.6:11", 5, true, true},
  };
  for (const Case &c : cases) {
    for (unsigned jobs : {1u, 2u}) {
      SCOPED_TRACE(c.after + " after " + c.before + ", jobs " + std::to_string(jobs));
      ScratchFolder fresh, extended;
      ASSERT_TRUE(Sweep(OptionsOf(fresh, c.after, jobs)).Complete());
      Sweep(OptionsOf(extended, c.before, jobs));
      if (c.interrupted)
        Interrupt(extended);
      SweepOptions o = OptionsOf(extended, c.after + " --extend", jobs);
      const std::optional<SweepExtension> counted = ExtensionOf(o);
      ASSERT_TRUE(counted);
      EXPECT_EQ(counted->kept, c.kept);
      if (c.cancelled) {
        EXPECT_FALSE(Sweep(o, true).Complete());
      }
      const SweepRun run = Sweep(o);
      EXPECT_TRUE(run.Complete());
      EXPECT_EQ(run.pointsKept, c.kept);
      for (const std::string name : {"s.mrv", "s.tsv"})
        EXPECT_EQ(ReadWholeFile(extended.File(name)), ReadWholeFile(fresh.File(name))) << name;
      for (const std::string name : {"s.mrv.part", "s.mrv.part.extended", "s.tsv.part.extended"})
        EXPECT_FALSE(FileExists(extended.File(name))) << name;
      EXPECT_FALSE(ExtensionOf(o)) << "the same sweep again is no extension";
    }
  }
}

TEST(SweepExtend, AnotherSweepIsRefusedNamingWhatDiffers) {
  const std::string w = "--W2A 0.6 --W1a 0.6 --W2a 0.9 ";
  const struct {
    std::string before, after, message;
  } cases[] = {
      {"--model haploid-local " + w + "--vary x=0:1:3",
       "--model diploid-local " + w + "--vary x=0:1:5",
       "holds a sweep of the haploid-local model, and this one is of the diploid-local model"},
      {"--model haploid-local " + w + "--vary x=0:1:3 --vary c=0.2:0.8:2",
       "--model haploid-local " + w + "--vary x=0:1:3 --vary d=0.2:0.8:2",
       "holds a sweep over x and c, and this one is over x and d"},
      {"--model haploid-local " + w + "--W1A 0.9 --vary x=0:1:3",
       "--model haploid-local " + w + "--W1A 0.8 --vary x=0:1:5",
       "other fixed parameters: --W1A 0.9 there, and --W1A 0.8 in this one"},
      {"--model haploid-local " + w + "--vary x=0:1:3",
       "--model haploid-local " + w + "--max-generations 50 --vary x=0:1:5",
       "nothing more there, and --max-generations 50 in this one"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.after);
    ScratchFolder folder;
    Sweep(OptionsOf(folder, c.before, 1));
    const std::string before = ReadWholeFile(folder.File("s.mrv"));
    const SweepOptions o = OptionsOf(folder, c.after + " --extend", 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        attempt ? (void)Sweep(o) : (void)ExtensionOf(o);
        ADD_FAILURE() << "not refused";
      } catch (const UsageError &e) {
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      }
    }
    EXPECT_EQ(ReadWholeFile(folder.File("s.mrv")), before);
  }
}

} // namespace
} // namespace morvane
