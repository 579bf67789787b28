// The runner's options as parsed and stored, without running a series.
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/Series.h"
#include "files/NumberFormat.h"
#include "runner/RunnerOptions.h"
#include "support/EngineTestSupport.h"

namespace morvane {
namespace {

// The options of a command line written as one line.
RunnerOptions Parse(const std::string &line) {
  std::vector<std::string> args;
  std::istringstream in(line + " --final f.mrv --detail d.gnr");
  for (std::string word; in >> word;)
    args.push_back(word);
  return ParseRunnerOptions(args);
}

// What the runner stores of its options, as the input window's Go.
void Store(const RunnerOptions &o, SimState &s) {
  StoreSeriesInput(s, o.model, o.params, o.tradeOff, o.ess, o.start);
}

TEST(RunnerOptions, DefaultsAreTheInitialTextsOfTheWindows) {
  const RunnerOptions o = Parse("--model diploid-global");
  EXPECT_EQ(o.model, Model::DiploidGlobal);
  EXPECT_EQ(testing::FieldsOf(o.params), testing::FieldsOf(kInputWindowParameters));
  EXPECT_EQ(testing::FieldsOf(o.start), std::make_tuple(0.5, 0.5, 0.0));
  EXPECT_EQ(o.plotFile, "PlotSexFile.plo");
  EXPECT_FALSE(o.maxGenerations);
  EXPECT_TRUE(o.disturbances.empty());

  const RunnerOptions c = Parse("--model clonal");
  EXPECT_EQ(c.start.Clones, (std::array<double, 4>{0, 0.5, 0, 0.5}));
  EXPECT_EQ(c.plotFile, "PlotCloneFile.plo");
}

TEST(RunnerOptions, BoundsTypedExactlyAreAccepted) {
  const RunnerOptions o =
      Parse("--model haploid-local --d 0.0001 --c 0.9999 --L 0.1 --DG 0.25 --W1A 0 --x 0");
  EXPECT_EQ(o.params.MigSurv, 0.0001);
  EXPECT_EQ(o.params.HabFreq, 0.9999);
  EXPECT_EQ(o.params.StopThreshold, 0.1);
  EXPECT_EQ(o.start.DG, 0.25);
  EXPECT_EQ(Parse("--model haploid-local --c 0.0001 --L 0").params.HabFreq, 0.0001);
  // Good values in other forms.
  EXPECT_EQ(Parse("--model haploid-local --x .5").params.SoftProp, 0.5);
  EXPECT_EQ(Parse("--model haploid-local --x 5E-1").params.SoftProp, 0.5);
}

// The four clone frequencies given (the others at 0, 0.5, 0, 0.5) are the
// values the clonal window holds at Go: kept when they sum to 1 within the
// 15 digits a field shows, otherwise divided by their sum and rounded to
// those digits; the same for --disturb and for every point of a sweep that
// varies one of them.
TEST(RunnerOptions, CloneFrequenciesAreTheValuesTheWindowHoldsAtGo) {
  const double third = ShownValue(1.0 / 3); // 0.333333333333333
  const std::string shownThird = RealToText(third);
  struct Case {
    std::string given; // the four values, in option order
    std::array<double, 4> run;
  } cases[] = {
      {"fAB=0.25 fAb=0.25 faB=0.25 fab=0.25", {0.25, 0.25, 0.25, 0.25}},
      {"fAB=1", {0.5, 0.25, 0, 0.25}},
      {"fAb=0", {0, 0, 0, 1}},
      {"fab=0.5 fAB=0.5 fAb=0.5", {third, third, 0, third}},
      {"fAB=1 fAb=1 faB=1 fab=0", {third, third, third, 0}},
      // Shown values summing to 1 within their rounding run as given.
      {"fAB=" + shownThird + " fAb=" + shownThird + " faB=0 fab=" + shownThird,
       {third, third, 0, third}},
      {"fAB=0.75 fAb=0.25 faB=0.125 fab=0.125", {0.6, 0.2, 0.1, 0.1}},
      {"fAB=0.1 fAb=0.2 faB=0.3 fab=0.7",
       {ShownValue(0.1 / 1.3), ShownValue(0.2 / 1.3), ShownValue(0.3 / 1.3),
        ShownValue(0.7 / 1.3)}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.given);
    std::string options, step;
    std::istringstream in(c.given);
    std::map<std::string, std::string> values = {
        {"fAB", "0"}, {"fAb", "0.5"}, {"faB", "0"}, {"fab", "0.5"}};
    for (std::string entry; in >> entry;) {
      const std::string key = entry.substr(0, entry.find('='));
      values[key] = entry.substr(entry.find('=') + 1);
      options += " --" + key + " " + values[key];
    }
    for (const auto &[key, value] : values)
      step += (step.empty() ? "" : ",") + key + "=" + value;
    const RunnerOptions o = Parse("--model clonal" + options + " --disturb " + step);
    EXPECT_EQ(o.start.Clones, c.run);
    ASSERT_EQ(o.disturbances.size(), 1u);
    EXPECT_EQ(o.disturbances[0].clones, c.run);
  }

  // A sweep's point varying one of them: its value replaces that one in the
  // given set before the rule, as morvane-run given that value.
  const std::vector<std::string> fAB = {"0", "0.25", "1", "0.6"};
  VariedRunnerOptions varied({{"model", "clonal"}, {"fAb", "0.2"}, {"fAB", "0"}}, RunnerFiles::None,
                             {{"fAB", fAB}});
  for (std::size_t k = 0; k < fAB.size(); ++k) {
    SCOPED_TRACE(fAB[k]);
    RunnerOptions point = varied.Parsed();
    varied.Vary(&k, point);
    EXPECT_EQ(point.start.Clones, Parse("--model clonal --fAb 0.2 --fAB " + fAB[k]).start.Clones);
  }
}

TEST(RunnerOptions, TradeOffsAndEssSetTheSurvivals) {
  const RunnerOptions lin = Parse("--model haploid-local --trade-off linear --W1A 0.7 --W1a 0.2");
  EXPECT_DOUBLE_EQ(lin.params.W2A, 0.3);
  EXPECT_DOUBLE_EQ(lin.params.W2a, 0.8);
  // The linear trade-off itself does not need c >= 0.5; only the ESS does.
  EXPECT_DOUBLE_EQ(Parse("--model haploid-local --trade-off linear --c 0.3").params.W2A, 0);

  const RunnerOptions convex = Parse("--model clonal --trade-off convex --W1A 0.5");
  EXPECT_EQ(convex.params.W2A, 0.75);
  EXPECT_EQ(convex.params.W2a, 0.0);
  EXPECT_EQ(Parse("--model clonal --trade-off concave --W1A 0.5").params.W2A, 0.25);

  const RunnerOptions ess =
      Parse("--model diploid-local --trade-off linear --ess --x 1 --c 0.6 --W1a 0.3");
  EXPECT_TRUE(ess.ess);
  EXPECT_NEAR(ess.params.W1A, 0.6, 1e-15);
  EXPECT_NEAR(ess.params.W2A, 0.4, 1e-15);
  EXPECT_EQ(ess.params.W1a, 0.3);
  EXPECT_DOUBLE_EQ(ess.params.W2a, 0.7);
  const RunnerOptions half = Parse("--model diploid-local --trade-off linear --ess --x 0");
  EXPECT_EQ(half.params.W1A, 0.5);
  EXPECT_EQ(half.params.W2A, 0.5);
  EXPECT_EQ(Parse("--model diploid-local --trade-off linear --ess --x 0 --c 0.8").params.W1A, 1.0);
}

TEST(RunnerOptions, DisturbancesKeepTheirOrderAndForm) {
  const RunnerOptions o = Parse("--model diploid-local --disturb p=0.5,q=0.5,Fit=-1 --disturb "
                                "q=0.3,p=0.2,DG=0.01 --disturb=p=0,q=0.5,Fit=1");
  ASSERT_EQ(o.disturbances.size(), 3u);
  EXPECT_EQ(o.disturbances[0].fit, -1.0);
  EXPECT_FALSE(o.disturbances[0].dg);
  EXPECT_EQ(o.disturbances[1].p, 0.2);
  EXPECT_EQ(o.disturbances[1].q, 0.3);
  EXPECT_EQ(o.disturbances[1].dg, 0.01);
  EXPECT_FALSE(o.disturbances[1].fit);
  EXPECT_EQ(o.disturbances[2].fit, 1.0);
  // With p fixed the only authorised Fit range is 0..1, and DG only 0.
  EXPECT_THROW(Parse("--model diploid-local --disturb p=0,q=0.5,Fit=-0.1"), UsageError);
  EXPECT_THROW(Parse("--model haploid-local --disturb p=0.5,q=1,DG=0.001"), UsageError);
}

TEST(RunnerOptions, StoredAsTheInputWindowsGoStoresThem) {
  SimState s;
  s.TradeOffStatus = "NoTO";
  Store(Parse("--model haploid-global --trade-off linear --ess --c 0.5 --i 7 --p 0.2 --q 0.9 --DG "
              "-0.01 --L 0.001"),
        s);
  EXPECT_EQ(s.TradeOffStatus, "LinTO");
  EXPECT_EQ(s.ESSStatus, "LinESS");
  EXPECT_TRUE(s.LinTradeOff);
  EXPECT_EQ(s.W1A, 0.5);
  EXPECT_EQ(s.W2A, 0.5);
  EXPECT_EQ(s.TriesAB, 7);
  EXPECT_EQ(testing::SexualStartOf(s), (std::array<double, 3>{0.2, 0.9, -0.01}));
  EXPECT_EQ(s.StopThreshold, 0.001);

  SimState c;
  Store(Parse("--model clonal --trade-off concave --fAB 0.5"), c);
  EXPECT_EQ(c.TradeOffStatus, "ConcTO");
  EXPECT_EQ(c.ESSStatus, "NoESS");
  const double third = ShownValue(0.5 / 1.5);
  EXPECT_EQ(testing::ClonesOf(c), (std::array<double, 4>{third, third, 0, third}));
}

} // namespace
} // namespace morvane
