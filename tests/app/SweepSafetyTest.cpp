// morvane-sweep against a hostile environment: a second process on the same
// sweep, temporary files replaced or edited under a running sweep, edited
// rows, a kill between the two renames, full disks.
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>

#include "files/TextFile.h"
#include "support/ProgramTestSupport.h"
#include "sweep/SweepNames.h"

namespace morvane {
namespace {

using namespace testing;

Outcome Sweep(const std::string &folder, const Args &args) {
  return RunProgram(MORVANE_SWEEP_PATH, folder, args);
}

// Every file of a folder and its bytes.
std::map<std::string, std::string> Snapshot(const ScratchFolder &folder) {
  std::map<std::string, std::string> files;
  struct stat st;
  for (const std::string &name : FolderEntries(folder.Path()))
    if (::stat(folder.File(name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
      files[name] = ReadWholeFile(folder.File(name));
  return files;
}

// A sweep that runs for a second: every point runs 6000 generations.
const Args kLong = Words("--model haploid-global --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 --L 0 "
                         "--max-generations 6000 --vary x=0:1:100 --vary c=0.2:0.8:30 --jobs 2");
// A small one, in two shards.
const Args kSmall = Words("--model haploid-global --W1A 0.9 --W2A 0.6 --W1a 0.6 --vary x=0:1:4");

// `args` started in `folder` and stopped (SIGSTOP) once `part` holds lines.
struct StoppedSweep {
  StoppedSweep(const ScratchFolder &folder, const Args &args, const std::string &part)
      : program(MORVANE_SWEEP_PATH, folder.Path(), args) {
    while (!FileExists(folder.File(part)) ||
           ReadWholeFile(folder.File(part)).find('\n') == std::string::npos)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ::kill(program.Pid(), SIGSTOP);
  }
  Outcome Go() {
    ::kill(program.Pid(), SIGCONT);
    return program.Wait();
  }
  RunningProgram program;
};

void RunSmallShards(const ScratchFolder &folder) {
  for (const std::string shard : {"0", "1"})
    ASSERT_EQ(Sweep(folder.Path(),
                    Joined(kSmall, Words("--shard " + shard + "/2 --final s" + shard + ".mrv")))
                  .exitCode,
              0);
}

TEST(SweepSafety, ASecondProcessOnTheSameSweepIsRefusedAndTouchesNothing) {
  // A merge that has already given up on its pipe makes the write below
  // fail; that must not end the test process (the exit codes are checked).
  std::signal(SIGPIPE, SIG_IGN);
  const Args run = Joined(kLong, Words("--final s.mrv"));
  const Args merge = Words("--merge s.mrv s0.mrv s1.mrv");
  ScratchFolder whole;
  ASSERT_EQ(Sweep(whole.Path(), run).exitCode, 0);
  // A running sweep, held still while the second process tries.
  for (const Args &second : {run, Joined(run, {"--resume"}), merge}) {
    ScratchFolder folder;
    RunSmallShards(folder);
    StoppedSweep first(folder, run, "s.tsv.part");
    const auto before = Snapshot(folder);
    const Outcome refused = Sweep(folder.Path(), second);
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_NE(refused.err.find("is writing s.mrv.part and s.tsv.part"), std::string::npos)
        << refused.err;
    EXPECT_EQ(Snapshot(folder), before);
    EXPECT_EQ(first.Go().exitCode, 0);
    ExpectSameSweepFiles(whole.File("s"), {folder.File("s")});
  }
  // A merge held still reading its shard (a pipe nobody writes to yet).
  for (const Args &second : {merge, Joined(kSmall, Words("--final s.mrv"))}) {
    ScratchFolder folder;
    ASSERT_EQ(::mkfifo(folder.File("pipe.mrv").c_str(), 0600), 0);
    RunningProgram first(MORVANE_SWEEP_PATH, folder.Path(), Words("--merge s.mrv pipe.mrv"));
    while (!FileExists(folder.File("s.mrv.lock")))
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    RunSmallShards(folder);
    const auto before = Snapshot(folder);
    const Outcome refused = Sweep(folder.Path(), second);
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_NE(refused.err.find("another morvane-sweep"), std::string::npos) << refused.err;
    EXPECT_EQ(Snapshot(folder), before);
    WriteWholeFile(folder.File("pipe.mrv"), "not a shard\n");
    EXPECT_EQ(first.Wait().exitCode, 2);
  }
}

TEST(SweepSafety, ATemporaryFileChangedUnderTheSweepIsNeverRenamed) {
  const std::function<void(const std::string &)> changes[] = {
      [](const std::string &part) { // another file put in its place
        WriteWholeFile(part + ".other", ReadWholeFile(part));
        std::rename((part + ".other").c_str(), part.c_str());
      },
      [](const std::string &part) { // a byte changed in place
        std::string held = ReadWholeFile(part);
        held[held.size() / 2] ^= 1;
        std::FILE *f = std::fopen(part.c_str(), "r+b");
        std::fwrite(held.data(), 1, held.size(), f);
        std::fclose(f);
      }};
  for (const std::string part : {"s.mrv.part", "s.tsv.part"})
    for (const auto &change : changes) {
      ScratchFolder folder;
      StoppedSweep sweep(folder, Joined(kLong, Words("--final s.mrv")), "s.tsv.part");
      change(folder.File(part));
      const Outcome refused = sweep.Go();
      EXPECT_EQ(refused.exitCode, 2) << part << refused.err;
      EXPECT_NE(refused.err.find(part + " is no longer the file this process wrote"),
                std::string::npos)
          << refused.err;
      EXPECT_FALSE(FileExists(folder.File("s.mrv")) || FileExists(folder.File("s.tsv")));
    }
}

TEST(SweepSafety, EditedRowsAndRecordsAreRefusedByResumeAlreadyDoneAndMerge) {
  ScratchFolder clean;
  RunSmallShards(clean);
  const std::string row = ReadWholeFile(clean.File("s0.tsv"));
  const std::string record = ReadWholeFile(clean.File("s0.mrv"));
  struct Edit {
    std::string tsv, mrv; // the line of a file changed (empty: the file unchanged)
    std::string message;
  };
  // The third line of the table, the second of the Final file: point 0.
  const std::vector<std::string> rows = LfLines(row);
  auto fields = [](const std::string &line) { return SplitText(line, '\t'); };
  auto edited = [&](std::size_t field, const std::string &value) {
    std::vector<std::string> f = fields(rows[2]);
    f[field] = value;
    const std::string line = JoinedText(f, "\t");
    std::string content = row;
    content.replace(content.find(rows[2]), rows[2].size(), line);
    return content;
  };
  std::string crlf = row;
  for (std::size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2)
    crlf.insert(at, "\r");
  std::string plot = record;
  plot.replace(plot.find("PlotSexFile.plo"), 15, "tr/point-0.plo");
  const Edit edits[] = {
      {edited(7, "no"), "", "converged no"},
      {edited(3, "0.00004"), "", "holds 0.00004 where the sweep writes"},
      {edited(2, fields(rows[2])[2] + ".0"), "", "where the sweep writes"},
      {"", plot, "File Name is tr/point-0.plo where PlotSexFile.plo was expected"},
      {crlf, "", "whose lines end with CR LF"},
  };
  const Args shard0 = Joined(kSmall, Words("--shard 0/2 --final s0.mrv"));
  for (const Edit &e : edits) {
    SCOPED_TRACE(e.message);
    ScratchFolder folder;
    RunSmallShards(folder);
    const std::string tsv = e.tsv.empty() ? row : e.tsv, mrv = e.mrv.empty() ? record : e.mrv;
    WriteWholeFile(folder.File("s0.tsv"), tsv);
    WriteWholeFile(folder.File("s0.mrv"), mrv);
    const Outcome merged = Sweep(folder.Path(), Words("--merge out.mrv s0.mrv s1.mrv"));
    const Outcome done = Sweep(folder.Path(), shard0);
    std::rename(folder.File("s0.tsv").c_str(), folder.File("s0.tsv.part").c_str());
    std::rename(folder.File("s0.mrv").c_str(), folder.File("s0.mrv.part").c_str());
    const Outcome resumed = Sweep(folder.Path(), Joined(shard0, {"--resume"}));
    for (const Outcome &o : {merged, done, resumed}) {
      EXPECT_EQ(o.exitCode, 2) << o.err;
      EXPECT_NE(o.err.find(e.message), std::string::npos) << o.err;
    }
    EXPECT_EQ(ReadWholeFile(folder.File("s0.tsv.part")), tsv);
    EXPECT_FALSE(FileExists(folder.File("out.mrv")));
  }
}

TEST(SweepSafety, ASweepOrMergeStoppedBetweenItsRenamesIsFinished) {
  ScratchFolder whole;
  RunSmallShards(whole);
  ASSERT_EQ(Sweep(whole.Path(), Joined(kSmall, Words("--final s.mrv"))).exitCode, 0);
  const Args runs[] = {Joined(kSmall, Words("--final s.mrv")),
                       Joined(kSmall, Words("--final s.mrv --resume")),
                       Words("--merge s.mrv s0.mrv s1.mrv")};
  for (const Args &args : runs) {
    ScratchFolder folder;
    RunSmallShards(folder);
    WriteWholeFile(folder.File("s.tsv"), ReadWholeFile(whole.File("s.tsv")));
    WriteWholeFile(folder.File("s.mrv.part"), ReadWholeFile(whole.File("s.mrv")));
    const Outcome finished = Sweep(folder.Path(), args);
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    ExpectSameSweepFiles(whole.File("s"), {folder.File("s")});
    EXPECT_FALSE(FileExists(folder.File("s.mrv.part")));
  }
}

TEST(SweepSafety, AMergeRemovesOnlyTheTemporaryFilesOfAKilledMerge) {
  ScratchFolder folder;
  RunSmallShards(folder);
  ASSERT_EQ(Sweep(folder.Path(), Joined(kSmall, Words("--final whole.mrv"))).exitCode, 0);
  // Left by a sweep stopped with Ctrl-C (its lock file gone), then by a
  // killed merge (its lock file left, naming a merge).
  WriteWholeFile(folder.File("s.mrv.part"), ReadWholeFile(folder.File("s0.mrv")));
  WriteWholeFile(folder.File("s.tsv.part"), "partial");
  const Args merge = Words("--merge s.mrv s0.mrv s1.mrv");
  const auto before = Snapshot(folder);
  const Outcome refused = Sweep(folder.Path(), merge);
  EXPECT_EQ(refused.exitCode, 2) << refused.err;
  EXPECT_NE(refused.err.find("s.mrv.part exists: an interrupted sweep"), std::string::npos)
      << refused.err;
  EXPECT_EQ(Snapshot(folder), before);
  WriteWholeFile(folder.File("s.mrv.lock"), "99999 merge\n");
  const Outcome merged = Sweep(folder.Path(), merge);
  EXPECT_EQ(merged.exitCode, 0) << merged.err;
  ExpectSameSweepFiles(folder.File("whole"), {folder.File("s")});
  EXPECT_FALSE(FileExists(folder.File("s.mrv.part")) || FileExists(folder.File("s.mrv.lock")));
}

TEST(SweepSafety, TheTraceFolderIsPartOfTheSweep) {
  ScratchFolder folder;
  const Args traced = Joined(kSmall, Words("--final s.mrv --trace-dir tr"));
  ASSERT_EQ(Sweep(folder.Path(), traced).exitCode, 0);
  EXPECT_NE(ReadWholeFile(folder.File("s.tsv")).find(" --vary x=0:1:4 --trace-dir tr\n"),
            std::string::npos);
  EXPECT_EQ(Sweep(folder.Path(), traced).exitCode, 0); // already done
  const Refusal cases[] = {
      {Joined(kSmall, Words("--final s.mrv --trace-dir other")), "does not hold this sweep whole"},
      {Joined(kSmall, Words("--final s.mrv")), "does not hold this sweep whole"},
      {Joined(kSmall, Words("--final t.mrv --trace-dir tr")), "--trace-dir tr holds files already"},
  };
  const auto before = Snapshot(folder);
  for (const Refusal &c : cases) {
    const Outcome refused = Sweep(folder.Path(), c.args);
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_NE(refused.err.find(c.message), std::string::npos) << refused.err;
    EXPECT_EQ(Snapshot(folder), before);
    EXPECT_FALSE(FileExists(folder.File("other")));
  }
}

// A small file system mounted for the test, `free` bytes left.
struct SmallDisk {
  explicit SmallDisk(std::size_t free) {
    mounted = ::mount("tmpfs", at.Path().c_str(), "tmpfs", 0, "size=256k") == 0;
    WriteWholeFile(at.File("filler"), std::string(256 * 1024 - free, 'x'));
  }
  ~SmallDisk() {
    if (mounted)
      ::umount(at.Path().c_str());
  }
  void MakeRoom() { std::remove(at.File("filler").c_str()); }
  ScratchFolder at;
  bool mounted = false;
};

TEST(SweepSafety, AFullDiskIsResumedOrRetried) {
  ASSERT_EQ(::geteuid(), 0u) << "mounting a small file system needs root";
  ScratchFolder whole;
  RunSmallShards(whole);
  ASSERT_EQ(Sweep(whole.Path(), Joined(kSmall, Words("--final s.mrv"))).exitCode, 0);
  {
    // Full while the temporary files are made: the table's stays empty.
    SmallDisk disk(2 * 4096); // the lock file's page and one more
    ASSERT_TRUE(disk.mounted);
    const Args run = Joined(kSmall, {"--final", disk.at.File("s.mrv")});
    const Outcome full = Sweep(whole.Path(), run);
    EXPECT_EQ(full.exitCode, 1) << full.err;
    EXPECT_NE(full.err.find("--resume"), std::string::npos) << full.err;
    disk.MakeRoom();
    const Outcome resumed = Sweep(whole.Path(), Joined(run, {"--resume"}));
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err;
    ExpectSameSweepFiles(whole.File("s"), {disk.at.File("s")});
  }
  {
    // Room for the merged files, not for their map.
    SmallDisk disk(3 * 4096); // the lock file's, the table's, the Final file's
    const Args merge = {"--merge", disk.at.File("s.mrv"), "s0.mrv", "s1.mrv",
                        "--map",   disk.at.File("s.png")};
    const Outcome full = Sweep(whole.Path(), merge);
    EXPECT_EQ(full.exitCode, 1) << full.err;
    EXPECT_EQ(FolderEntries(disk.at.Path()), std::vector<std::string>{"filler"});
    disk.MakeRoom();
    const Outcome retried = Sweep(whole.Path(), merge);
    EXPECT_EQ(retried.exitCode, 0) << retried.err;
    ExpectSameSweepFiles(whole.File("s"), {disk.at.File("s")});
    EXPECT_TRUE(FileExists(disk.at.File("s.png")));
  }
}

} // namespace
} // namespace morvane
