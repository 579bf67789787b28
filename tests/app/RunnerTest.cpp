// morvane-run as a program: its files compared with those of the same series
// written through the core, its refusals, its file errors and its output.
#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "ProgramTestSupport.h"
#include "RunLoopTestSupport.h"
#include "WorkedExample.h"
#include "engine/FieldRules.h"
#include "engine/Series.h"
#include "engine/TradeOff.h"
#include "files/FinalFile.h"
#include "files/NumberFormat.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace morvane {
namespace {

using testing::CrLfLines;
using testing::PrepareSeries;
using testing::ReadWholeFile;
using testing::RecordingDisplay;
using testing::ScratchFolder;
using testing::TabFields;

using testing::FolderEntries;
using testing::Outcome;

Outcome RunRunner(const std::string &folder, const std::vector<std::string> &args) {
  return testing::RunProgram(MORVANE_RUN_PATH, folder, args);
}

std::vector<std::string> OutLines(const std::string &out) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find('\n', start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "stdout does not end with a line end";
      break;
    }
    lines.push_back(out.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Works in another folder for the lifetime of the object, so that the fixed
// Plot file name of the core series lands where the runner's does.
class InFolder {
public:
  explicit InFolder(const std::string &folder) {
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
      throw std::runtime_error("getcwd failed");
    previous_ = buffer;
    if (::chdir(folder.c_str()) != 0)
      throw std::runtime_error("chdir failed");
  }
  ~InFolder() {
    if (::chdir(previous_.c_str()) != 0)
      ADD_FAILURE() << "cannot go back to " << previous_;
  }

private:
  std::string previous_;
};

const std::vector<std::string> kFiles = {"--final", "results.mrv", "--detail", "run.gnr"};

std::vector<std::string> WithFiles(std::vector<std::string> args) {
  args.insert(args.begin(), kFiles.begin(), kFiles.end());
  return args;
}

// ---------------------------------------------------------------------------
// The runner's files equal those of the same series through the core.

// The options of the shared moving parameters and start.
std::vector<std::string> MovingArgs(Model model) {
  const testing::Params p;
  const testing::Start start;
  std::vector<std::string> args;
  const auto add = [&args](const char *name, double value) {
    args.insert(args.end(), {std::string("--") + name, RealToText(value)});
  };
  for (const auto &[name, value] : {std::pair{"x", p.x},
                                    {"d", p.d},
                                    {"c", p.c},
                                    {"i", double(p.i)},
                                    {"j", double(p.j)},
                                    {"W1A", p.W1A},
                                    {"W2A", p.W2A},
                                    {"W1a", p.W1a},
                                    {"W2a", p.W2a},
                                    {"L", p.L}})
    add(name, value);
  if (model == Model::Clonal) {
    for (int k = 0; k < 4; ++k)
      add(std::array{"fAB", "fAb", "faB", "fab"}[k], start.clones[k]);
  } else {
    add("p", start.p);
    add("q", start.q);
    add("DG", start.DG);
  }
  return args;
}

struct RunnerSeries {
  const char *name;
  Model model;
  std::vector<std::string> args; // after the files and, if moving, MovingArgs
  bool moving;
  // The input window's values when not moving, as its Go stores them.
  std::function<void(SimState &)> parameters;
  // The disturbances, one rerun each.
  std::vector<std::function<void(SimState &, RecordingDisplay &)>> reruns;
  // Fields of the Final record: column and text.
  std::vector<std::pair<int, std::string>> record;
};

const RunnerSeries kRunnerSeries[] = {
    {"HaploidLocalWithADisturbance",
     Model::HaploidLocal,
     {"--model", "haploid-local", "--disturb", "p=0.8,q=0.2,DG=-0.02"},
     true,
     nullptr,
     {[](SimState &s, RecordingDisplay &d) {
       EXPECT_EQ(RerunHaploidSeries(s, d, 0.8, 0.2, -0.02), Model::HaploidLocal);
     }},
     {}},
    {"HaploidGlobalUnderTheConvexTradeOff",
     Model::HaploidGlobal,
     {"--model",     "haploid-global",
      "--x",         "0.2",
      "--c",         "0.4",
      "--i",         "2",
      "--W1A",       "0.7",
      "--W1a",       "0.4",
      "--trade-off", "convex",
      "--p",         "0.6",
      "--q",         "0.3",
      "--disturb",   "p=0.1,q=0.9,DG=0.005",
      "--disturb",   "p=0.5,q=0.5,DG=-0.1"},
     false,
     [](SimState &s) {
       s.SoftProp = 0.2;
       s.HabFreq = 0.4;
       s.TriesAB = 2;
       s.W1A = 0.7;
       s.W2A = ConvexTradeOff(0.7);
       s.W1a = 0.4;
       s.W2a = ConvexTradeOff(0.4);
       s.TradeOffStatus = "ConvTO";
       s.FreqA = 0.6;
       s.FreqB = 0.3;
     },
     {[](SimState &s, RecordingDisplay &d) {
        EXPECT_EQ(RerunHaploidSeries(s, d, 0.1, 0.9, 0.005), Model::HaploidGlobal);
      },
      [](SimState &s, RecordingDisplay &d) {
        EXPECT_EQ(RerunHaploidSeries(s, d, 0.5, 0.5, -0.1), Model::HaploidGlobal);
      }},
     {{4, "0.51"}, {14, "ConvTO"}}}, // W2(A) = 1 - 0.7 * 0.7
    {"DiploidLocalWithANewDG",
     Model::DiploidLocal,
     {"--model", "diploid-local", "--disturb", "p=0.8,q=0.2,DG=-0.02"},
     true,
     nullptr,
     {[](SimState &s, RecordingDisplay &d) {
       EXPECT_EQ(RerunDiploidSeriesWithDG(s, d, 0.8, 0.2, -0.02), Model::DiploidLocal);
     }},
     {}},
    {"DiploidGlobalWithANewFitAndTheEss",
     Model::DiploidGlobal,
     {"--model", "diploid-global", "--x", "0.5", "--c", "0.7", "--W1a", "0.3", "--trade-off",
      "linear", "--ess", "--p", "0.4", "--q", "0.5", "--disturb", "p=0.2,q=0.7,Fit=-0.2", "--L",
      "0.0001"},
     false,
     [](SimState &s) {
       s.SoftProp = 0.5;
       s.HabFreq = 0.7;
       // The window runs on the ESS values as its fields show them.
       const double ess = EssW1A(0.7, 0.5, 1);
       s.W1A = ShownValue(ess);
       s.W2A = ShownValue(1 - ess);
       s.W1a = 0.3;
       s.W2a = 0.7;
       s.StopThreshold = 0.0001;
       s.TradeOffStatus = "LinTO";
       s.ESSStatus = "LinESS";
       s.FreqA = 0.4;
       s.FreqB = 0.5;
     },
     {[](SimState &s, RecordingDisplay &d) {
       EXPECT_EQ(RerunDiploidSeriesWithFit(s, d, 0.2, 0.7, -0.2), Model::DiploidGlobal);
     }},
     {{3, "0.80"}, {14, "LinTO"}, {15, "LinESS"}}}, // W1(A) of the ESS for x = 0.5, c = 0.7
    {"ClonalWithADisturbanceBroughtToSumOne",
     Model::Clonal,
     {"--model", "clonal", "--disturb", "fAB=0.3,fAb=0.3,faB=0.6,fab=0"},
     true,
     nullptr,
     {[](SimState &s, RecordingDisplay &d) {
       const double sum = 0.3 + 0.3 + 0.6 + 0;
       RerunClonalSeries(s, d, {0.3 / sum, 0.3 / sum, 0.6 / sum, 0});
     }},
     {{17, "Clonal"}, {18, "PlotCloneFile.plo"}}},
};

void PrintTo(const RunnerSeries &c, std::ostream *os) { *os << c.name; }

class RunnerFiles : public ::testing::TestWithParam<RunnerSeries> {};

INSTANTIATE_TEST_SUITE_P(Series, RunnerFiles, ::testing::ValuesIn(kRunnerSeries),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_P(RunnerFiles, SameFilesAsTheCoreSeries) {
  const RunnerSeries &c = GetParam();
  const bool clonal = c.model == Model::Clonal;
  ScratchFolder runnerFolder;
  std::vector<std::string> args = c.moving ? MovingArgs(c.model) : std::vector<std::string>{};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const Outcome o = RunRunner(runnerFolder.Path(), WithFiles(args));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.err, "");

  // The same series through the core, in the main window's and the input
  // window's order; the generation count at the end of each run.
  ScratchFolder coreFolder;
  SimState s;
  std::vector<std::string> runEnds;
  {
    InFolder in(coreFolder.Path());
    if (c.moving) {
      PrepareSeries(s, c.model, "");
    } else {
      PrepareSeries(s, c.model, "", testing::kWindowDefaults, testing::kEquilibriumStart);
      c.parameters(s);
    }
    RecordingDisplay display;
    if (clonal)
      StartClonalSeries(s, display);
    else
      ASSERT_EQ(StartSexualSeries(s, display), c.model);
    runEnds.push_back(std::to_string(s.Generation));
    for (const auto &rerun : c.reruns) {
      rerun(s, display);
      runEnds.push_back(std::to_string(s.Generation));
    }
    if (clonal)
      StopClonalSeries(s);
    else
      StopSexualSeries(s);
  }
  for (const std::string &name : {std::string("results.mrv"), std::string("run.gnr"),
                                  std::string(clonal ? kClonePlotFileName : kSexPlotFileName)}) {
    const std::string core = ReadWholeFile(coreFolder.File(name));
    EXPECT_FALSE(core.empty()) << name;
    EXPECT_EQ(ReadWholeFile(runnerFolder.File(name)), core) << name;
  }
  EXPECT_EQ(FolderEntries(runnerFolder.Path()).size(), 3u);

  // One stdout line per run: run number, T at its end, then 4 values.
  const std::vector<std::string> lines = OutLines(o.out);
  ASSERT_EQ(lines.size(), runEnds.size());
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::vector<std::string> fields = TabFields(lines[k]);
    ASSERT_EQ(fields.size(), 6u) << lines[k];
    EXPECT_EQ(fields[0], std::to_string(k + 1));
    EXPECT_EQ(fields[1], runEnds[k]);
  }
  const std::vector<std::string> record =
      TabFields(CrLfLines(ReadWholeFile(runnerFolder.File("results.mrv"))).at(1));
  for (const auto &[column, text] : c.record)
    EXPECT_EQ(record.at(column), text) << "column " << column;
}

TEST(RunnerFiles, DefaultsGiveTheWorkedExample) {
  ScratchFolder folder;
  const Outcome o = RunRunner(folder.Path(), WithFiles({"--model", "haploid-local"}));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out, "1\t1\t0.5\t0.5\t0\t0\n");
  EXPECT_EQ(ReadWholeFile(folder.File("run.gnr")),
            worked::kDetailHeader + worked::kDetailParameters + worked::kDetailGeneration1);
  EXPECT_EQ(ReadWholeFile(folder.File("PlotSexFile.plo")),
            worked::kPlotLine0 + worked::kPlotGeneration1);
  EXPECT_EQ(ReadWholeFile(folder.File("results.mrv")), worked::kFinalHeader + worked::kFinalRecord);
}

