// morvane-sweep as a program: its records against morvane-run's, the same
// files on any number of threads and as shards merged back, its refusals,
// its trace files, its progress line and its map.
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QImage>

#include <gtest/gtest.h>

#include "ProgramTestSupport.h"
#include "RunLoopTestSupport.h"
#include "app/SweepMap.h"
#include "files/TextFile.h"

namespace morvane {
namespace {

using testing::CrLfLines;
using testing::FolderEntries;
using testing::Outcome;
using testing::ReadWholeFile;
using testing::ScratchFolder;
using testing::TabFields;

Outcome RunSweep(const std::string &folder, const std::vector<std::string> &args) {
  return testing::RunProgram(MORVANE_SWEEP_PATH, folder, args);
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<std::string> LfLines(const std::string &content) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; start < content.size(); start = end + 1) {
    end = content.find('\n', start);
    lines.push_back(content.substr(start, end - start));
  }
  return lines;
}

// A 3 x 4 grid whose series include a disturbance, and in which the cap cuts
// some points and not others.
const std::vector<std::string> kSeries = {"--model",
                                          "haploid-global",
                                          "--W1A",
                                          "0.9",
                                          "--W2A",
                                          "0.6",
                                          "--W1a",
                                          "0.6",
                                          "--W2a",
                                          "0.9",
                                          "--L",
                                          "0.00001",
                                          "--max-generations",
                                          "120",
                                          "--disturb",
                                          "p=0.2,q=0.7,DG=0.01"};
const std::vector<std::string> kGrid = {"--vary", "x=0:1:3", "--vary", "c=0.2:0.8:4"};
const std::vector<std::string> kX = {"0", "0.5", "1"};
const std::vector<std::string> kC = {"0.2", "0.4", "0.6", "0.8"};

TEST(SweepFiles, EachRecordIsTheRunnersAndCutPointsAreMarked) {
  ScratchFolder folder;
  const Outcome o =
      RunSweep(folder.Path(), Joined(Joined(kSeries, kGrid), {"--final", "sweep.mrv", "--map",
                                                              "map.png", "--map-size", "640x480"}));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.err, ""); // no progress line when stderr is no terminal
  const std::vector<std::string> records = CrLfLines(ReadWholeFile(folder.File("sweep.mrv")));
  const std::vector<std::string> rows = LfLines(ReadWholeFile(folder.File("sweep.tsv")));
  ASSERT_EQ(records.size(), 13u);
  ASSERT_EQ(rows.size(), 14u);
  EXPECT_EQ(rows[1], "point\tx\tc\tT\tp\tq\tDG\tFit\tconverged");

