// The batch of runs against the run loop: random series of every model
// (trade-offs, ESS, empty habitats, fixed loci, disturbances, caps) give the
// same bits run one by one and run in lanes, with every instruction set this
// processor has.
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/BatchStep.h"
#include "engine/CloneFrequencies.h"
#include "engine/TradeOff.h"
#include "files/FinalFile.h"
#include "support/EngineTestSupport.h"

namespace morvane {
namespace {

using namespace testing;

// One --disturb step of a series: the new p, q and DG or Fit, or clones.
struct Step {
  double p, q, dg, fit;
  bool withFit;
  std::array<double, 4> clones;
};

struct SeriesCase {
  Model model;
  Params params;
  StartValues start;
  std::vector<Step> steps;
};

// What a series leaves: its Final record, every quantity of the state as
// bits, and which runs their cap ended.
struct Outcome {
  std::string record;
  std::vector<std::uint64_t> bits;
  std::vector<bool> capped;
  bool operator==(const Outcome &o) const {
    return record == o.record && bits == o.bits && capped == o.capped;
  }
};

class Random {
public:
  explicit Random(unsigned seed) : engine_(seed) {}
  double Real(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(engine_);
  }
  template <typename T> T Pick(std::initializer_list<T> values) {
    return values
        .begin()[std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(engine_)];
  }
  bool Chance(double p) { return Real(0, 1) < p; }
  // A survival, now and then exactly 0 or 1, or so small that a habitat is
  // about as empty as the steps' thresholds of an empty habitat.
  double Survival() { return Chance(0.2) ? Pick({0.0, 1.0, 2e-19, 6e-20}) : Real(0, 1); }
  // A frequency, now and then fixed.
  double Frequency() { return Chance(0.1) ? Pick({0.0, 1.0}) : Real(0, 1); }
  double DG(double p, double q) {
    const DGRange r = ComputeDGRange(p, q);
    return Real(0, 1) * (r.upper - r.lower) + r.lower;
  }
  std::array<double, 4> Clones() {
    std::array<double, 4> f{Real(0, 1), Real(0, 1), Real(0, 1), Real(0, 1)};
    NormaliseCloneFrequencies(f.data());
    return f;
  }

private:
  std::mt19937_64 engine_;
};

SeriesCase RandomCase(Model model, Random &r) {
  SeriesCase k{model, {}, {}, {}};
  Params &p = k.params;
  p.SoftProp = r.Chance(0.2) ? r.Pick({0.0, 1.0}) : r.Real(0, 1);
  p.MigSurv = r.Real(0.0001, 1);
  p.HabFreq = r.Real(0.0001, 0.9999);
  p.TriesAB = r.Pick<std::uint16_t>({1, 2, 3, 7, 50, 1000});
  p.TriesaB = r.Pick<std::uint16_t>({1, 2, 4, 9, 200});
  p.W1A = r.Survival();
  p.W1a = r.Survival();
  const TradeOffRule rule = r.Pick(
      {TradeOffRule::None, TradeOffRule::Linear, TradeOffRule::Convex, TradeOffRule::Concave});
  p.W2A = rule == TradeOffRule::None ? r.Survival() : TradeOffSurvival(rule, p.W1A);
  p.W2a = rule == TradeOffRule::None ? r.Survival() : TradeOffSurvival(rule, p.W1a);
  if (rule == TradeOffRule::Linear && p.HabFreq >= 0.5 && r.Chance(0.5)) {
    p.W1A = EssW1A(p.HabFreq, p.SoftProp, p.W1A);
    p.W2A = LinearTradeOff(p.W1A);
  }
  if (r.Chance(0.05))
    p.W1A = p.W2A = p.W1a = p.W2a = 0; // nobody survives
  p.StopThreshold = r.Pick({0.01, 1e-4, 1e-6, 1e-8});
  k.start.FreqA = r.Frequency();
  k.start.FreqB = r.Frequency();
  k.start.DG = r.DG(k.start.FreqA, k.start.FreqB);
  k.start.Clones = r.Clones();
  const int steps = r.Pick({0, 1, 3});
  for (int n = 0; n < steps; ++n) {
    const double sp = r.Frequency();
    const double sq = r.Frequency();
    k.steps.push_back(
        {sp, sq, r.DG(sp, sq), r.Real(ComputeFitMin(sp), 1), r.Chance(0.5), r.Clones()});
  }
  return k;
}

// The input window's activation and Go, up to the run loop.
void BeginSeries(const SeriesCase &k, SimState &s) {
  s = SimState{};
  ChooseModel(s, k.model);
  if (k.model == Model::Clonal)
    PrepareClonalInput(s, kClonePlotFileName, Tracing::Off);
  else
    PrepareSexualInput(s, kSexPlotFileName, Tracing::Off);
  Apply(k.params, s);
  StoreStartValues(s, k.model, k.start);
  if (k.model == Model::Clonal)
    BeginClonalSeries(s, Tracing::Off);
  else
    BeginSexualSeries(s, Tracing::Off);
}

// A disturbance window's Go, up to the run loop.
void BeginRerun(const SeriesCase &k, const Step &step, SimState &s) {
  if (k.model == Model::Clonal)
    BeginClonalRerun(s, step.clones);
  else if (IsHaploidSexual(k.model))
    BeginHaploidRerun(s, step.p, step.q, step.dg);
  else if (step.withFit)
    BeginDiploidRerunWithFit(s, step.p, step.q, step.fit);
  else
    BeginDiploidRerunWithDG(s, step.p, step.q, step.dg);
}

Outcome End(const SeriesCase &k, SimState &s, std::vector<bool> capped) {
  s.StopRequested = true;
  s.PlotRows = s.Generation;
  Outcome o{FinalRecordLine(s, k.model == Model::Clonal), {}, std::move(capped)};
  const double values[] = {s.FreqA, s.FreqB,  s.DG,     s.Fit,  s.Heteroz, s.W1,
                           s.W2,    s.DeltaP, s.DeltaQ, s.X[1], s.X[2],    s.X[3],
                           s.X[4],  s.X[5],   s.X[6],   s.X[7], s.X[8],    s.X[9]};
  for (double v : values) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    o.bits.push_back(b);
  }
  o.bits.push_back(s.Generation);
  o.bits.push_back(static_cast<std::uint64_t>(s.CompletedRuns));
  return o;
}

// The run loop without files, ended by the cap as morvane-run ends it.
class CapDisplay : public RunDisplay {
public:
  CapDisplay(SimState &s, std::optional<std::uint32_t> cap) : s_(s), cap_(cap) {}
  void ShowProgress() override { generations_ = 0, capped = false; }
  void DisplayProgress(std::uint32_t, double, double) override {}
  void ProcessPendingEvents() override {
    if (!s_.StopRequested && cap_ && ++generations_ >= *cap_)
      s_.StopRequested = capped = true;
  }
  void HideProgress() override {}
  void HandOver(Model) override {}
  bool capped = false;

private:
  SimState &s_;
  std::optional<std::uint32_t> cap_;
  std::uint32_t generations_ = 0;
};

Outcome RunOneByOne(const SeriesCase &k, std::optional<std::uint32_t> cap) {
  SimState s;
  CapDisplay display(s, cap);
  std::vector<bool> capped;
  BeginSeries(k, s);
  for (std::size_t stage = 0; stage <= k.steps.size(); ++stage) {
    if (stage > 0)
      BeginRerun(k, k.steps[stage - 1], s);
    RunLoop(k.model, s, display, Tracing::Off);
    capped.push_back(display.capped);
  }
  return End(k, s, capped);
}

// The cases as series of a batch, each begun again after its runs.
class CaseSource : public BatchSeriesSource {
public:
  explicit CaseSource(const std::vector<SeriesCase> &cases)
      : outcomes(cases.size()), cases_(cases) {}
  bool BeginNext(std::size_t lane, SimState &s, bool) override {
    if (next_ == cases_.size())
      return false;
    lanes_[lane] = {next_++, 0, {}};
    BeginSeries(cases_[lanes_[lane].series], s);
    return true;
  }
  bool RunEnded(std::size_t lane, SimState &s, bool capped) override {
    InLane &at = lanes_[lane];
    const SeriesCase &k = cases_[at.series];
    at.capped.push_back(capped);
    if (at.stage == k.steps.size()) {
      outcomes[at.series] = End(k, s, at.capped);
      return false;
    }
    BeginRerun(k, k.steps[at.stage++], s);
    return true;
  }
  std::vector<Outcome> outcomes;

private:
  struct InLane {
    std::size_t series, stage;
    std::vector<bool> capped;
  };
  const std::vector<SeriesCase> &cases_;
  std::size_t next_ = 0;
  InLane lanes_[BatchRuns::kLanes];
};

TEST(BatchRuns, GiveTheRunLoopsBitsWithEveryInstructionSet) {
  Random random(19);
  for (Model model : {Model::HaploidLocal, Model::HaploidGlobal, Model::DiploidLocal,
                      Model::DiploidGlobal, Model::Clonal}) {
    // More series than lanes, so that lanes are refilled while others run.
    std::vector<SeriesCase> cases;
    for (int n = 0; n < 3 * static_cast<int>(BatchRuns::kLanes) + 5; ++n)
      cases.push_back(RandomCase(model, random));
    for (std::optional<std::uint32_t> cap : {std::optional<std::uint32_t>{}, {1u}, {40u}}) {
      std::vector<Outcome> expected;
      std::size_t cappedRuns = 0;
      for (const SeriesCase &k : cases) {
        expected.push_back(RunOneByOne(k, cap));
        cappedRuns +=
            std::count(expected.back().capped.begin(), expected.back().capped.end(), true);
      }
      if (cap) {
        EXPECT_GT(cappedRuns, 0u) << "no run reached the cap of " << *cap;
      }
      // Also as few series as leave the last lanes free (only the first
      // ones computed).
      for (auto [isa, count] : {std::pair{BatchIsa::Baseline, cases.size()},
                                {BatchIsa::Avx2, cases.size()},
                                {BatchIsa::Avx512, cases.size()},
                                {BatchIsa::Widest, cases.size()},
                                {BatchIsa::Widest, std::size_t{3}},
                                {BatchIsa::Widest, std::size_t{7}}}) {
        if (!BatchIsaSupported(isa))
          continue;
        BatchRuns runs(model, isa);
        const std::vector<SeriesCase> some(cases.begin(), cases.begin() + count);
        CaseSource source(some);
        RunBatchedSeries(runs, source, cap);
        for (std::size_t n = 0; n < count; ++n)
          ASSERT_TRUE(source.outcomes[n] == expected[n])
              << "model " << static_cast<int>(model) << ", series " << n << ", instruction set "
              << static_cast<int>(isa) << ", cap " << cap.value_or(0)
              << "\n  one by one: " << expected[n].record
              << "\n  in a batch: " << source.outcomes[n].record;
      }
    }
  }
}

} // namespace
} // namespace morvane
