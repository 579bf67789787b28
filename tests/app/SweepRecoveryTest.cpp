// morvane-sweep when things go wrong: shards that are not what they claim,
// sweeps killed and resumed, shards run twice, a merge into a full file
// system, and outputs refused before anything is written.
#include <csignal>
#include <fstream>
#include <sys/mount.h>
#include <thread>

#include "files/TextFile.h"
#include "support/ProgramTestSupport.h"

namespace morvane {
namespace {

using namespace testing;

Outcome RunSweep(const std::string &folder, const Args &args) {
  return RunProgram(MORVANE_SWEEP_PATH, folder, args);
}

// Lines of a file, 0 when it does not exist.
std::size_t LinesIn(const std::string &file) {
  const std::string content = FileExists(file) ? ReadWholeFile(file) : "";
  return static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n'));
}

const Args kShardSweep = Words("--model haploid-global --W2A 0.6 --W1a 0.6 --vary x=0:1:4");

// Two shards of the sweep with W1(A) = w, as w-0.mrv and w-1.mrv.
void RunShards(const ScratchFolder &folder, const std::string &w) {
  for (const std::string shard : {"0", "1"})
    ASSERT_EQ(RunSweep(folder.Path(), Joined(kShardSweep, {"--W1A", w, "--shard", shard + "/2",
                                                           "--final", w + "-" + shard + ".mrv"}))
                  .exitCode,
              0);
}

TEST(SweepMerge, RecordsThatDoNotMatchTheirRowsOrTheirSweepAreRefused) {
  ScratchFolder folder;
  RunShards(folder, "0.9");
  RunShards(folder, "0.8");
  auto copy = [&](const std::string &from, const std::string &to) {
    WriteWholeFile(folder.File(to), ReadWholeFile(folder.File(from)));
  };
  // Another sweep's records beside this sweep's table (other W1(A)), and the
  // two shards' records swapped.
  copy("0.9-0.tsv", "foreign.tsv");
  copy("0.8-0.mrv", "foreign.mrv");
  copy("0.9-0.tsv", "swapped-0.tsv");
  copy("0.9-1.mrv", "swapped-0.mrv");
  copy("0.9-1.tsv", "swapped-1.tsv");
  copy("0.9-0.mrv", "swapped-1.mrv");
  ExpectMergesRefused(
      MORVANE_SWEEP_PATH, folder,
      {{Words("foreign.mrv 0.9-1.mrv"),
        "foreign.mrv, line 2: the record of point 0 does not match its sweep and its table row"},
       {Words("swapped-0.mrv swapped-1.mrv"), "swapped-0.mrv, line 2: the record of point 0"},
       {Words("0.9-0.mrv swapped-1.mrv"), "swapped-1.mrv, line 2: the record of point 1"}});
  // Shards are recognised by content: given by their tables, they merge.
  EXPECT_EQ(RunSweep(folder.Path(), Words("--merge out.mrv 0.9-1.tsv 0.9-0.tsv")).exitCode, 0);
}

// A sweep long enough to be stopped on its way: every point runs 6000
// generations (L = 0 seldom converges).
const Args kLongSweep =
    Words("--model haploid-global --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 --L 0 "
          "--max-generations 6000 --vary x=0:1:100 --vary c=0.2:0.8:150 --jobs 2");

TEST(SweepResume, KilledOrStoppedSweepsGoOnToTheBytesOfOneUninterruptedRun) {
  ScratchFolder whole;
  ASSERT_EQ(RunSweep(whole.Path(), Joined(kLongSweep, Words("--final s.mrv"))).exitCode, 0);
  struct Case {
    int signal;
    std::size_t afterRecords; // stop once the temporary Final file holds this many lines
    int exitCode;             // -1: ended by the signal
  } cases[] = {{SIGKILL, 1, -1},
               {SIGKILL, 7000, -1},
               {SIGTERM, 300, 143},
               {SIGTERM, 12000, 143},
               {SIGINT, 4000, 130}};
  for (const Case &c : cases) {
    SCOPED_TRACE("signal " + std::to_string(c.signal) + " after " + std::to_string(c.afterRecords) +
                 " records");
    ScratchFolder folder;
    const Args args = Joined(kLongSweep, Words("--final s.mrv"));
    RunningProgram sweep(MORVANE_SWEEP_PATH, folder.Path(), args);
    while (LinesIn(folder.File("s.mrv.part")) < c.afterRecords && !FileExists(folder.File("s.mrv")))
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_FALSE(FileExists(folder.File("s.mrv"))) << "the sweep ended before it was stopped";
    ::kill(sweep.Pid(), c.signal);
    const Outcome stopped = sweep.Wait();
    EXPECT_EQ(stopped.exitCode, c.exitCode) << stopped.err;
    if (c.exitCode > 0) {
      EXPECT_NE(stopped.err.find("--resume"), std::string::npos) << stopped.err;
    }
    EXPECT_FALSE(FileExists(folder.File("s.mrv")) || FileExists(folder.File("s.tsv")));

    EXPECT_EQ(RunSweep(folder.Path(), args).exitCode, 2); // not without --resume
    const Outcome resumed = RunSweep(folder.Path(), Joined(args, {"--resume"}));
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    ExpectSameSweepFiles(whole.File("s"), {folder.File("s")});
    EXPECT_FALSE(FileExists(folder.File("s.mrv.part")) || FileExists(folder.File("s.tsv.part")));
  }
  // Stopped after the temporary Final file was made (whole or in part) and
  // before its table: the resumed run starts from nothing.
  for (const std::size_t held : {std::size_t(0), std::size_t(5), FinalHeaderLine().size()}) {
    ScratchFolder folder;
    std::ofstream(folder.File("s.mrv.part"), std::ios::binary) << FinalHeaderLine().substr(0, held);
    const Outcome resumed =
        RunSweep(folder.Path(), Joined(kLongSweep, Words("--final s.mrv --resume")));
    ASSERT_EQ(resumed.exitCode, 0) << held << resumed.err;
    ExpectSameSweepFiles(whole.File("s"), {folder.File("s")});
  }
}

TEST(SweepResume, AShardRunTwiceIsAlreadyDoneAndAnotherSweepsFileIsRefused) {
  ScratchFolder folder;
  const Args shard = Joined(kShardSweep, Words("--W1A 0.9 --d 1 --shard 1/2 --final s.mrv"));
  ASSERT_EQ(RunSweep(folder.Path(), shard).exitCode, 0);
  const std::string records = ReadWholeFile(folder.File("s.mrv"));
  const Outcome again = RunSweep(folder.Path(), shard);
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_NE(again.err.find("already done"), std::string::npos) << again.err;
  EXPECT_EQ(ReadWholeFile(folder.File("s.mrv")), records);
  // The same sweep typed otherwise is the same sweep; another is refused.
  const Args retyped = Joined(kShardSweep, Words("--W1A .90 --d 1.0 --shard 1/2 --final s.mrv"));
  EXPECT_EQ(RunSweep(folder.Path(), retyped).exitCode, 0);
  const Args other = Joined(kShardSweep, Words("--W1A 0.9 --d 0.5 --shard 1/2 --final s.mrv"));
  const Outcome refused = RunSweep(folder.Path(), other);
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("does not hold this sweep whole"), std::string::npos) << refused.err;
}

// An analysed sweep cut short (its temporary files holding the first rows,
// the last one cut inside) goes on to the bytes of an uninterrupted run; a
// resume with another --analyse or --starts is refused, saying which.
TEST(SweepResume, AnAnalysedSweepGoesOnAndAnotherAnalysisIsRefused) {
  const Args sweep = Joined(kShardSweep, Words("--vary c=0.3:0.7:5 --final s.mrv"));
  const Args analysed = Joined(sweep, Words("--analyse --starts 4"));
  ScratchFolder whole;
  ASSERT_EQ(RunSweep(whole.Path(), analysed).exitCode, 0);
  struct Case {
    Args cutFrom;        // the sweep whose files are cut short
    Args resumedAs;      // the resume's arguments
    const char *refusal; // nullptr: goes on
  } cases[] = {
      {analysed, analysed, nullptr},
      {sweep, analysed, "run without --analyse: it cannot be resumed with --analyse --starts 4"},
      {analysed, sweep, "run with --analyse --starts 4: it cannot be resumed without --analyse"},
      {analysed, Joined(sweep, {"--analyse"}), "cannot be resumed with --analyse ("},
  };
  for (const Case &c : cases) {
    ScratchFolder folder, source;
    ASSERT_EQ(RunSweep(source.Path(), c.cutFrom).exitCode, 0);
    for (const std::string ending : {".mrv", ".tsv"}) {
      const std::string content = ReadWholeFile(source.File("s" + ending));
      WriteWholeFile(folder.File("s" + ending + ".part"), content.substr(0, content.size() / 2));
    }
    const Outcome o = RunSweep(folder.Path(), Joined(c.resumedAs, {"--resume"}));
    if (!c.refusal) {
      ASSERT_EQ(o.exitCode, 0) << o.err;
      ExpectSameSweepFiles(whole.File("s"), {folder.File("s")});
    } else {
      EXPECT_EQ(o.exitCode, 2);
      EXPECT_NE(o.err.find(c.refusal), std::string::npos) << o.err;
      EXPECT_FALSE(FileExists(folder.File("s.mrv")));
    }
  }
}

TEST(SweepMerge, AMergeIntoAFullFileSystemLeavesNothingAndCanBeRetried) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "mounting a small file system needs root";
  ScratchFolder folder;
  RunShards(folder, "0.9");
  ASSERT_EQ(RunSweep(folder.Path(), Words("--merge whole.mrv 0.9-0.mrv 0.9-1.mrv")).exitCode, 0);
  ScratchFolder mountPoint;
  ASSERT_EQ(::mount("tmpfs", mountPoint.Path().c_str(), "tmpfs", 0, "size=16k"), 0);
  // Full: the merged files no longer fit.
  WriteWholeFile(mountPoint.File("filler"), std::string(16000, 'x'));
  const std::string out = mountPoint.File("out.mrv");
  const Outcome full = RunSweep(folder.Path(), Words("--merge " + out + " 0.9-0.mrv 0.9-1.mrv"));
  EXPECT_EQ(full.exitCode, 1) << full.err;
  const std::vector<std::string> left = FolderEntries(mountPoint.Path());
  EXPECT_EQ(left, std::vector<std::string>{"filler"});
  std::remove(mountPoint.File("filler").c_str());
  const Outcome retry = RunSweep(folder.Path(), Words("--merge " + out + " 0.9-0.mrv 0.9-1.mrv"));
  EXPECT_EQ(retry.exitCode, 0) << retry.err;
  EXPECT_EQ(ReadWholeFile(out), ReadWholeFile(folder.File("whole.mrv")));
  ASSERT_EQ(::umount(mountPoint.Path().c_str()), 0);
}

