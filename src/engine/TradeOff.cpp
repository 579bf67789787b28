#include "engine/TradeOff.h"

#include <cmath>

namespace morvane {

double LinearTradeOff(double w) { return 1 - w; }
double ConvexTradeOff(double w) { return 1 - w * w; }
double ConcaveTradeOff(double w) { return w * w + 1 - 2 * w; }

double EssW1A(double c, double x, double currentW1A) {
  const double s = x * c * (1 - c);
  if (c > 0.5)
    return (std::sqrt(s * s + (c - 0.5) * (c - 0.5)) + (c - 0.5) - s) / (2 * (c - 0.5));
  if (c == 0.5)
    return 0.5;
  return currentW1A;
}

} // namespace morvane
