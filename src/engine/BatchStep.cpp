#include "engine/BatchStep.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "engine/HaploidStep.h"
#include "engine/InitialState.h"
#include "engine/StepRules.h"

// This file is compiled with -ffp-contract=off (no fused multiply-adds), so
// that each lane rounds exactly as the one-population steps do.

namespace morvane {

namespace {

using Lanes = BatchRuns::Lanes;
constexpr std::size_t N = BatchRuns::kLanes;

// v, or 0 (all bits clear) unless keep. Done on the bits rather than as a
// choice, so that the compiler does not carry the zero into later tests and
// split the lanes' work into branches again.
MORVANE_LANE_INLINE double ZeroUnless(bool keep, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  bits &= -static_cast<std::uint64_t>(keep);
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// a / W, or 0 for an empty habitat: the quotient is always computed and then
// chosen, so that the lanes need no branch.
MORVANE_LANE_INLINE double Share(double a, double W, double empty) {
  const double q = a / W;
  return W <= empty ? 0.0 : q;
}

// Settlement and survival in one habitat of the four haploid types of lane k
// (AB, Ab, aB, ab), each with its settlement constant and its survival: their
// shares into s and the habitat's total W into s[9], stored by the caller
// once it has used it.
MORVANE_LANE_INLINE void HaploidSettleIn(const Lanes &l, std::size_t k, double fAB, double fAb,
                                         double faB, double fab, double WA, double Wa, double *s) {
  const double h1 = fAB * l.X[0][k] * WA;
  const double h2 = fAb * l.X[1][k] * WA;
  const double h3 = faB * l.X[2][k] * Wa;
  const double h4 = fab * l.X[3][k] * Wa;
  const double W = h1 + h2 + h3 + h4;
  s[0] = Share(h1, W, kEmptyHaploidHabitat);
  s[1] = Share(h2, W, kEmptyHaploidHabitat);
  s[2] = Share(h3, W, kEmptyHaploidHabitat);
  s[3] = Share(h4, W, kEmptyHaploidHabitat);
  s[9] = W;
}

// Settlement and survival of the four haploid types of lane k into s1, s2.
MORVANE_LANE_INLINE void HaploidSettle(const Lanes &l, std::size_t k, double *s1, double *s2) {
  HaploidSettleIn(l, k, l.cdS[k], l.cd[k], l.cdR[k], l.cd[k], l.W1A[k], l.W1a[k], s1);
  HaploidSettleIn(l, k, l.c1dR[k], l.c1d[k], l.c1dS[k], l.c1d[k], l.W2A[k], l.W2a[k], s2);
}

// Settlement and survival of the nine diploid classes of lane k.
MORVANE_LANE_INLINE void DiploidSettle(const Lanes &l, std::size_t k, double *s1, double *s2) {
  // Per class: the constant of the settlement factor, and the survival.
  const double S1 = l.cdS[k], C1 = l.cd[k], R1 = l.cdR[k];
  const double R2 = l.c1dR[k], C2 = l.c1d[k], S2 = l.c1dS[k];
  const double k1[9] = {S1, S1, C1, S1, S1, C1, R1, R1, C1};
  const double k2[9] = {R2, R2, C2, R2, R2, C2, S2, S2, C2};
  double h1[9], h2[9];
#pragma GCC unroll 9
  for (int g = 0; g < 9; ++g) {
    const double w1 = g < 6 ? l.W1A[k] : l.W1a[k];
    const double w2 = g < 6 ? l.W2A[k] : l.W2a[k];
    h1[g] = k1[g] * l.X[g][k] * w1;
    h2[g] = k2[g] * l.X[g][k] * w2;
  }
  double W1 = h1[0];
  double W2 = h2[0];
#pragma GCC unroll 9
  for (int g = 1; g < 9; ++g) {
    W1 += h1[g];
    W2 += h2[g];
  }
#pragma GCC unroll 9
  for (int g = 0; g < 9; ++g) {
    s1[g] = Share(h1[g], W1, kEmptyDiploidHabitat);
    s2[g] = Share(h2[g], W2, kEmptyDiploidHabitat);
  }
  s1[9] = W1;
  s2[9] = W2;
}

// Random union and meiosis of four haploid types, as Recombine.
MORVANE_LANE_INLINE void RecombineLane(double *f) {
  const double a = f[0];
  const double b = f[1];
  const double e = f[2];
  const double g = f[3];
  const double v = 2 * (a * g + b * e) / 4;
  f[0] = (2 * a * b + 2 * a * e) / 2 + a * a + v;
  f[1] = v + (2 * a * b + 2 * b * g) / 2 + b * b;
  f[2] = v + (2 * a * e + 2 * e * g) / 2 + e * e;
  f[3] = v + (2 * b * g + 2 * e * g) / 2 + g * g;
}

// Soft and hard regulation of n classes into X of lane k, as RegulateAndMix;
// W1 and W2 are s1[9] and s2[9].
MORVANE_LANE_INLINE void RegulateLane(Lanes &l, std::size_t k, const double *s1, const double *s2,
                                      int n) {
  const double W1 = s1[9];
  const double W2 = s2[9];
  const double W = W1 + W2;
  const bool extinct = W <= kExtinctPopulation;
#pragma GCC unroll 9
  for (int g = 0; g < n; ++g) {
    const double mixed =
        l.x[k] * (l.c[k] * s1[g] + l.c1[k] * s2[g]) + l.x1[k] * (W1 * s1[g] + W2 * s2[g]) / W;
    l.X[g][k] = ZeroUnless(!extinct, mixed);
  }
  l.W1[k] = W1;
  l.W2[k] = W2;
}

// p and q from the haploid types, with their changes (none for q while the
// old q is fixed).
MORVANE_LANE_INLINE void HaploidMeasuresLane(Lanes &l, std::size_t k) {
  const double p = l.X[0][k] + l.X[1][k];
  l.DeltaP[k] = p - l.FreqA[k];
  l.FreqA[k] = p;
  const double q = l.X[0][k] + l.X[2][k];
  const double dq = q - l.FreqB[k];
  l.DeltaQ[k] = IsFixedFrequency(l.FreqB[k]) ? 0.0 : dq;
  l.FreqB[k] = q;
}

MORVANE_LANE_INLINE void DiploidMeasuresLane(Lanes &l, std::size_t k) {
  double X[9];
#pragma GCC unroll 9
  for (int g = 0; g < 9; ++g)
    X[g] = l.X[g][k];
  const double p = X[0] + X[1] + X[2] + (X[3] + X[4] + X[5]) / 2;
  l.DeltaP[k] = p - l.FreqA[k];
  l.FreqA[k] = p;
  const double q = X[0] + X[3] + X[6] + (X[1] + X[4] + X[7]) / 2;
  const double dq = q - l.FreqB[k];
  l.DeltaQ[k] = IsFixedFrequency(l.FreqB[k]) ? 0.0 : dq;
  l.FreqB[k] = q;
  const double heteroz = X[3] + X[4] + X[5];
  l.Heteroz[k] = heteroz;
  const double fit = 1 - heteroz / (2 * p * (1 - p));
  l.Fit[k] = IsFixedFrequency(p) ? 0.0 : fit;
}

// One generation of model M in lane k.
template <Model M> MORVANE_LANE_INLINE void GenerationLane(Lanes &l, std::size_t k) {
  // Settled frequencies of the two habitats; [9] holds W1 and W2.
  double s1[10], s2[10];
  if constexpr (IsDiploid(M))
    DiploidSettle(l, k, s1, s2);
  else
    HaploidSettle(l, k, s1, s2);

  if constexpr (M == Model::HaploidLocal) {
    RecombineLane(s1);
    RecombineLane(s2);
    RegulateLane(l, k, s1, s2, 4);
    HaploidMeasuresLane(l, k);
    l.DG[k] = l.X[0][k] * l.X[3][k] - l.X[1][k] * l.X[2][k];
    l.Fit[k] = 0;
  } else if constexpr (M == Model::HaploidGlobal) {
    RegulateLane(l, k, s1, s2, 4);
    HaploidMeasuresLane(l, k);
    double f[4] = {l.X[0][k], l.X[1][k], l.X[2][k], l.X[3][k]};
    RecombineLane(f);
#pragma GCC unroll 9
    for (int g = 0; g < 4; ++g)
      l.X[g][k] = f[g];
    l.DG[k] = f[0] * f[3] - f[1] * f[2];
    l.Fit[k] = 0;
  } else if constexpr (M == Model::DiploidLocal) {
    const Gametes m1 = GameteFrequencies(s1);
    RandomUnion(m1, s1);
    const Gametes m2 = GameteFrequencies(s2);
    RandomUnion(m2, s2);
    RegulateLane(l, k, s1, s2, 9);
    DiploidMeasuresLane(l, k);
    double X[9];
#pragma GCC unroll 9
    for (int g = 0; g < 9; ++g)
      X[g] = l.X[g][k];
    const Gametes m = GameteFrequencies(X);
    l.DG[k] = m.AB * m.ab - m.Ab * m.aB;
  } else if constexpr (M == Model::DiploidGlobal) {
    RegulateLane(l, k, s1, s2, 9);
    double X[9];
#pragma GCC unroll 9
    for (int g = 0; g < 9; ++g)
      X[g] = l.X[g][k];
    const Gametes m = GameteFrequencies(X);
    l.DG[k] = m.AB * m.ab - m.Ab * m.aB;
    RandomUnion(m, X);
#pragma GCC unroll 9
    for (int g = 0; g < 9; ++g)
      l.X[g][k] = X[g];
    DiploidMeasuresLane(l, k);
  } else {
    // Clones: p and q are not kept; the changes come from the clones.
    const double pOld = l.X[0][k] + l.X[1][k];
    const double qOld = l.X[0][k] + l.X[2][k];
    RegulateLane(l, k, s1, s2, 4);
    l.DeltaP[k] = (l.X[0][k] + l.X[1][k]) - pOld;
    l.DeltaQ[k] = (l.X[0][k] + l.X[2][k]) - qOld;
  }
}

// Generations of the first W lanes (those after them are free) until a run
// ends; the ended lanes as a bit mask. `stop`, when set, is looked at every
// kStopCheck generations: set, the lanes are left where they are and 0 is
// returned.
template <Model M, std::size_t W>
MORVANE_LANE_INLINE std::uint32_t Generations(Lanes &l, const std::atomic<bool> *stop) {
  for (std::uint64_t n = 1;; ++n) {
    if (stop && n % kStopCheck == 0 && stop->load(std::memory_order_relaxed))
      return 0;
    for (std::size_t k = 0; k < W; ++k)
      GenerationLane<M>(l, k);
    // The tests without a branch, so that they too are vectorised.
    unsigned char ended[W];
    unsigned char any = 0;
    for (std::size_t k = 0; k < W; ++k) {
      const unsigned char converged =
          (std::fabs(l.DeltaP[k]) <= l.L[k]) & (std::fabs(l.DeltaQ[k]) <= l.L[k]);
      ++l.count[k];
      ended[k] = converged | (l.count[k] >= l.cap[k]);
      any |= ended[k];
    }
    if (any) {
      std::uint32_t mask = 0;
      for (std::size_t k = 0; k < W; ++k)
        mask |= static_cast<std::uint32_t>(ended[k]) << k;
      return mask;
    }
  }
}

// The generations of model M on the first `width` lanes (4, 8 or 16): when
// only the first lanes are busy (a few slow runs left, the others waiting),
// the free ones are not computed.
template <Model M>
MORVANE_LANE_INLINE std::uint32_t GenerationsOn(Lanes &l, std::size_t width,
                                                const std::atomic<bool> *stop) {
  if (width <= 4)
    return Generations<M, 4>(l, stop);
  if (width <= 8)
    return Generations<M, 8>(l, stop);
  return Generations<M, N>(l, stop);
}

template <Model M>
MORVANE_LANE_INLINE std::uint32_t GenerationsOf(Model m, Lanes &l, std::size_t width,
                                                const std::atomic<bool> *stop) {
  if constexpr (M == Model::HaploidLocal) {
    return m == M ? GenerationsOn<M>(l, width, stop)
                  : GenerationsOf<Model::HaploidGlobal>(m, l, width, stop);
  } else if constexpr (M == Model::HaploidGlobal) {
    return m == M ? GenerationsOn<M>(l, width, stop)
                  : GenerationsOf<Model::DiploidLocal>(m, l, width, stop);
  } else if constexpr (M == Model::DiploidLocal) {
    return m == M ? GenerationsOn<M>(l, width, stop)
                  : GenerationsOf<Model::DiploidGlobal>(m, l, width, stop);
  } else if constexpr (M == Model::DiploidGlobal) {
    return m == M ? GenerationsOn<M>(l, width, stop) : GenerationsOn<Model::Clonal>(l, width, stop);
  }
  return 0;
}

// One entry per instruction set: the same source, compiled for each.
std::uint32_t GenerationsBaseline(Model m, Lanes &l, std::size_t width,
                                  const std::atomic<bool> *stop) {
  return GenerationsOf<Model::HaploidLocal>(m, l, width, stop);
}
__attribute__((target("avx2"))) std::uint32_t GenerationsAvx2(Model m, Lanes &l, std::size_t width,
                                                              const std::atomic<bool> *stop) {
  return GenerationsOf<Model::HaploidLocal>(m, l, width, stop);
}
__attribute__((target("avx512f,prefer-vector-width=512"))) std::uint32_t
GenerationsAvx512(Model m, Lanes &l, std::size_t width, const std::atomic<bool> *stop) {
  return GenerationsOf<Model::HaploidLocal>(m, l, width, stop);
}

// A free lane: never converges, never reaches a cap, and holds an empty
// population, which every step keeps empty without a subnormal number.
void FreeLaneState(Lanes &l, std::size_t k) {
#pragma GCC unroll 9
  for (int g = 0; g < 9; ++g)
    l.X[g][k] = 0;
  l.FreqA[k] = l.FreqB[k] = 0;
  l.L[k] = -1;
  l.count[k] = 0;
  l.cap[k] = std::numeric_limits<std::uint64_t>::max();
}

} // namespace

bool BatchIsaSupported(BatchIsa isa) {
  switch (isa) {
  case BatchIsa::Widest:
  case BatchIsa::Baseline:
    return true;
  case BatchIsa::Avx2:
    return __builtin_cpu_supports("avx2");
  case BatchIsa::Avx512:
    return __builtin_cpu_supports("avx512f");
  }
  return false;
}

BatchIsa WidestBatchIsa() {
  if (BatchIsaSupported(BatchIsa::Avx512))
    return BatchIsa::Avx512;
  if (BatchIsaSupported(BatchIsa::Avx2))
    return BatchIsa::Avx2;
  return BatchIsa::Baseline;
}

int BatchIsaBits(BatchIsa isa) {
  switch (isa) {
  case BatchIsa::Widest:
    return BatchIsaBits(WidestBatchIsa());
  case BatchIsa::Baseline:
    return 128;
  case BatchIsa::Avx2:
    return 256;
  case BatchIsa::Avx512:
    return 512;
  }
  return 0;
}

BatchRuns::BatchRuns(Model model, BatchIsa isa)
    : model_(model), isa_(isa == BatchIsa::Widest ? WidestBatchIsa() : isa) {
  if (!BatchIsaSupported(isa_))
    throw std::invalid_argument("this processor lacks the instruction set asked for");
  for (std::size_t k = 0; k < kLanes; ++k)
    FreeLaneState(lanes_, k);
}

std::size_t BatchRuns::FreeLane() const {
  for (std::size_t k = 0; k < kLanes; ++k)
    if (!Busy(k))
      return k;
  return kLanes;
}

void BatchRuns::Load(std::size_t k, const SimState &s,
                     std::optional<std::uint32_t> maxGenerations) {
  Lanes &l = lanes_;
  // The settlement factors as the step works them out (with its libm calls).
  const SettlementFactors f = ComputeSettlementFactors(s);
  const double c = s.HabFreq;
  const double d = s.MigSurv;
  l.cd[k] = c * d;
  l.c1d[k] = (1 - c) * d;
  l.cdS[k] = c * d * f.SAB1;
  l.cdR[k] = c * d * f.RaB1;
  l.c1dR[k] = (1 - c) * d * f.RAB2;
  l.c1dS[k] = (1 - c) * d * f.SaB2;
  l.c[k] = c;
  l.c1[k] = 1 - c;
  l.x[k] = s.SoftProp;
  l.x1[k] = 1 - s.SoftProp;
  l.W1A[k] = s.W1A;
  l.W2A[k] = s.W2A;
  l.W1a[k] = s.W1a;
  l.W2a[k] = s.W2a;
  l.L[k] = s.StopThreshold;
#pragma GCC unroll 9
  for (int g = 0; g < 9; ++g)
    l.X[g][k] = s.X[g + 1];
  l.FreqA[k] = s.FreqA;
  l.FreqB[k] = s.FreqB;
  l.DG[k] = s.DG;
  l.Fit[k] = s.Fit;
  l.Heteroz[k] = s.Heteroz;
  l.W1[k] = s.W1;
  l.W2[k] = s.W2;
  l.DeltaP[k] = s.DeltaP;
  l.DeltaQ[k] = s.DeltaQ;
  l.count[k] = 0;
  l.cap[k] = maxGenerations ? *maxGenerations : std::numeric_limits<std::uint64_t>::max();
  generationBase_[k] = s.Generation;
  busy_ |= 1u << k;
}

std::uint32_t BatchRuns::Advance(const std::atomic<bool> *stop) {
  if (busy_ == 0)
    return 0;
  // The lanes up to the last busy one.
  const std::size_t width = 32 - static_cast<std::size_t>(__builtin_clz(busy_));
  std::uint32_t ended;
  switch (isa_) {
  case BatchIsa::Avx512:
    ended = GenerationsAvx512(model_, lanes_, width, stop);
    break;
  case BatchIsa::Avx2:
    ended = GenerationsAvx2(model_, lanes_, width, stop);
    break;
  default:
    ended = GenerationsBaseline(model_, lanes_, width, stop);
    break;
  }
  return ended & busy_;
}

bool BatchRuns::Unload(std::size_t k, SimState &s) {
  Lanes &l = lanes_;
  const int n = IsDiploid(model_) ? 9 : 4;
#pragma GCC unroll 9
  for (int g = 0; g < n; ++g)
    s.X[g + 1] = l.X[g][k];
  s.FreqA = l.FreqA[k];
  s.FreqB = l.FreqB[k];
  s.DG = l.DG[k];
  s.Fit = l.Fit[k];
  s.Heteroz = l.Heteroz[k];
  s.W1 = l.W1[k];
  s.W2 = l.W2[k];
  s.DeltaP = l.DeltaP[k];
  s.DeltaQ = l.DeltaQ[k];
  // T counts on in 32 bits, as the run loop counts it.
  s.Generation = static_cast<std::uint32_t>(generationBase_[k] + l.count[k]);
  const bool converged = std::fabs(l.DeltaP[k]) <= l.L[k] && std::fabs(l.DeltaQ[k]) <= l.L[k];
  const bool capped = !converged && l.count[k] >= l.cap[k];
  s.StopRequested = true;
  ++s.CompletedRuns;
  busy_ &= ~(1u << k);
  FreeLaneState(l, k);
  return capped;
}

void RunBatchedSeries(BatchRuns &runs, BatchSeriesSource &source,
                      std::optional<std::uint32_t> maxGenerations, const std::atomic<bool> *stop) {
  std::vector<SimState> states(BatchRuns::kLanes);
  bool more = true; // whether the source may have series left
  for (;;) {
    // Free lanes take new series; the source is waited for only when no lane
    // has a run to go on with.
    for (std::size_t k = 0; more && k < BatchRuns::kLanes; ++k) {
      if (runs.Busy(k))
        continue;
      const bool wait = runs.Idle();
      if (stop && stop->load())
        return;
      if (source.BeginNext(k, states[k], wait))
        runs.Load(k, states[k], maxGenerations);
      else if (wait)
        more = false;
      else
        break;
    }
    const std::uint32_t ended = runs.Advance(stop);
    if (ended == 0)
      return; // no lane busy, or stopped
    for (std::size_t k = 0; k < BatchRuns::kLanes; ++k) {
      if (!((ended >> k) & 1u))
        continue;
      const bool capped = runs.Unload(k, states[k]);
      if (source.RunEnded(k, states[k], capped))
        runs.Load(k, states[k], maxGenerations);
    }
  }
}

} // namespace morvane
