#include "ui/figure/RoundTicks.h"

#include <algorithm>
#include <cmath>

namespace morvane::figure {

namespace {

// The smallest of 1, 2, 5 times a power of ten that is at least `rough`.
double RoundStep(double rough) {
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0})
    if (factor * power >= rough * (1 - 1e-9))
      return factor * power;
  return 10.0 * power;
}

} // namespace

RoundScale RoundTicks(double low, double high, int maxTicks) {
  if (low > high)
    std::swap(low, high);
  maxTicks = std::max(1, maxTicks);
  if (high - low <= std::abs(high) * 1e-12 || high == low) {
    const double half = low == 0.0 ? 1.0 : std::abs(low) * 0.1;
    low -= half;
    high += half;
  }
  RoundScale scale;
  double step = RoundStep((high - low) / maxTicks);
  // Widening to whole steps may need one interval more than asked: take the
  // next round step then.
  for (;;) {
    const double first = std::floor(low / step + 1e-9);
    const double last = std::ceil(high / step - 1e-9);
    if (last - first <= maxTicks) {
      scale.step = step;
      for (double k = first; k <= last; ++k)
        scale.ticks.push_back(k * step == 0.0 ? 0.0 : k * step);
      scale.low = scale.ticks.front();
      scale.high = scale.ticks.back();
      return scale;
    }
    step = RoundStep(step * 1.5);
  }
}

} // namespace morvane::figure
