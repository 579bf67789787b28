// Round axis values: a step of 1, 2 or 5 times a power of ten, and the axis
// limits widened to whole steps, so that ticks read 0.1, 0.2, ... rather than
// the grid's 0.1186, 0.2373, ...
#pragma once

#include <vector>

namespace morvane::figure {

struct RoundScale {
  double low = 0.0;
  double high = 1.0;
  double step = 0.1;
  std::vector<double> ticks; // low, low + step, ..., high
};

// The round step for the range [low, high] drawn with at most `maxTicks`
// intervals (at least 1). low == high gives a range around the value.
RoundScale RoundTicks(double low, double high, int maxTicks = 5);

} // namespace morvane::figure