TEST(SweepRefusal, OutputsThatCollideOrCannotFitAreRefusedBeforeAnythingIsWritten) {
  const Args sweep = Words("--model haploid-local --vary x=0:1:3");
  const Refusal cases[] = {
      {Joined(sweep, Words("--final s.mrv --trace-dir s.mrv")), "lie in one another"},
      {Joined(sweep, Words("--final t/s.mrv --trace-dir t")), "lie in one another"},
      {Joined(sweep, Words("--final s.mrv --trace-dir s.tsv")), "lie in one another"},
      {Joined(sweep, Words("--final s.tsv")), "names a table"},
      {Words("--model haploid-local --vary x=0:1:1000 --final s.mrv --trace-dir t "
             "--max-generations 999999999"),
       "the trace files would take about"},
  };
  for (const Refusal &c : cases)
    ExpectRefused(MORVANE_SWEEP_PATH, c);

  // A table whose lines end with CR LF is named as such.
  ScratchFolder folder;
  RunShards(folder, "0.9");
  std::string table = ReadWholeFile(folder.File("0.9-0.tsv"));
  for (std::size_t at = 0; (at = table.find('\n', at)) != std::string::npos; at += 2)
    table.insert(at, "\r");
  WriteWholeFile(folder.File("0.9-0.tsv"), table);
  ExpectMergesRefused(MORVANE_SWEEP_PATH, folder, {{Words("0.9-0.tsv 0.9-1.mrv"), "CR LF"}});
}

} // namespace
} // namespace morvane
