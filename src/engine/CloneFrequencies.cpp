#include "engine/CloneFrequencies.h"

#include <cfloat>
#include <cmath>

#include "engine/FieldRules.h"

namespace morvane {

CloneSum CheckCloneSum(const double *f) {
  const double sum = f[0] + f[1] + f[2] + f[3];
  if (sum == 1)
    return CloneSum::One;
  if (sum == 0)
    return CloneSum::Zero;
  return CloneSum::Other;
}

void NormaliseCloneFrequencies(double *f) {
  const double sum = f[0] + f[1] + f[2] + f[3];
  for (int k = 0; k < 4; ++k)
    f[k] /= sum;
}

CloneSum SumCloneFrequenciesToOne(double *f) {
  const CloneSum sum = CheckCloneSum(f);
  if (sum == CloneSum::Other)
    NormaliseCloneFrequencies(f);
  return sum;
}

namespace {

// Half a unit in the 15th significant digit of v: how far the value a field
// shows may lie from the value it was written from.
double HalfShownUnit(double v) {
  return v > 0 ? 0.5 * std::pow(10.0, std::floor(std::log10(v)) - 14) : 0.0;
}

} // namespace

CloneSum SumShownCloneFrequenciesToOne(double *f) {
  const double sum = f[0] + f[1] + f[2] + f[3];
  const double rounding =
      HalfShownUnit(f[0]) + HalfShownUnit(f[1]) + HalfShownUnit(f[2]) + HalfShownUnit(f[3]);
  // The sum itself is rounded by its three additions, each by at most one
  // unit in the last place of a sum near 1.
  if (sum != 0 && std::fabs(sum - 1) <= rounding + 3 * DBL_EPSILON)
    return CloneSum::One;
  return SumCloneFrequenciesToOne(f);
}

CloneSum GivenCloneFrequencies(double *f) {
  for (int k = 0; k < 4; ++k)
    f[k] = ShownValue(f[k]);
  const CloneSum sum = SumShownCloneFrequenciesToOne(f);
  if (sum == CloneSum::Other)
    for (int k = 0; k < 4; ++k)
      f[k] = ShownValue(f[k]);
  return sum;
}

void ResetCloneFrequencies(double *f) {
  f[0] = 0;
  f[1] = 0.5;
  f[2] = 0;
  f[3] = 0.5;
}

} // namespace morvane