TEST(RunnerFiles, ExistingFinalFileIsAppendedToAndDetailFileEmptied) {
  ScratchFolder folder;
  {
    // An earlier series' files.
    CreateEmptyFile(folder.File("results.mrv"));
    AppendToFile(folder.File("results.mrv"), "earlier\r\n");
    CreateEmptyFile(folder.File("run.gnr"));
    AppendToFile(folder.File("run.gnr"), "old detail\r\n");
  }
  const Outcome o = RunRunner(folder.Path(), WithFiles({"--model=clonal", "--plot=mine.plo"}));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> final = CrLfLines(ReadWholeFile(folder.File("results.mrv")));
  ASSERT_EQ(final.size(), 2u);
  EXPECT_EQ(final[0], "earlier");
  EXPECT_EQ(TabFields(final[1])[18], "mine.plo");
  EXPECT_EQ(TabFields(CrLfLines(ReadWholeFile(folder.File("run.gnr"))).at(0))[1], "f(AB)");
  EXPECT_FALSE(FileExists(folder.File("PlotCloneFile.plo")));
  EXPECT_TRUE(FileExists(folder.File("mine.plo")));
}

TEST(RunnerFiles, CountsAreTruncatedTowardZero) {
  ScratchFolder folder;
  const Outcome o =
      RunRunner(folder.Path(), WithFiles({"--model", "diploid-local", "--i", "2.7", "--j=1000.9"}));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> parameters =
      TabFields(CrLfLines(ReadWholeFile(folder.File("run.gnr"))).at(1));
  EXPECT_EQ(parameters[13], "2");
  EXPECT_EQ(parameters[14], "1000");
}

