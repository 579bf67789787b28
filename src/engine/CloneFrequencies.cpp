#include "engine/CloneFrequencies.h"

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

void ResetCloneFrequencies(double *f) {
  f[0] = 0;
  f[1] = 0.5;
  f[2] = 0;
  f[3] = 0.5;
}

} // namespace morvane
