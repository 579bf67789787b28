// The run loop: order of the work per generation, the stop rule, the Fit
// update, the trace lines, and what a file error leaves behind.
#include <cerrno>
#include <cmath>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "RunLoopTestSupport.h"
#include "WorkedExample.h"
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
  {
    // At the equilibrium both changes are exactly 0: one generation.
    ScratchFolder folder;
    SimState s = ReadyState(folder, GetParam(), false);
    s.StopThreshold = 0;
    RecordingDisplay display;
    RunLoop(GetParam(), s, display);
    EXPECT_EQ(s.Generation, 1u);
  }
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

  {
    ScratchFolder folder;
    SimState s = ReadyState(folder, GetParam(), true);
    s.StopThreshold = largest;
    RecordingDisplay display;
    RunLoop(GetParam(), s, display);
    EXPECT_EQ(s.Generation, 1u);
  }
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
  EXPECT_EQ(display.shown[0].generation, 40u);
  EXPECT_EQ(display.shown[0].deltaP, 0.125);
  EXPECT_EQ(display.shown[0].deltaQ, -0.5);
  for (std::size_t k = 1; k < 4; ++k) {
    EXPECT_EQ(display.shown[k].generation, after[k - 1].generation);
    EXPECT_EQ(display.shown[k].deltaP, after[k - 1].deltaP);
    EXPECT_EQ(display.shown[k].deltaQ, after[k - 1].deltaQ);
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

TEST(RunLoopFileError, DetailFileRemovedDuringARun) {
  ScratchFolder folder;
  SimState s = ReadyState(folder, Model::HaploidLocal, true);
  s.CompletedRuns = 4;
  RecordingDisplay display;
  display.onEvents = [&s](int round) {
    if (round == 2) {
      ASSERT_EQ(::unlink(s.DetailFile.Name.c_str()), 0);
    }
  };
  try {
    RunLoop(Model::HaploidLocal, s, display);
    FAIL() << "the run went on without its Detail file";
  } catch (const FileError &e) {
    EXPECT_EQ(e.Errno(), ENOENT);
    EXPECT_STREQ(e.what(), "Fichier introuvable");
    // The display was hidden before the error reached this caller.
    ASSERT_FALSE(display.calls.empty());
    EXPECT_EQ(display.calls.back(), "hide");
  }
  EXPECT_TRUE(display.handedOver.empty());
  EXPECT_EQ(s.CompletedRuns, 4);
  EXPECT_EQ(s.Generation, 3u);
  // The two Plot lines written before the failure stay; the third generation
  // failed at its Detail line, before its Plot line.
  const std::vector<std::string> plot = FileLines(s.PlotFile.Name);
  ASSERT_EQ(plot.size(), 2u);
  EXPECT_EQ(TabFields(plot[1])[0], "2");
}

TEST(RunLoopFileError, PlotFileOnAFullDevice) {
  if (::access("/dev/full", W_OK) != 0)
    GTEST_SKIP() << "no writable /dev/full here";
  ScratchFolder folder;
  SimState s = ReadyState(folder, Model::Clonal, true);
  s.PlotFileName = s.PlotFile.Name = "/dev/full";
  RecordingDisplay display;
  EXPECT_THROW(RunLoop(Model::Clonal, s, display), FileError);
  EXPECT_EQ(display.calls, (std::vector<std::string>{"show", "display", "hide"}));
  EXPECT_EQ(s.CompletedRuns, 0);
  // The Detail line of the failed generation was written and stays.
  EXPECT_EQ(FileLines(s.DetailFile.Name).size(), 1u);
}

} // namespace
} // namespace morvane