// ---------------------------------------------------------------------------
// Refused arguments: the window's message, exit status 2, no file touched.

struct Refusal {
  std::vector<std::string> args;
  std::string message;
};

TEST(RunnerRefusal, BadValuesAreRefusedBeforeAnyFileIsTouched) {
  const std::vector<Refusal> cases = {
      {{"--model", "haploid-local", "--x", "1.5"}, "x out of Range"},
      {{"--model", "haploid-local", "--x", "abc"}, "x out of Range"},
      {{"--model", "haploid-local", "--x", ""}, "x out of Range"},
      {{"--model", "clonal", "--x", "-0.2"}, "x out of Range"},
      {{"--model", "haploid-local", "--d", "0.00005"}, "d out of Range"},
      {{"--model", "haploid-local", "--c", "1"}, "c out of Range"},
      {{"--model", "haploid-local", "--c", "0.99991"}, "c out of Range"},
      {{"--model", "haploid-local", "--i", "0"}, "i out of Range"},
      {{"--model", "haploid-local", "--i", "1001"}, "i out of Range"},
      {{"--model", "haploid-local", "--i", "-3"}, "i out of Range"},
      {{"--model", "haploid-local", "--j", "70000"}, "j out of Range"},
      {{"--model", "haploid-local", "--j", "1e300"}, "j out of Range"},
      {{"--model", "haploid-local", "--W1A", "1.1"}, "W1(A) out of Range"},
      {{"--model", "haploid-local", "--W2A", "-0.1"}, "W2(A) out of Range"},
      {{"--model", "haploid-local", "--W1a", "2"}, "W1(a) out of Range"},
      {{"--model", "haploid-local", "--W2a", "nan"}, "W2(a) out of Range"},
      {{"--model", "haploid-local", "--L", "0.2"}, "L out of Range"},
      {{"--model", "haploid-local", "--L", "-0.001"}, "L out of Range"},
      {{"--model", "haploid-local", "--p", "1.5"}, "p out of Range"},
      {{"--model", "diploid-local", "--q", "-1"}, "q out of Range"},
      {{"--model", "haploid-local", "--DG", "0.3"}, "DG0 out of Range"},
      {{"--model", "diploid-global", "--p", "0.3", "--q", "0.6", "--DG", "0.15"},
       "DG0 out of Range"},
      {{"--model", "haploid-local", "--p", "1", "--DG", "0.01"}, "DG0 out of Range"},
      {{"--model", "clonal", "--fAB", "1.5"}, "f(AB) out of Range"},
      {{"--model", "clonal", "--fab", "-0.2"}, "f(ab) out of Range"},
      {{"--model", "clonal", "--fAb", "0", "--fab", "0"}, "Sum = 0, very funny!"},
      {{"--model", "haploid-local", "--trade-off", "linear", "--ess", "--c", "0.4"},
       "as c<0.5 [A] cannot be the ESS"},
      {{"--model", "haploid-local", "--ess"}, "--ess needs --trade-off linear"},
      {{"--model", "haploid-local", "--trade-off", "convex", "--ess"},
       "--ess needs --trade-off linear"},
      {{"--model", "haploid-local", "--trade-off", "linear", "--W2A", "0.3"},
       "cannot be given with --trade-off"},
      {{"--model", "haploid-local", "--trade-off", "linear", "--ess", "--W1A", "0.3"},
       "--W1A cannot be given with --ess"},
      {{"--model", "haploid-local", "--trade-off", "steep"}, "--trade-off must be one of"},
      {{"--model", "haploid-local", "--disturb", "p=0.5,q=0.5,DG=0.3"}, "DG out of Range"},
      {{"--model", "haploid-local", "--disturb", "p=1.5,q=0.5,DG=0"}, "p out of Range"},
      {{"--model", "haploid-local", "--disturb", "p=0.5,q=0.5,Fit=0"}, "unknown key Fit"},
      {{"--model", "haploid-local", "--disturb", "p=0.5,q=0.5"}, "DG= is missing"},
      {{"--model", "diploid-local", "--disturb", "p=0.5,q=0.5,Fit=-1.2"}, "Fit out of Range"},
      {{"--model", "diploid-local", "--disturb", "p=0.5,q=0.5,Fit=1.5"}, "Fit out of Range"},
      {{"--model", "diploid-local", "--disturb", "p=0.2,q=0.5,Fit=-0.3"}, "Fit out of Range"},
      {{"--model", "diploid-local", "--disturb", "p=0.5,q=0.5,DG=0,Fit=0"}, "not both"},
      {{"--model", "clonal", "--disturb", "fAB=0,fAb=0,faB=0,fab=0"}, "Sum = 0, very funny!"},
      {{"--model", "clonal", "--disturb", "fAB=0.5,fAb=2,faB=0,fab=0"}, "f(Ab) out of Range"},
      {{"--model", "clonal", "--disturb", "fAB=0.5"}, "fAb= is missing"},
      {{"--model", "clonal", "--p", "0.5"}, "not an option of the clonal model"},
      {{"--model", "haploid-global", "--fAB", "0.5"}, "option of the clonal model only"},
      {{"--model", "triploid"}, "--model must be one of"},
      {{"--x", "0.5"}, "--model is required"},
      {{"--model", "haploid-local", "--x", "0.5", "--x", "0.6"}, "--x is given twice"},
      {{"--model", "haploid-local", "--speed", "3"}, "unknown option --speed"},
      {{"--model", "haploid-local", "stray"}, "unexpected argument"},
      {{"--model", "haploid-local", "--max-generations", "0"}, "--max-generations"},
      {{"--model", "haploid-local", "--max-generations", "-5"}, "--max-generations"},
      {{"--model", "haploid-local", "--plot", "results.mrv"}, "three different files"},
      {{"--model", "haploid-local", "--L"}, "--L needs a value"},
  };
  for (const Refusal &c : cases) {
    ScratchFolder folder;
    const Outcome o = RunRunner(folder.Path(), WithFiles(c.args));
    std::string shown;
    for (const std::string &a : c.args)
      shown += a + " ";
    EXPECT_EQ(o.exitCode, 2) << shown;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << shown << "-> " << o.err;
    EXPECT_EQ(o.out, "") << shown;
    EXPECT_TRUE(FolderEntries(folder.Path()).empty()) << shown;
  }
}

