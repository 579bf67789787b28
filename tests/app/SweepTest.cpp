// morvane-sweep as a program: its records against morvane-run's, the same
// files on any number of threads and as shards merged back, its refusals,
// its trace files, its progress line and its figures.
#include <pty.h>

#include <cctype>

#include <QImage>

#include "files/NumberFormat.h"
#include "files/TextFile.h"
#include "support/ProgramTestSupport.h"
#include "sweep/SweepNames.h"
#include "sweep/SweepOptions.h"

namespace morvane {
namespace {

using namespace testing;

Outcome RunSweep(const std::string &folder, const Args &args) {
  return RunProgram(MORVANE_SWEEP_PATH, folder, args);
}
// morvane-run's series in a folder of its own, with its Final file r.mrv.
Outcome RunRunner(const ScratchFolder &folder, const Args &args) {
  return RunProgram(MORVANE_RUN_PATH, folder.Path(), Joined(args, Words("--final r.mrv")));
}
std::string RunnerRecord(const ScratchFolder &runner) {
  return CrLfLines(ReadWholeFile(runner.File("r.mrv"))).at(1);
}

// A 3 x 4 grid whose series include a disturbance, and in which the cap cuts
// some points and not others.
const Args kSeries = Words("--model haploid-global --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 "
                           "--L 0.00001 --max-generations 120 --disturb p=0.2,q=0.7,DG=0.01");
const Args kGrid = Words("--vary x=0:1:3 --vary c=0.2:0.8:4");

// Each point's record, Detail and Plot files are those of morvane-run.
TEST(SweepFiles, EachPointIsTheRunnersAndCutPointsAreMarked) {
  ScratchFolder folder;
  const Outcome o = RunSweep(
      folder.Path(), Joined(Joined(kSeries, kGrid), Words("--final sweep.mrv --trace-dir trace "
                                                          "--map map.png --map-size 640x480")));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.err, ""); // no progress line when stderr is no terminal
  const std::vector<std::string> records = CrLfLines(ReadWholeFile(folder.File("sweep.mrv")));
  const std::vector<std::string> rows = LfLines(ReadWholeFile(folder.File("sweep.tsv")));
  ASSERT_EQ(records.size(), 13u);
  ASSERT_EQ(rows.size(), 14u);
  EXPECT_EQ(rows[1], "point\tx\tc\tT\tp\tq\tDG\tFit\tconverged");
  EXPECT_EQ(FolderEntries(folder.File("trace")).size(), 24u);
  int cut = 0;
  for (std::size_t point = 0; point < 12; ++point) {
    // The values as typed (0.6, not 0.6000000000000001).
    const std::string x = Words("0 0.5 1")[point / 4], c = Words("0.2 0.4 0.6 0.8")[point % 4];
    const std::string trace = "trace/" + TracePoint(point);
    ScratchFolder runner;
    ASSERT_EQ(::mkdir(runner.File("trace").c_str(), 0777), 0);
    const Outcome r =
        RunRunner(runner, Joined(kSeries, {"--x", x, "--c", c, "--detail", trace + ".gnr", "--plot",
                                           trace + ".plo"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(records[point + 1], RunnerRecord(runner)) << point;
    for (const std::string ending : {".gnr", ".plo"})
      EXPECT_EQ(ReadWholeFile(folder.File(trace + ending)),
                ReadWholeFile(runner.File(trace + ending)))
          << trace << ending;
    const Args row = TabFields(rows[point + 2]);
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(Args(row.begin(), row.begin() + 4),
              (Args{std::to_string(point), x, c, TabFields(records[point + 1])[0]}));
    // A point whose runs the runner reports cut is no equilibrium.
    const bool capped = r.err.find("without converging") != std::string::npos;
    EXPECT_EQ(row[8], capped ? "no" : "yes") << point;
    cut += capped;
  }
  EXPECT_GT(cut, 0);
  EXPECT_LT(cut, 12);
  EXPECT_EQ(QImage(QString::fromStdString(folder.File("map.png"))).size(), QSize(640, 480));
}

TEST(SweepFiles, SameFilesOnAnyNumberOfThreadsAndAsShardsMerged) {
  for (const Args &analysis : {Args{}, Words("--analyse --starts 4")}) {
    SCOPED_TRACE(analysis.empty() ? "not analysed" : "analysed");
    ScratchFolder folder;
    const Args sweep = Joined(Joined(kSeries, kGrid), analysis);
    for (const char *jobs : {"1", "2"})
      ASSERT_EQ(RunSweep(folder.Path(), Joined(sweep, {"--jobs", jobs, "--final",
                                                       std::string("jobs") + jobs + ".mrv"}))
                    .exitCode,
                0);
    // Three shards run by GNU parallel, merged in another order.
    const Outcome p = RunProgram(
        "parallel", folder.Path(),
        Joined(Joined(Words(std::string("--will-cite --halt now,fail=1 ") + MORVANE_SWEEP_PATH),
                      sweep),
               Words("--shard {}/3 --final shard{}.mrv ::: 0 1 2")));
    ASSERT_EQ(p.exitCode, 0) << p.err;
    ASSERT_EQ(RunSweep(folder.Path(), Words("--merge merged.mrv shard2.mrv shard0.mrv shard1.mrv"))
                  .exitCode,
              0);
    ExpectSameSweepFiles(folder.File("jobs1"), {folder.File("jobs2"), folder.File("merged")});
    EXPECT_EQ(LfLines(ReadWholeFile(folder.File("shard1.tsv"))).size(), 6u); // points 1, 4, 7, 10
  }
}

TEST(SweepRefusal, BadInputIsRefusedAndNothingWritten) {
  const Refusal cases[] = {
      {Words("--vary speed=0:1:3"), "speed is no numeric parameter"},
      {Words("--vary trade-off=0:1:3"), "trade-off is no numeric parameter"},
      {Words("--vary fAB=0:1:3"), "has no parameter fAB"},
      {Words("--vary x=0:1.5:4"), "x out of Range"},
      {Words("--vary i=0:10:3"), "i out of Range"},
      {Words("--vary x=0:1:0"), "COUNT must be"},
      {Words("--vary x=0:1"), "NAME=FROM:TO:COUNT"},
      {Words("--vary x=0:1:1"), "one point needs FROM = TO"},
      {Words("--vary p=0:1:3 --DG 0.1"), "DG0 out of Range at p=0 (point 0)"},
      {Words("--vary c=0.3:0.7:3 --trade-off linear --ess"), "as c<0.5"},
      {Words("--vary c=0.7:0.3:3 --trade-off linear --ess"), "ESS at c=0.3 (point 2)"},
      {Words("--vary x=0:1:3 --x 0.5"), "--x cannot be given with --vary x"},
      {Words("--vary x=0:1:3 --vary x=0:1:2"), "--vary x is given twice"},
      {Words("--vary x=0:1:3 --vary c=0.1:0.2:2 --vary d=0.1:1:2"), "at most two"},
      {Words("--vary x=0:1:3 --shard 3/3"), "K must be below N"},
      {Words("--vary x=0:1:3 --shard 1/0"), "--shard needs K/N"},
      {Words("--vary x=0:1:3 --jobs 0"), "--jobs needs"},
      {Words("--vary x=0:1:3 --detail d.gnr"), "--trace-dir"},
      {Words("--vary x=0:1:3 --vary c=0.1:0.2:2 --map m.jpg"), ".png, .svg or .pdf"},
      {Words("--vary x=0:1:3 --vary c=0.1:0.2:2 --map m.png --map-of fAB"),
       "--map-of must be one of p, q, DG, Fit, T for this sweep"},
      {Words("--vary x=0:1:3 --starts 9"), "give --analyse too"},
      {Words("--vary x=0:1:3 --analyse --starts 3"), "--starts needs a whole number from 4"},
  };
  for (const Refusal &c : cases)
    ExpectRefused(MORVANE_SWEEP_PATH,
                  {Joined(Words("--model haploid-local --final s.mrv"), c.args), c.message});
}

// The haploid Levene case: A's polymorphism is protected exactly for
// 0.4 < c < 0.6; outside, the allele whose habitat is the rarer is lost, and
// the other's invasion eigenvalue there is c W1(a)/W1(A) + (1-c) W2(a)/W2(A)
// (A fixed) or c W1(A)/W1(a) + (1-c) W2(A)/W2(a) (A lost). With i = j = 1
// every q is an equilibrium (an eigenvalue 1: neutral). A cap of 3
// generations leaves every point unconverged.
TEST(SweepAnalysis, EndStatesClassedAsTheTheorySays) {
  const Args levene = Words("--model haploid-local --x 1 --d 1 --W1A 0.9 --W2A 0.6 --W1a 0.6 "
                            "--W2a 0.9 --analyse");
  struct Case {
    std::size_t point;
    const char *classA, *classB, *stability;
    double lambdaA; // 0: empty
  } cases[] = {{0, "a fixed", "polymorphic", "neutral", 0.3 * 1.5 + 0.7 / 1.5},
               {1, "a fixed", "polymorphic", "neutral", 0.35 * 1.5 + 0.65 / 1.5},
               {3, "polymorphic", "polymorphic", "neutral", 0},
               {4, "polymorphic", "polymorphic", "neutral", 0},
               {5, "polymorphic", "polymorphic", "neutral", 0},
               {7, "A fixed", "polymorphic", "neutral", 0.65 / 1.5 + 0.35 * 1.5},
               {8, "A fixed", "polymorphic", "neutral", 0.7 / 1.5 + 0.3 * 1.5}};
  for (const Args &cap : {Args{}, Words("--max-generations 3")}) {
    ScratchFolder folder;
    const Outcome o = RunSweep(
        folder.Path(),
        Joined(Joined(levene, Words("--i 1 --j 1 --vary c=0.3:0.7:9 --final s.mrv")), cap));
    ASSERT_EQ(o.exitCode, 0) << o.err;
    const std::vector<std::string> rows = LfLines(ReadWholeFile(folder.File("s.tsv")));
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows[1], "point\tc\tT\tp\tq\tDG\tFit\tconverged\tclassA\tclassB\tstability\t"
                       "radius\tlambdaA\tlambdaB");
    for (const Case &c : cases) {
      const Args row = TabFields(rows[c.point + 2]);
      ASSERT_EQ(row.size(), 14u) << rows[c.point + 2];
      if (!cap.empty() && c.point != 4) { // c = 0.5 starts on its equilibrium
        EXPECT_EQ(Args(row.begin() + 7, row.begin() + 10),
                  (Args{"no", "not converged", "not converged"}));
        continue;
      }
      EXPECT_EQ(Args(row.begin() + 7, row.begin() + 11),
                (Args{"yes", c.classA, c.classB, c.stability}))
          << rows[c.point + 2];
      EXPECT_EQ(TextToReal(row[11]).value_or(0), 1.0) << "radius";
      if (c.lambdaA == 0)
        EXPECT_EQ(row[12], "");
      else
        EXPECT_NEAR(TextToReal(row[12]).value_or(0), c.lambdaA, 1e-12);
      EXPECT_EQ(row[13], ""); // B is kept
    }
  }
  // Choosier (i = j = 2): B fixed, the polymorphism stable, the only stable
  // equilibrium among those found from 9 starts.
  ScratchFolder folder;
  ASSERT_EQ(RunSweep(folder.Path(), Joined(levene, Words("--i 2 --j 2 --vary c=0.5:0.5:1 "
                                                         "--starts 9 --final choosy.mrv")))
                .exitCode,
            0);
  const Args row = TabFields(LfLines(ReadWholeFile(folder.File("choosy.tsv"))).at(2));
  ASSERT_EQ(row.size(), 15u);
  EXPECT_EQ(Args(row.begin() + 8, row.begin() + 11), (Args{"polymorphic", "B fixed", "stable"}));
  EXPECT_EQ(row[14], "1");
}

TEST(SweepRefusal, ShardsOfDifferentOrIncompleteSweepsAreNotMerged) {
  ScratchFolder folder;
  for (const std::string shard : {"0", "1"})
    for (const std::string c : {"0.4", "0.6"})
      ASSERT_EQ(RunSweep(folder.Path(), Joined(Words("--model clonal --vary x=0:1:3"),
                                               {"--c", c, "--shard", shard + "/2", "--final",
                                                "c" + c + "-" + shard + ".mrv"}))
                    .exitCode,
                0);
  const std::string cut = folder.File("c0.6-1.tsv");
  const std::string rows = ReadWholeFile(cut);
  WriteWholeFile(cut, rows.substr(0, rows.rfind('\n', rows.size() - 2) + 1));
  // The same shard under another name; a shard given by both of its files is
  // one shard.
  for (const char *ending : {".mrv", ".tsv"})
    WriteWholeFile(folder.File(std::string("copy") + ending),
                   ReadWholeFile(folder.File(std::string("c0.4-0") + ending)));
  ExpectMergesRefused(
      MORVANE_SWEEP_PATH, folder,
      {{Words("c0.4-0.mrv c0.6-0.mrv"), "come from different sweeps"},
       {Words("c0.4-0.mrv copy.tsv"), "shard 0/2 is given twice"},
       {Words("c0.4-1.mrv c0.4-1.tsv"), "shard 0/2 is missing"},
       {Words("c0.6-0.mrv c0.6-1.mrv"), "was it cut short?"},
       {Words("c0.4-0.mrv none.mrv"), "cannot read none.mrv: Fichier introuvable"}});
  EXPECT_EQ(RunSweep(folder.Path(), Words("--merge out.mrv c0.4-1.mrv c0.4-0.mrv")).exitCode, 0);
}

TEST(SweepFiles, InitialValueBesideTheFinalOneAndATraceFolderThatCannotBeMade) {
  ScratchFolder folder;
  const Args sweep = Words("--model haploid-local --vary q=0.1:0.7:4");
  ASSERT_EQ(RunSweep(folder.Path(), Joined(sweep, Words("--final s.mrv"))).exitCode, 0);
  EXPECT_EQ(TabFields(LfLines(ReadWholeFile(folder.File("s.tsv"))).at(1))[1], "q0");
  // The file error, and no result file.
  const Outcome bad =
      RunSweep(folder.Path(), Joined(sweep, Words("--final t.mrv --trace-dir no/such")));
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "Fichier introuvable\nno/such\n");
  EXPECT_FALSE(FileExists(folder.File("t.mrv")));
}

TEST(SweepProgress, ShownOnATerminal) {
  ScratchFolder folder;
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0)
    GTEST_SKIP() << "no pseudo-terminal can be opened here (is /dev/pts mounted?)";
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

// The texts of an SVG picture, in the order drawn.
std::vector<std::string> SvgTexts(const std::string &svg) {
  std::vector<std::string> texts;
  for (std::size_t at = 0; (at = svg.find("</text>", at)) != std::string::npos; ++at) {
    const std::size_t open = svg.rfind('>', at - 1);
    texts.push_back(svg.substr(open + 1, at - open - 1));
  }
  return texts;
}

// The figure of a real sweep over a grid whose values are not round: a map
// over two parameters, a diagram of the outputs over one, in each format;
// an analysed sweep's outcome (classes named in the legend, or on the
// diagram's axis) and invasion maps.
TEST(SweepFigure, MapAndDiagramOfARealSweepWithRoundTicks) {
  struct Case {
    const char *grid, *map;
    Args shown, hidden; // texts that the figure has and has not
  };
  const Case cases[] = {
      {"--vary x=0:1:3 --vary c=0.1:0.9:7",
       "map.svg",
       {"x", "c", "0.2", "0.8", "Final p (\u00d7 not converged)"},
       {"q"}},
      {"--vary c=0.1:0.9:7",
       "diagram.svg",
       {"c", "p", "q", "DG", "Frequency", "not converged"},
       {"Fit"}},
      {"--vary x=0:1:3 --vary c=0.1:0.9:7 --analyse --map-of class",
       "class.svg",
       {"Outcome (\u00d7 not converged)", "A fixed, B polymorphic", "a fixed, B polymorphic",
        "A polymorphic, B polymorphic", "not converged"},
       {"A fixed, B fixed", "Final p (\u00d7 not converged)"}},
      {"--vary x=0:1:3 --vary c=0.1:0.9:7 --analyse --map-of lambdaA",
       "invasion.svg",
       {"Invasion of A (\u00d7 not converged)", "0.5", "1", "1.5"},
       {}},
      {"--vary c=0.1:0.9:7 --analyse --map-of class",
       "classes.svg",
       {"A fixed, B polymorphic", "a fixed, B polymorphic"},
       {"p"}},
      {"--vary c=0.1:0.9:7", "diagram.png", {}, {}},
      {"--vary x=0:1:3 --vary c=0.1:0.9:7", "map.pdf", {}, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.map);
    ScratchFolder folder;
    const Outcome o =
        RunSweep(folder.Path(),
                 Joined(Joined(kSeries, Words(c.grid)),
                        Words(std::string("--final s.mrv --map-size 500x400 --map ") + c.map)));
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.err, "");
    const std::string figure = ReadWholeFile(folder.File(c.map));
    if (HasEnding(c.map, ".png")) {
      // 500 x 400 pixels at 100 to the inch, and the PNG says so.
      const QImage image(QString::fromStdString(folder.File(c.map)));
      EXPECT_EQ(image.size(), QSize(500, 400));
      EXPECT_EQ(image.dotsPerMeterX(), 3937);
    } else if (HasEnding(c.map, ".pdf")) {
      EXPECT_EQ(figure.compare(0, 5, "%PDF-"), 0);
    } else {
      EXPECT_NE(figure.find("viewBox=\"0 0 360 288\""), std::string::npos); // 5 x 4 in
      const Args texts = SvgTexts(figure);
      for (const std::string &text : c.shown)
        EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
      for (const std::string &text : c.hidden)
        EXPECT_EQ(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
      // Tick labels are round (0.2, 0.0005, 2.5...), never the grid's 0.2333...
      for (const std::string &text : texts) {
        std::string digits;
        for (const char ch : text)
          if (std::isdigit(static_cast<unsigned char>(ch)) && (ch != '0' || !digits.empty()))
            digits += ch;
        if (TextToReal(text)) {
          EXPECT_LE(digits.find_last_not_of('0') + 1, 2u) << text;
        }
      }
    }
  }
}

} // namespace
} // namespace morvane