  int cut = 0;
  for (std::size_t point = 0; point < 12; ++point) {
    const std::string &x = kX[point / 4], &c = kC[point % 4];
    ScratchFolder runner;
    const Outcome r = testing::RunProgram(
        MORVANE_RUN_PATH, runner.Path(),
        Joined(kSeries, {"--x", x, "--c", c, "--final", "r.mrv", "--detail", "r.gnr"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(records[point + 1], CrLfLines(ReadWholeFile(runner.File("r.mrv"))).at(1)) << point;
    const std::vector<std::string> row = TabFields(rows[point + 2]);
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[0], std::to_string(point));
    EXPECT_EQ(row[1], x);
    EXPECT_EQ(row[2], c);
    EXPECT_EQ(row[3], TabFields(records[point + 1])[0]); // T
    // A point whose runs the runner reports cut is no equilibrium.
    const bool capped = r.err.find("without converging") != std::string::npos;
    EXPECT_EQ(row[8], capped ? "no" : "yes") << point;
    cut += capped;
  }
  EXPECT_GT(cut, 0);
  EXPECT_LT(cut, 12);
  const QImage map(QString::fromStdString(folder.File("map.png")));
  EXPECT_EQ(map.size(), QSize(640, 480));
}

TEST(SweepFiles, SameFilesOnAnyNumberOfThreadsAndAsShardsMerged) {
  ScratchFolder folder;
  const std::vector<std::string> sweep = Joined(kSeries, kGrid);
  for (const char *jobs : {"1", "2"}) {
    const Outcome o =
        RunSweep(folder.Path(),
                 Joined(sweep, {"--jobs", jobs, "--final", std::string("jobs") + jobs + ".mrv"}));
    ASSERT_EQ(o.exitCode, 0) << o.err;
  }
  // Three shards run by GNU parallel, merged in another order.
  std::vector<std::string> shards = {"--will-cite", "--halt", "now,fail=1", MORVANE_SWEEP_PATH};
  shards = Joined(Joined(shards, sweep),
                  {"--shard", "{}/3", "--final", "shard{}.mrv", ":::", "0", "1", "2"});
  const Outcome p = testing::RunProgram("parallel", folder.Path(), shards);
  ASSERT_EQ(p.exitCode, 0) << p.err;
  const Outcome m =
      RunSweep(folder.Path(), {"--merge", "merged.mrv", "shard2.mrv", "shard0.mrv", "shard1.mrv"});
  ASSERT_EQ(m.exitCode, 0) << m.err;

  for (const char *ending : {".mrv", ".tsv"}) {
    const std::string one = ReadWholeFile(folder.File(std::string("jobs1") + ending));
    EXPECT_EQ(ReadWholeFile(folder.File(std::string("jobs2") + ending)), one) << ending;
    EXPECT_EQ(ReadWholeFile(folder.File(std::string("merged") + ending)), one) << ending;
  }
  EXPECT_EQ(LfLines(ReadWholeFile(folder.File("shard1.tsv"))).size(), 6u); // points 1, 4, 7, 10
}

struct Refusal {
  std::vector<std::string> args;
  std::string message;
};

TEST(SweepRefusal, BadInputIsRefusedAndNothingWritten) {
  const std::vector<std::string> haploid = {"--model", "haploid-local", "--final", "s.mrv"};
  const std::vector<Refusal> cases = {
      {{"--vary", "speed=0:1:3"}, "speed is no numeric parameter"},
      {{"--vary", "trade-off=0:1:3"}, "trade-off is no numeric parameter"},
      {{"--vary", "fAB=0:1:3"}, "has no parameter fAB"},
      {{"--vary", "x=0:1.5:4"}, "x out of Range"},
      {{"--vary", "i=0:10:3"}, "i out of Range"},
      {{"--vary", "x=0:1:0"}, "COUNT must be"},
      {{"--vary", "x=0:1"}, "NAME=FROM:TO:COUNT"},
      {{"--vary", "x=0:1:1"}, "one point needs FROM = TO"},
      {{"--vary", "p=0:1:3", "--DG", "0.1"}, "DG0 out of Range at p=0 (point 0)"},
      {{"--vary", "c=0.3:0.7:3", "--trade-off", "linear", "--ess"}, "as c<0.5"},
      {{"--vary", "x=0:1:3", "--x", "0.5"}, "--x cannot be given with --vary x"},
      {{"--vary", "x=0:1:3", "--vary", "x=0:1:2"}, "--vary x is given twice"},
      {{"--vary", "x=0:1:3", "--vary", "c=0.1:0.2:2", "--vary", "d=0.1:1:2"}, "at most two"},
      {{"--vary", "x=0:1:3", "--shard", "3/3"}, "K must be below N"},
      {{"--vary", "x=0:1:3", "--shard", "1/0"}, "--shard needs K/N"},
      {{"--vary", "x=0:1:3", "--jobs", "0"}, "--jobs needs"},
      {{"--vary", "x=0:1:3", "--detail", "d.gnr"}, "--trace-dir"},
      {{"--vary", "x=0:1:3", "--map", "m.png"}, "--map needs two --vary"},
      {{"--vary", "x=0:1:3", "--vary", "c=0.1:0.2:2", "--map", "m.jpg"}, ".png or .svg"},
      {{"--vary", "x=0:1:3", "--vary", "c=0.1:0.2:2", "--map", "m.png", "--map-of", "fAB"},
       "--map-of must be one of p, q, DG, Fit, T"},
  };
  for (const Refusal &c : cases) {
    ScratchFolder folder;
    const Outcome o = RunSweep(folder.Path(), Joined(haploid, c.args));
    std::string shown;
    for (const std::string &a : c.args)
      shown += a + " ";
    EXPECT_EQ(o.exitCode, 2) << shown;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << shown << "-> " << o.err;
    EXPECT_TRUE(FolderEntries(folder.Path()).empty()) << shown;
  }
}

TEST(SweepRefusal, ShardsOfDifferentOrIncompleteSweepsAreNotMerged) {
  ScratchFolder folder;
  for (const char *shard : {"0", "1"})
    for (const char *c : {"0.4", "0.6"}) {
      const Outcome o = RunSweep(folder.Path(), {"--model", "clonal", "--c", c, "--vary", "x=0:1:3",
                                                 "--shard", std::string(shard) + "/2", "--final",
                                                 std::string("c") + c + "-" + shard + ".mrv"});
      ASSERT_EQ(o.exitCode, 0) << o.err;
    }
  const std::string cut = folder.File("c0.6-1.tsv");
  const std::string rows = ReadWholeFile(cut);
  CreateEmptyFile(cut);
  AppendToFile(cut, rows.substr(0, rows.rfind('\n', rows.size() - 2) + 1));

  const std::vector<Refusal> cases = {
      {{"c0.4-0.mrv", "c0.6-0.mrv"}, "come from different sweeps"},
      {{"c0.4-0.mrv", "c0.4-0.mrv"}, "shard 0/2 is given twice"},
      {{"c0.4-1.mrv"}, "shard 0/2 is missing"},
      {{"c0.6-0.mrv", "c0.6-1.mrv"}, "do not hold the same number of points"},
      {{"c0.4-0.mrv", "none.mrv"}, "cannot read none.mrv: Fichier introuvable"},
  };
  for (const Refusal &c : cases) {
    const Outcome o = RunSweep(folder.Path(), Joined({"--merge", "out.mrv"}, c.args));
    EXPECT_EQ(o.exitCode, 2) << c.message;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.message << " -> " << o.err;
    EXPECT_FALSE(FileExists(folder.File("out.mrv")));
    EXPECT_FALSE(FileExists(folder.File("out.tsv")));
  }
  EXPECT_EQ(RunSweep(folder.Path(), {"--merge", "out.mrv", "c0.4-1.mrv", "c0.4-0.mrv"}).exitCode,
            0);
}

TEST(SweepFiles, TraceFolderHoldsEachPointsDetailAndPlotFiles) {
  ScratchFolder folder;
  const std::vector<std::string> series = {"--model", "haploid-local", "--i", "3", "--W1A", "0.8"};
  const Outcome o = RunSweep(folder.Path(), Joined(series, {"--vary", "q=0.1:0.7:4", "--final",
                                                            "s.mrv", "--trace-dir", "trace"}));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> names = {"point-0.gnr", "point-0.plo", "point-1.gnr",
                                          "point-1.plo", "point-2.gnr", "point-2.plo",
                                          "point-3.gnr", "point-3.plo"};
  std::vector<std::string> entries = FolderEntries(folder.File("trace"));
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, names);
  const std::vector<std::string> records = CrLfLines(ReadWholeFile(folder.File("s.mrv")));
  const std::vector<std::string> rows = LfLines(ReadWholeFile(folder.File("s.tsv")));
  const char *q[] = {"0.1", "0.3", "0.5", "0.7"}; // the values typed, not 0.30000000000000004
  for (int point = 0; point < 4; ++point) {
    EXPECT_EQ(TabFields(rows.at(point + 2))[1], q[point]);
    ScratchFolder runner;
    ASSERT_EQ(::mkdir(runner.File("trace").c_str(), 0777), 0);
    const std::string name = "trace/point-" + std::to_string(point);
    const Outcome r =
        testing::RunProgram(MORVANE_RUN_PATH, runner.Path(),
                            Joined(series, {"--q", q[point], "--final", "r.mrv", "--detail",
                                            name + ".gnr", "--plot", name + ".plo"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(records.at(point + 1), CrLfLines(ReadWholeFile(runner.File("r.mrv"))).at(1));
    for (const char *ending : {".gnr", ".plo"})
      EXPECT_EQ(ReadWholeFile(folder.File(name + ending)),
                ReadWholeFile(runner.File(name + ending)))
          << name << ending;
  }
  EXPECT_EQ(TabFields(rows.at(1))[1], "q0"); // the initial q, beside the final one

  // A trace folder that cannot be made: the file error, and no result file.
  const Outcome bad = RunSweep(folder.Path(), Joined(series, {"--vary", "q=0.1:0.7:4", "--final",
                                                              "t.mrv", "--trace-dir", "no/such"}));
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "Fichier introuvable\nno/such\n");
  EXPECT_FALSE(FileExists(folder.File("t.mrv")));
}

TEST(SweepProgress, ShownOnATerminal) {
  ScratchFolder folder;
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(folder.Path().c_str()) != 0)
      ::_exit(127);
    ::execl(MORVANE_SWEEP_PATH, MORVANE_SWEEP_PATH, "--model", "clonal", "--vary", "x=0:1:5",
            "--final", "s.mrv", static_cast<char *>(nullptr));
    ::_exit(127);
  }
  std::string shown;
  char buffer[256];
  for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
    shown.append(buffer, static_cast<std::size_t>(n));
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
  EXPECT_NE(shown.find("morvane-sweep: 5/5 points, "), std::string::npos) << shown;
  EXPECT_NE(shown.find(" points/s, "), std::string::npos) << shown;
}

TEST(SweepMap, ImageOfTheRequestedSizeFollowsTheGrid) {
  // Three values of x by two of c; the point at (x 2, c 0) did not converge.
  SweepMapData map;
  map.xName = "x";
  map.yName = "c";
  map.xTicks = {"0", "0.5", "1"};
  map.yTicks = {"0.2", "0.8"};
  map.valueName = "p";
  map.values = {0, 0.25, 0.5, 0.75, 1, 0.9};
  map.converged = {true, true, true, true, false, true};
  map.low = 0;
  map.high = 1;
  ScratchFolder folder;
  WriteSweepMap(map, folder.File("map.png"), QSize(500, 400));
  const QImage image(QString::fromStdString(folder.File("map.png")));
  ASSERT_EQ(image.size(), QSize(500, 400));
  for (std::size_t x = 0; x < 3; ++x)
    for (std::size_t y = 0; y < 2; ++y) {
      const std::size_t point = x * 2 + y;
      const QRectF cell = SweepMapCell(map, image.size(), x, y);
      const QRgb colour = SweepMapColour(map.values[point]).rgb();
      int same = 0, all = 0;
      for (int px = static_cast<int>(cell.left()) + 1; px < cell.right() - 1; ++px)
        for (int py = static_cast<int>(cell.top()) + 1; py < cell.bottom() - 1; ++py, ++all)
          same += image.pixel(px, py) == colour;
      if (map.converged[point])
        EXPECT_EQ(same, all) << point;
      else
        EXPECT_LT(same, all * 0.8) << point; // hatched
    }
  EXPECT_NE(SweepMapColour(0).rgb(), SweepMapColour(1).rgb());

  WriteSweepMap(map, folder.File("map.svg"), QSize(500, 400));
  const std::string svg = ReadWholeFile(folder.File("map.svg"));
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("viewBox=\"0 0 500 400\""), std::string::npos);
}

} // namespace
} // namespace morvane