TEST(RunnerRefusal, WindowMessagesStandAloneOnTheirLine) {
  ScratchFolder folder;
  const Outcome o = RunRunner(folder.Path(), WithFiles({"--model", "haploid-local", "--DG", "1"}));
  EXPECT_EQ(o.exitCode, 2);
  EXPECT_EQ(o.err, "DG0 out of Range\n");
}

TEST(RunnerRefusal, MissingFilesAndAnExistingFinalFileLeftAlone) {
  ScratchFolder folder;
  CreateEmptyFile(folder.File("results.mrv"));
  AppendToFile(folder.File("results.mrv"), "kept as it is");
  const Outcome noDetail =
      RunRunner(folder.Path(), {"--model", "haploid-local", "--final", "results.mrv"});
  EXPECT_EQ(noDetail.exitCode, 2);
  EXPECT_NE(noDetail.err.find("--detail is required"), std::string::npos);
  const Outcome noFinal = RunRunner(folder.Path(), {"--model", "clonal", "--detail", "run.gnr"});
  EXPECT_EQ(noFinal.exitCode, 2);
  EXPECT_NE(noFinal.err.find("--final is required"), std::string::npos);
  const Outcome bad = RunRunner(folder.Path(), WithFiles({"--model", "clonal", "--c", "0"}));
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(ReadWholeFile(folder.File("results.mrv")), "kept as it is");
  EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"results.mrv"});

  // The Detail file named like the Final file would empty it.
  const Outcome same = RunRunner(
      folder.Path(), {"--model", "clonal", "--final", "results.mrv", "--detail", "./results.mrv"});
  EXPECT_EQ(same.exitCode, 2);
  EXPECT_NE(same.err.find("three different files"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(folder.File("results.mrv")), "kept as it is");

  // Two spellings of a file that does not exist yet: the Final file created
  // with its header would be emptied at once as Detail file.
  const Outcome sameNew = RunRunner(
      folder.Path(), {"--model", "clonal", "--final", "new.mrv", "--detail", "./new.mrv"});
  EXPECT_EQ(sameNew.exitCode, 2);
  EXPECT_NE(sameNew.err.find("three different files"), std::string::npos);
  EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"results.mrv"});
}

