// Series of runs: preparing the state, starting a series, reruns after a
// disturbance and Stop, with the Detail, Plot and Final files they leave.
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/RunLoopTestSupport.h"
#include "engine/InitialState.h"
#include "engine/Series.h"
#include "engine/TradeOff.h"
#include "files/DetailFile.h"
#include "files/FinalFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace morvane {
namespace {

using testing::Apply;
using testing::BuildInitialState;
using testing::CrLfLines;
using testing::PrepareSeries;
using testing::ReadWholeFile;
using testing::RecordingDisplay;
using testing::ScratchFolder;
using testing::Step;
using testing::TabFields;

TEST(SeriesModel, SexualModelChosenByTheFlagsInTheirOrder) {
  SimState s;
  EXPECT_EQ(SelectedSexualModel(s), std::nullopt);
  s.ModeClonal = true;
  EXPECT_EQ(SelectedSexualModel(s), std::nullopt);
  s.ModeDiploGlobal = true;
  EXPECT_EQ(SelectedSexualModel(s), Model::DiploidGlobal);
  s.ModeDiploLocal = true;
  EXPECT_EQ(SelectedSexualModel(s), Model::DiploidLocal);
  s.ModeHaploGlobal = true;
  EXPECT_EQ(SelectedSexualModel(s), Model::HaploidGlobal);
  s.ModeHaploLocal = true;
  EXPECT_EQ(SelectedSexualModel(s), Model::HaploidLocal);
}

TEST(SeriesModel, ChoosingAModelSetsItsFlagPloidyAndReproduction) {
  struct Case {
    Model model;
    const char *ploidy;
    const char *reproduction;
  };
  const Case cases[] = {{Model::HaploidLocal, "Haploid", "Local"},
                        {Model::HaploidGlobal, "Haploid", "Global"},
                        {Model::DiploidLocal, "Diploid", "Local"},
                        {Model::DiploidGlobal, "Diploid", "Global"},
                        {Model::Clonal, "Haploid", "Clonal"}};
  SimState s;
  s.ModePlot = s.ModeQuit = true;
  for (const Case &c : cases) {
    ChooseModel(s, c.model);
    EXPECT_EQ(s.Ploidy, c.ploidy);
    EXPECT_EQ(s.Reproduction, c.reproduction);
    const int set = s.ModeHaploLocal + s.ModeHaploGlobal + s.ModeDiploLocal + s.ModeDiploGlobal +
                    s.ModeClonal + s.ModePlot + s.ModeQuit;
    EXPECT_EQ(set, 1);
    if (c.model == Model::Clonal)
      EXPECT_TRUE(s.ModeClonal);
    else
      EXPECT_EQ(SelectedSexualModel(s), c.model);
  }
}

TEST(SeriesPrepare, SexualInputResetsTheSeriesButNotTheParameters) {
  ScratchFolder folder;
  const std::string plot = folder.File("PlotSexFile.plo");
  const std::string clonePlot = folder.File("PlotCloneFile.plo");
  CreateEmptyFile(plot);
  AppendToFile(plot, "old series\r\n");
  SimState s;
  s.Generation = 77;
  s.FreqA = 0.9;
  s.FreqB = 0.1;
  s.DG = 0.01;
  s.Fit = 0.3;
  s.SoftProp = 0.3;
  s.W1A = 0.2;
  s.TradeOffStatus = "LinTO";
  s.ESSStatus = "LinESS";
  s.LinTradeOff = true;
  PrepareSexualInput(s, plot);
  EXPECT_EQ(ReadWholeFile(plot), "");
  EXPECT_EQ(s.PlotFileName, plot);
  EXPECT_EQ(s.PlotFile.Name, plot);
  EXPECT_EQ(s.Generation, 0u);
  EXPECT_EQ(testing::SexualStartOf(s), (std::array<double, 3>{0.5, 0.5, 0}));
  EXPECT_EQ(s.Fit, 0.0);
  EXPECT_EQ(s.DGMin, -0.25);
  EXPECT_EQ(s.DGMax, 0.25);
  // The linear flag outlives the series and its rule still ties W2 to W1:
  // the recorded status names it; the ESS option is dropped.
  EXPECT_EQ(s.TradeOffStatus, "LinTO");
  EXPECT_EQ(s.ESSStatus, "NoESS");
  EXPECT_EQ(s.SoftProp, 0.3);
  EXPECT_EQ(s.W1A, 0.2);
  EXPECT_TRUE(s.LinTradeOff);

  // The clonal input has its own Plot file and its own defaults.
  AppendToFile(plot, "kept\r\n");
  PrepareClonalInput(s, clonePlot);
  EXPECT_EQ(ReadWholeFile(plot), "kept\r\n");
  EXPECT_EQ(ReadWholeFile(clonePlot), "");
  EXPECT_EQ(s.PlotFileName, clonePlot);
  EXPECT_EQ(testing::ClonesOf(s), (std::array<double, 4>{0, 0.5, 0, 0.5}));
  EXPECT_EQ(testing::FieldsOf(s.Params()), testing::FieldsOf(kInputWindowParameters));
  EXPECT_EQ(s.TradeOffStatus, "LinTO");
  EXPECT_EQ(s.ESSStatus, "NoESS");

  // With no trade-off flag set, both preparations record "NoTO".
  ChooseTradeOff(s, TradeOffRule::None);
  s.TradeOffStatus = "ConcTO";
  PrepareClonalInput(s, clonePlot);
  EXPECT_EQ(s.TradeOffStatus, "NoTO");
  s.TradeOffStatus = "ConvTO";
  PrepareSexualInput(s, plot);
  EXPECT_EQ(s.TradeOffStatus, "NoTO");
}

TEST(SeriesPrepare, PlotFileThatCannotBeCreatedStopsThePreparation) {
  SimState s;
  s.Generation = 12;
  EXPECT_THROW(PrepareSexualInput(s, "/nonexistent-folder/PlotSexFile.plo"), FileError);
  EXPECT_EQ(s.Generation, 12u);
}

TEST(SeriesStart, NoSexualFlagStartsNothing) {
  ScratchFolder folder;
  SimState s;
  s.ModeClonal = true;
  s.BindDetailFile(folder.File("run.gnr"));
  CreateEmptyFile(s.DetailFile.Name);
  PrepareSexualInput(s, folder.File("PlotSexFile.plo"));
  s.CompletedRuns = 3;
  RecordingDisplay display;
  EXPECT_EQ(StartSexualSeries(s, display), std::nullopt);
  EXPECT_TRUE(display.calls.empty());
  EXPECT_EQ(s.CompletedRuns, 3);
  EXPECT_EQ(ReadWholeFile(s.DetailFile.Name), "");
}

// ---------------------------------------------------------------------------
// Whole series, compared with content built independently from the line
// writers and the generation steps.

struct SeriesCase {
  Model model;
  // Second run: p, q and DG or Fit for the sexual models; clones for clones.
  bool withFit;
  const char *name;
};

// The second run: p, q and DG or Fit, or the clones.
constexpr double kP1 = 0.8, kQ1 = 0.2, kDG1 = -0.02, kFit1 = 0.3;
constexpr std::array<double, 4> kClones1{0.1, 0.2, 0.3, 0.4};

// One run traced into the expected contents, generation by generation.
struct Expected {
  std::string detail;
  std::string plot;
  // The changes of the first run's last generation.
  double endDeltaP = 0;
  double endDeltaQ = 0;
};

void ReferenceRun(Model model, SimState &r, Expected &e) {
  do {
    Step(model, r);
    ++r.Generation;
    if (IsHaploidSexual(model))
      r.Fit = 0;
    if (IsDiploid(model))
      r.Fit = IsFixedFrequency(r.FreqA) ? 0 : 1 - r.Heteroz / (2 * r.FreqA * (1 - r.FreqA));
    if (model == Model::Clonal) {
      AppendClonalDetailGenerationLine(e.detail, r);
      AppendClonalPlotGenerationLine(e.plot, r);
    } else {
      AppendSexualDetailGenerationLine(e.detail, r);
      AppendSexualPlotGenerationLine(e.plot, r);
    }
  } while (!(std::fabs(r.DeltaP) <= r.StopThreshold && std::fabs(r.DeltaQ) <= r.StopThreshold));
  ++r.CompletedRuns;
}

// The two-run series of `c` through the reference, from a state prepared
// like the one under test.
Expected ReferenceSeries(const SeriesCase &c, SimState r, std::uint32_t &firstRunEnd) {
  Expected e;
  if (c.model == Model::Clonal) {
    e.detail = ClonalDetailHeaderLines(r);
    e.plot = ClonalPlotFirstLine(r);
  } else {
    BuildInitialState(r, c.model);
    e.detail = SexualDetailHeaderLines(r);
    e.plot = SexualPlotFirstLine(r);
  }
  r.CompletedRuns = 0;
  ReferenceRun(c.model, r, e);
  firstRunEnd = r.Generation;
  e.endDeltaP = r.DeltaP;
  e.endDeltaQ = r.DeltaQ;

  StoreStartValues(r, c.model, {kP1, kQ1, c.withFit ? 0 : kDG1, kClones1});
  if (c.withFit) {
    r.Fit = kFit1;
    DiploidGenotypesFromFit(r);
  } else {
    BuildInitialState(r, c.model);
  }
  ReferenceRun(c.model, r, e);
  return e;
}

// The series under test: start, one disturbance, stop.
void StartUnderTest(const SeriesCase &c, SimState &s, RecordingDisplay &display) {
  if (c.model == Model::Clonal)
    StartClonalSeries(s, display);
  else
    ASSERT_EQ(StartSexualSeries(s, display), c.model);
}

void RerunUnderTest(const SeriesCase &c, SimState &s, RecordingDisplay &display) {
  std::optional<Model> rerun = c.model;
  if (c.model == Model::Clonal)
    RerunClonalSeries(s, display, kClones1);
  else if (IsHaploidSexual(c.model))
    rerun = RerunHaploidSeries(s, display, kP1, kQ1, kDG1);
  else if (c.withFit)
    rerun = RerunDiploidSeriesWithFit(s, display, kP1, kQ1, kFit1);
  else
    rerun = RerunDiploidSeriesWithDG(s, display, kP1, kQ1, kDG1);
  ASSERT_EQ(rerun, c.model);
}

class SeriesOfTwoRuns : public ::testing::TestWithParam<SeriesCase> {};

INSTANTIATE_TEST_SUITE_P(
    Models, SeriesOfTwoRuns,
    ::testing::Values(SeriesCase{Model::HaploidLocal, false, "HaploidLocal"},
                      SeriesCase{Model::HaploidGlobal, false, "HaploidGlobal"},
                      SeriesCase{Model::DiploidLocal, false, "DiploidLocalNewDG"},
                      SeriesCase{Model::DiploidGlobal, false, "DiploidGlobalNewDG"},
                      SeriesCase{Model::DiploidLocal, true, "DiploidLocalNewFit"},
                      SeriesCase{Model::DiploidGlobal, true, "DiploidGlobalNewFit"},
                      SeriesCase{Model::Clonal, false, "Clonal"}),
    [](const ::testing::TestParamInfo<SeriesCase> &info) { return info.param.name; });

TEST_P(SeriesOfTwoRuns, FilesHoldOneContinuousSeries) {
  const SeriesCase c = GetParam();
  const bool clonal = c.model == Model::Clonal;
  ScratchFolder folder;
  SimState s;
  PrepareSeries(s, c.model, folder.Path());
  std::uint32_t firstRunEnd = 0;
  const Expected expected = ReferenceSeries(c, s, firstRunEnd);

  RecordingDisplay display;
  s.CompletedRuns = 9; // the start of a series resets it
  StartUnderTest(c, s, display);
  RerunUnderTest(c, s, display);
  clonal ? StopClonalSeries(s) : StopSexualSeries(s);

  // Two runs, each handed over at its end, with the counters continuing.
  EXPECT_EQ(display.handedOver, (std::vector<Model>{c.model, c.model}));
  EXPECT_EQ(s.CompletedRuns, 2);
  EXPECT_TRUE(s.StopRequested);
  EXPECT_EQ(s.PlotRows, s.Generation);
  ASSERT_GT(firstRunEnd, 0u);
  ASSERT_GT(s.Generation, firstRunEnd);
  EXPECT_EQ(display.shown.at(firstRunEnd).generation, firstRunEnd);
  // Before the rerun's first generation the display shows the changes the
  // rebuilt population holds: 0 after the haploid initial state, the first
  // run's last changes for diploids and clones, whose rebuilding keeps them.
  ASSERT_NE(expected.endDeltaP, 0.0);
  const bool haploid = IsHaploidSexual(c.model);
  EXPECT_EQ(display.shown.at(firstRunEnd).deltaP, haploid ? 0.0 : expected.endDeltaP);
  EXPECT_EQ(display.shown.at(firstRunEnd).deltaQ, haploid ? 0.0 : expected.endDeltaQ);

  const std::string detail = ReadWholeFile(s.DetailFile.Name);
  const std::string plot = ReadWholeFile(s.PlotFile.Name);
  const std::string final = ReadWholeFile(s.FinalFile.Name);
  EXPECT_EQ(detail, expected.detail);
  EXPECT_EQ(plot, expected.plot);
  EXPECT_EQ(final, FinalHeaderLine() + FinalRecordLine(s, clonal));

  // Structure: one header, T from 1 without a gap across the two runs.
  const std::vector<std::string> detailLines = CrLfLines(detail);
  ASSERT_EQ(detailLines.size(), 2 + s.Generation);
  EXPECT_EQ(TabFields(detailLines[0])[0], "T");
  EXPECT_EQ(TabFields(detailLines[0]).size(), 20u);
  EXPECT_EQ(TabFields(detailLines[1])[0], "0");
  EXPECT_EQ(TabFields(detailLines[1]).size(), 20u);
  for (std::uint32_t t = 1; t <= s.Generation; ++t) {
    const std::vector<std::string> fields = TabFields(detailLines[1 + t]);
    ASSERT_EQ(fields.size(), 8u) << "T = " << t;
    EXPECT_EQ(fields[0], std::to_string(t));
  }
  const std::vector<std::string> plotLines = CrLfLines(plot);
  ASSERT_EQ(plotLines.size(), s.Generation + 1);
  for (std::uint32_t t = 0; t <= s.Generation; ++t)
    EXPECT_EQ(TabFields(plotLines[t])[0], std::to_string(t));
  const std::vector<std::string> finalLines = CrLfLines(final);
  ASSERT_EQ(finalLines.size(), 2u);
  const std::vector<std::string> record = TabFields(finalLines[1]);
  ASSERT_EQ(record.size(), 19u);
  EXPECT_EQ(record[0], std::to_string(s.Generation));
  EXPECT_EQ(record[18], clonal ? folder.File("PlotCloneFile.plo") : folder.File("PlotSexFile.plo"));
}

// A rerun whose first generation cannot be written (its Detail file was
// deleted since the last run) leaves the state of the last generation the
// files hold: the record a Stop would write is that of the run before.
TEST_P(SeriesOfTwoRuns, RerunFailingBeforeItsFirstGenerationKeepsTheLastOneHeld) {
  const SeriesCase c = GetParam();
  ScratchFolder folder;
  SimState s;
  PrepareSeries(s, c.model, folder.Path());
  RecordingDisplay display;
  StartUnderTest(c, s, display);
  const std::string record = FinalRecordLine(s, c.model == Model::Clonal);
  ASSERT_EQ(std::remove(s.DetailFile.Name.c_str()), 0);

  EXPECT_THROW(RerunFromHeld(s, GenerationSnapshot(s), [&] { RerunUnderTest(c, s, display); }),
               FileError);
  EXPECT_EQ(FinalRecordLine(s, c.model == Model::Clonal), record);
  EXPECT_EQ(s.CompletedRuns, 1);
}

// A series of `model` prepared in a folder of its own and started.
struct StartedSeries : ::testing::Test {
  void Start(Model model) {
    PrepareSeries(s, model, folder.Path());
    if (model == Model::Clonal)
      StartClonalSeries(s, display);
    else
      ASSERT_EQ(StartSexualSeries(s, display), model);
  }
  ScratchFolder folder;
  SimState s;
  RecordingDisplay display;
};

TEST_F(StartedSeries, DiploidNewFitRebuildsTheGenotypesWithDGZero) {
  Start(Model::DiploidLocal);

  // The state the rerun's first generation starts from.
  SimState expected = s;
  expected.FreqA = kP1;
  expected.FreqB = kQ1;
  expected.Fit = kFit1;
  DiploidGenotypesFromFit(expected);
  std::array<double, 10> seen{};
  double seenDG = -1;
  // The state as the first generation of the rerun finds it.
  display.onDisplay = [&](int call) {
    if (call != 1)
      return;
    for (int k = 0; k < 10; ++k)
      seen[k] = s.X[k];
    seenDG = s.DG;
  };
  display.displayCalls = 0;
  s.DG = 0.07;
  ASSERT_EQ(RerunDiploidSeriesWithFit(s, display, kP1, kQ1, kFit1), Model::DiploidLocal);
  EXPECT_EQ(seenDG, 0.0);
  for (int k = 1; k <= 9; ++k)
    EXPECT_EQ(seen[k], expected.X[k]) << "X" << k;
  EXPECT_EQ(s.CompletedRuns, 2);
}

TEST_F(StartedSeries, WrongPloidyFlagsStoreTheValuesButRunNothing) {
  Start(Model::DiploidGlobal);
  const std::uint32_t t = s.Generation;
  EXPECT_EQ(RerunHaploidSeries(s, display, kP1, kQ1, kDG1), std::nullopt);
  EXPECT_EQ(s.Generation, t);
  EXPECT_EQ(s.FreqA, kP1);
  EXPECT_EQ(s.CompletedRuns, 1);
}

TEST_F(StartedSeries, SecondSeriesIsAppendedToTheSameDetailAndFinalFiles) {
  Start(Model::HaploidGlobal);
  StopSexualSeries(s);
  const std::string firstDetail = ReadWholeFile(s.DetailFile.Name);
  const std::string firstFinal = ReadWholeFile(s.FinalFile.Name);
  const std::uint32_t firstT = s.Generation;

  // Back to the input window with another model: the Final file is accepted
  // again, the Detail file is kept, the Plot file emptied.
  CreateOrAcceptFinalFile(s.FinalFile.Name);
  ChooseModel(s, Model::DiploidLocal);
  PrepareSexualInput(s, s.PlotFileName);
  Apply(testing::Params{}, s);
  s.FreqA = kP1;
  s.FreqB = kQ1;
  ASSERT_EQ(StartSexualSeries(s, display), Model::DiploidLocal);
  StopSexualSeries(s);

  const std::string detail = ReadWholeFile(s.DetailFile.Name);
  ASSERT_EQ(detail.compare(0, firstDetail.size(), firstDetail), 0);
  const std::vector<std::string> added = CrLfLines(detail.substr(firstDetail.size()));
  ASSERT_EQ(added.size(), 2 + s.Generation);
  EXPECT_EQ(TabFields(added[0])[0], "T");
  EXPECT_EQ(TabFields(added[1])[0], "0");
  EXPECT_EQ(TabFields(added[1])[18], "Diploid");
  EXPECT_EQ(TabFields(added[2])[0], "1");
  EXPECT_EQ(CrLfLines(firstDetail).size(), 2 + firstT);

  const std::string final = ReadWholeFile(s.FinalFile.Name);
  EXPECT_EQ(final, firstFinal + FinalRecordLine(s, false));
  EXPECT_EQ(CrLfLines(final).size(), 3u);
  EXPECT_EQ(CrLfLines(ReadWholeFile(s.PlotFile.Name)).size(), s.Generation + 1);
}

TEST_F(StartedSeries, FinalFileErrorOnStopLeavesPlotRowsUnset) {
  Start(Model::Clonal);
  ASSERT_EQ(::unlink(s.FinalFile.Name.c_str()), 0);
  s.PlotRows = 5;
  EXPECT_THROW(StopClonalSeries(s), FileError);
  EXPECT_TRUE(s.StopRequested);
  EXPECT_EQ(s.PlotRows, 5u);
}

} // namespace
} // namespace morvane
