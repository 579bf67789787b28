// The run loop: order of the work per generation, the stop rule, the Fit
// update, the trace lines, and what a file error leaves behind.
#include <cerrno>
#include <cmath>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/RunLoopTestSupport.h"
#include "support/WorkedExample.h"
#include "engine/InitialState.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/DetailFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace morvane {
namespace {

using testing::BuildInitialState;
using testing::CrLfLines;
using testing::PrepareSeries;
using testing::ReadWholeFile;
using testing::RecordingDisplay;
using testing::ScratchFolder;
using testing::Step;
using testing::TabFields;
using testing::WriteWholeFile;

// A state ready for a run of `model` in `folder`, the initial population
// built: moving, or the input windows' initial texts (an equilibrium).
SimState ReadyState(const ScratchFolder &folder, Model model, bool moving) {
  SimState s;
  if (moving)
    PrepareSeries(s, model, folder.Path());
  else
    PrepareSeries(s, model, folder.Path(), testing::kWindowDefaults, testing::kEquilibriumStart);
  BuildInitialState(s, model);
  return s;
}

// The generations a run of `model` makes from ReadyState with threshold L.
std::uint32_t GenerationsWith(Model model, bool moving, double L) {
  ScratchFolder folder;
  SimState s = ReadyState(folder, model, moving);
  s.StopThreshold = L;
  RecordingDisplay display;
  RunLoop(model, s, display);
  return s.Generation;
}

std::vector<std::string> FileLines(const std::string &path) {
  return CrLfLines(ReadWholeFile(path));
}

class RunLoopEveryModel : public ::testing::TestWithParam<Model> {};

INSTANTIATE_TEST_SUITE_P(Models, RunLoopEveryModel,
                         ::testing::Values(Model::HaploidLocal, Model::HaploidGlobal,
                                           Model::DiploidLocal, Model::DiploidGlobal,
                                           Model::Clonal));

TEST_P(RunLoopEveryModel, AnEquilibriumStillRunsOneGeneration) {
  ScratchFolder folder;
  SimState s = ReadyState(folder, GetParam(), false);
  RecordingDisplay display;
  RunLoop(GetParam(), s, display);

  EXPECT_EQ(s.Generation, 1u);
  EXPECT_EQ(s.CompletedRuns, 1);
  EXPECT_TRUE(s.StopRequested);
  EXPECT_TRUE(s.LastRunConverged);
  EXPECT_EQ(display.calls,
            (std::vector<std::string>{"show", "display", "events", "hide", "handover"}));
  EXPECT_EQ(display.handedOver, std::vector<Model>{GetParam()});

  std::string detail;
  std::string plot;
  if (GetParam() == Model::Clonal) {
    AppendClonalDetailGenerationLine(detail, s);
    AppendClonalPlotGenerationLine(plot, s);
  } else {
    AppendSexualDetailGenerationLine(detail, s);
    AppendSexualPlotGenerationLine(plot, s);
  }
  EXPECT_EQ(ReadWholeFile(s.DetailFile.Name), detail);
  EXPECT_EQ(ReadWholeFile(s.PlotFile.Name), plot);
}

TEST(RunLoop, HaploidEquilibriumLinesAreTheWorkedExample) {
  ScratchFolder folder;
  SimState s = ReadyState(folder, Model::HaploidLocal, false);
  RecordingDisplay display;
  RunLoop(Model::HaploidLocal, s, display);
  EXPECT_EQ(ReadWholeFile(s.DetailFile.Name), worked::kDetailGeneration1);
  EXPECT_EQ(ReadWholeFile(s.PlotFile.Name), worked::kPlotGeneration1);
}

TEST_P(RunLoopEveryModel, ZeroThresholdStopsOnlyOnExactZeros) {
  // At the equilibrium both changes are exactly 0: one generation.
  EXPECT_EQ(GenerationsWith(GetParam(), false, 0), 1u);
  {
    // A moving population never meets L = 0; the test ends it from outside.
    ScratchFolder folder;
    SimState s = ReadyState(folder, GetParam(), true);
    s.StopThreshold = 0;
    RecordingDisplay display;
    display.onEvents = [&s](int round) {
      EXPECT_FALSE(s.StopRequested) << "round " << round;
      EXPECT_TRUE(s.DeltaP != 0 || s.DeltaQ != 0);
      if (round == 25)
        s.StopRequested = true;
    };
    RunLoop(GetParam(), s, display);
    EXPECT_EQ(s.Generation, 25u);
    EXPECT_EQ(FileLines(s.DetailFile.Name).size(), 25u);
  }
}

TEST_P(RunLoopEveryModel, AChangeEqualToTheThresholdCountsAsConverged) {
  // The changes of the first generation, from a copy of the state.
  ScratchFolder probeFolder;
  SimState probe = ReadyState(probeFolder, GetParam(), true);
  Step(GetParam(), probe);
  const double largest = std::fmax(std::fabs(probe.DeltaP), std::fabs(probe.DeltaQ));
  ASSERT_GT(largest, 0);

  EXPECT_EQ(GenerationsWith(GetParam(), true, largest), 1u);
  {
    ScratchFolder folder;
    SimState s = ReadyState(folder, GetParam(), true);
    s.StopThreshold = std::nextafter(largest, 0.0);
    RecordingDisplay display;
    display.onEvents = [&s](int round) {
      if (round == 1) {
        EXPECT_FALSE(s.StopRequested);
        s.StopRequested = true;
      }
    };
    RunLoop(GetParam(), s, display);
    EXPECT_EQ(s.Generation, 1u);
    EXPECT_EQ(display.eventRounds, 1);
  }
}

TEST_P(RunLoopEveryModel, DisplayShowsTheCountersLeftByThePreviousGeneration) {
  ScratchFolder folder;
  SimState s = ReadyState(folder, GetParam(), true);
  s.Generation = 40; // a rerun continues the count of its series
  s.DeltaP = 0.125;  // whatever the state holds before the first generation
  s.DeltaQ = -0.5;
  std::vector<RecordingDisplay::Shown> after;
  RecordingDisplay display;
  display.onEvents = [&](int round) {
    after.push_back({s.Generation, s.DeltaP, s.DeltaQ});
    if (round == 4)
      s.StopRequested = true;
  };
  RunLoop(GetParam(), s, display);

  ASSERT_EQ(display.shown.size(), 4u);
  after.insert(after.begin(), RecordingDisplay::Shown{40, 0.125, -0.5}); // before the first
  for (std::size_t k = 0; k < 4; ++k) {
    const RecordingDisplay::Shown &d = display.shown[k], &a = after[k];
    EXPECT_EQ(std::tie(d.generation, d.deltaP, d.deltaQ),
              std::tie(a.generation, a.deltaP, a.deltaQ))
        << k;
  }
  EXPECT_EQ(after.back().generation, 44u);
  EXPECT_EQ(display.calls,
            (std::vector<std::string>{"show", "display", "events", "display", "events", "display",
                                      "events", "display", "events", "hide", "handover"}));

  // The Detail and Plot lines carry T = 41 .. 44.
  const std::vector<std::string> detail = FileLines(s.DetailFile.Name);
  const std::vector<std::string> plot = FileLines(s.PlotFile.Name);
  ASSERT_EQ(detail.size(), 4u);
  ASSERT_EQ(plot.size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(TabFields(detail[k])[0], std::to_string(41 + k));
    EXPECT_EQ(TabFields(detail[k]).size(), 8u);
    EXPECT_EQ(TabFields(detail[k])[7], "");
    EXPECT_EQ(TabFields(plot[k])[0], std::to_string(41 + k));
    EXPECT_EQ(TabFields(plot[k]).size(), 5u);
  }
}

TEST(RunLoop, StopRequestedByAnEventHandlerEndsTheRunAfterThatGeneration) {
  ScratchFolder folder;
  SimState s = ReadyState(folder, Model::DiploidGlobal, true);
  s.CompletedRuns = 2;
  RecordingDisplay display;
  display.onEvents = [&s](int round) {
    if (round == 3)
      s.StopRequested = true;
  };
  RunLoop(Model::DiploidGlobal, s, display);
  EXPECT_EQ(s.Generation, 3u);
  EXPECT_EQ(s.CompletedRuns, 3);
  EXPECT_FALSE(s.LastRunConverged); // interrupted, not at equilibrium
  EXPECT_EQ(FileLines(s.DetailFile.Name).size(), 3u);
  EXPECT_EQ(FileLines(s.PlotFile.Name).size(), 3u);
  EXPECT_EQ(display.handedOver, std::vector<Model>{Model::DiploidGlobal});
}

TEST(RunLoop, FitAfterEachGeneration) {
  struct Case {
    Model model;
    bool fixA;
    double (*fit)(const SimState &);
  };
  const Case cases[] = {
      // Diploids: from the heterozygotes at locus A; with A fixed 0, without
      // a division by zero.
      {Model::DiploidLocal, false,
       [](const SimState &s) { return 1 - s.Heteroz / (2 * s.FreqA * (1 - s.FreqA)); }},
      {Model::DiploidGlobal, true, [](const SimState &) { return 0.0; }},
      // Haploids: always 0. Clones keep no Fit: the loop leaves it alone.
      {Model::HaploidGlobal, false, [](const SimState &) { return 0.0; }},
      {Model::Clonal, false, [](const SimState &) { return 0.4; }},
  };
  for (const Case &c : cases) {
    ScratchFolder folder;
    SimState s = ReadyState(folder, c.model, true);
    if (c.fixA) {
      s.FreqA = 1;
      DiploidInitialState(s);
    }
    s.Fit = 0.4;
    RecordingDisplay display;
    display.onEvents = [&s, &c](int round) {
      EXPECT_DOUBLE_EQ(s.Fit, c.fit(s)) << static_cast<int>(c.model) << " round " << round;
      if (round == 4)
        s.StopRequested = true;
    };
    RunLoop(c.model, s, display);
    EXPECT_EQ(display.eventRounds, 4);
  }
}

// A file that fails in the middle of a run, as the user may break it: the
// run ends, the lines written stay, the state is that of the last generation
// both files hold, and once the file is mended the series goes on without a
// gap or a repeated T.
enum class Breakage { DetailDeleted, PlotDeleted, PlotOnAFullDevice, FolderRemoved };

struct BrokenRun {
  Model model;
  Breakage breakage;
};

class RunLoopFileError : public ::testing::TestWithParam<BrokenRun> {};

std::string BrokenRunName(const ::testing::TestParamInfo<BrokenRun> &info) {
  static const char *const names[] = {"DetailDeleted", "PlotDeleted", "PlotOnAFullDevice",
                                      "FolderRemoved"};
  return std::string(names[static_cast<int>(info.param.breakage)]) + "Model" +
         std::to_string(static_cast<int>(info.param.model));
}

INSTANTIATE_TEST_SUITE_P(
    Breakages, RunLoopFileError,
    ::testing::Values(BrokenRun{Model::HaploidLocal, Breakage::DetailDeleted},
                      BrokenRun{Model::DiploidGlobal, Breakage::PlotDeleted},
                      BrokenRun{Model::Clonal, Breakage::PlotOnAFullDevice},
                      BrokenRun{Model::DiploidLocal, Breakage::PlotOnAFullDevice},
                      BrokenRun{Model::HaploidGlobal, Breakage::FolderRemoved}),
    BrokenRunName);

TEST_P(RunLoopFileError, EndsTheRunWithStateAndFilesAtTheLastWholeGeneration) {
  const auto [model, breakage] = GetParam();
  ScratchFolder folder;
  const std::string files = folder.File("files");
  ASSERT_EQ(::mkdir(files.c_str(), 0777), 0);
  SimState s = ReadyState(folder, model, true);
  s.BindDetailFile(files + "/run.gnr");
  s.BindPlotFile(files + "/run.plo");
  CreateEmptyFile(s.DetailFile.Name);
  CreateEmptyFile(s.PlotFile.Name);
  s.CompletedRuns = 4;
  const bool detailFails =
      breakage == Breakage::DetailDeleted || breakage == Breakage::FolderRemoved;
  const std::string failing = detailFails ? s.DetailFile.Name : s.PlotFile.Name;

  // After the second generation: the state and files as they are, then the
  // file breaks.
  SimState atTwo;
  std::string detailAtTwo, plotAtTwo;
  RecordingDisplay display;
  display.onEvents = [&](int round) {
    if (round != 2)
      return;
    atTwo = s;
    detailAtTwo = ReadWholeFile(s.DetailFile.Name);
    plotAtTwo = ReadWholeFile(s.PlotFile.Name);
    switch (breakage) {
    case Breakage::DetailDeleted:
    case Breakage::PlotDeleted:
      ASSERT_EQ(::unlink(failing.c_str()), 0);
      break;
    case Breakage::PlotOnAFullDevice:
      ASSERT_EQ(::unlink(failing.c_str()), 0);
      ASSERT_EQ(::symlink("/dev/full", failing.c_str()), 0);
      break;
    case Breakage::FolderRemoved:
      ASSERT_EQ(std::system(("rm -rf '" + files + "'").c_str()), 0);
      break;
    }
  };
  try {
    RunLoop(model, s, display);
    FAIL() << "the run went on with a broken file";
  } catch (const FileError &e) {
    EXPECT_STREQ(e.what(),
                 breakage == Breakage::PlotOnAFullDevice ? "Disque plein" : "Fichier introuvable");
    EXPECT_EQ(e.Path(), failing);
    ASSERT_FALSE(display.calls.empty());
    EXPECT_EQ(display.calls.back(), "hide");
  }
  EXPECT_TRUE(display.handedOver.empty());
  EXPECT_EQ(s.CompletedRuns, 4);
  // The third generation is undone: the state is the second one's.
  EXPECT_EQ(s.Generation, 2u);
  for (int k = 1; k <= 9; ++k)
    EXPECT_EQ(s.X[k], atTwo.X[k]) << k;
  EXPECT_EQ(
      std::make_tuple(s.FreqA, s.FreqB, s.DG, s.Fit, s.Heteroz, s.W1, s.W2, s.DeltaP, s.DeltaQ),
      std::make_tuple(atTwo.FreqA, atTwo.FreqB, atTwo.DG, atTwo.Fit, atTwo.Heteroz, atTwo.W1,
                      atTwo.W2, atTwo.DeltaP, atTwo.DeltaQ));
  // A Detail line whose Plot line failed is taken back.
  if (breakage != Breakage::FolderRemoved) {
    EXPECT_EQ(ReadWholeFile(s.DetailFile.Name == failing ? s.PlotFile.Name : s.DetailFile.Name),
              s.DetailFile.Name == failing ? plotAtTwo : detailAtTwo);
  }

  // The user mends the file (puts back what it held) and the series goes on.
  ::mkdir(files.c_str(), 0777);
  ::unlink(failing.c_str());
  WriteWholeFile(s.DetailFile.Name, detailAtTwo);
  WriteWholeFile(s.PlotFile.Name, plotAtTwo);
  s.StopRequested = false;
  display.eventRounds = 0;
  display.onEvents = [&s](int round) { s.StopRequested = round == 2; };
  RunLoop(model, s, display);
  EXPECT_EQ(s.CompletedRuns, 5);
  for (const std::string &name : {s.DetailFile.Name, s.PlotFile.Name}) {
    const std::vector<std::string> lines = FileLines(name);
    ASSERT_EQ(lines.size(), 4u) << name;
    for (std::size_t k = 0; k < lines.size(); ++k)
      EXPECT_EQ(TabFields(lines[k])[0], std::to_string(k + 1)) << name;
  }
}

} // namespace
} // namespace morvane