// ---------------------------------------------------------------------------
// File errors, the generation cap and the help text.

TEST(RunnerFileError, DetailFileInAMissingFolder) {
  ScratchFolder folder;
  const Outcome o = RunRunner(folder.Path(), {"--model", "haploid-local", "--final", "results.mrv",
                                              "--detail", "missing/run.gnr"});
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, "Fichier introuvable\nmissing/run.gnr\n");
  EXPECT_EQ(o.out, "");
}

TEST(RunnerFileError, PlotFileOnAFullDevice) {
  if (::access("/dev/full", W_OK) != 0)
    GTEST_SKIP() << "no writable /dev/full here";
  ScratchFolder folder;
  const Outcome o =
      RunRunner(folder.Path(), WithFiles({"--model", "diploid-global", "--plot", "/dev/full"}));
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, "Disque plein\n/dev/full\n");
  EXPECT_EQ(o.out, "");
  // The Final file got its header only: the series never stopped.
  EXPECT_EQ(CrLfLines(ReadWholeFile(folder.File("results.mrv"))).size(), 1u);
}

TEST(RunnerCap, EachRunEndsAfterAtMostNGenerations) {
  ScratchFolder folder;
  std::vector<std::string> args = MovingArgs(Model::HaploidGlobal);
  *(std::find(args.begin(), args.end(), "--L") + 1) = "0"; // runs that would never end
  for (const char *a :
       {"--model", "haploid-global", "--max-generations", "5", "--disturb", "p=0.8,q=0.2,DG=-0.02"})
    args.push_back(a);
  const Outcome o = RunRunner(folder.Path(), WithFiles(args));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> lines = OutLines(o.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(TabFields(lines[0])[1], "5");
  EXPECT_EQ(TabFields(lines[1])[1], "10");
  EXPECT_EQ(o.err, "morvane-run: run 1 ended after 5 generations without converging\n"
                   "morvane-run: run 2 ended after 5 generations without converging\n");
  EXPECT_EQ(CrLfLines(ReadWholeFile(folder.File("run.gnr"))).size(), 12u);
  EXPECT_EQ(CrLfLines(ReadWholeFile(folder.File("PlotSexFile.plo"))).size(), 11u);

  // A run that converges before the cap is not reported.
  ScratchFolder quiet;
  const Outcome q =
      RunRunner(quiet.Path(), WithFiles({"--model", "clonal", "--max-generations", "1"}));
  EXPECT_EQ(q.exitCode, 0);
  EXPECT_EQ(q.err, "");
}

TEST(RunnerHelp, ExplainsEveryOption) {
  ScratchFolder folder;
  const Outcome o = RunRunner(folder.Path(), {"--x", "7", "--help"});
  EXPECT_EQ(o.exitCode, 0);
  for (const char *option : {"--model", "--final", "--detail", "--plot",    "--x",
                             "--d",     "--c",     "--i",      "--j",       "--W1A",
                             "--W2A",   "--W1a",   "--W2a",    "--L",       "--trade-off",
                             "--ess",   "--p",     "--q",      "--DG",      "--fAB",
                             "--fAb",   "--faB",   "--fab",    "--disturb", "--max-generations",
                             "--help"})
    EXPECT_NE(o.out.find(std::string(option) + " "), std::string::npos) << option;
  EXPECT_TRUE(FolderEntries(folder.Path()).empty());
}

} // namespace
} // namespace morvane
