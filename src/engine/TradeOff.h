// Trade-offs tying a habitat-2 survival to the habitat-1 survival w of the
// same phenotype, and the W1(A) that makes [A] the ESS under the linear one.
#pragma once

namespace morvane {

double LinearTradeOff(double w);  // 1 - w
double ConvexTradeOff(double w);  // 1 - w*w
double ConcaveTradeOff(double w); // w*w + 1 - 2*w

// W1(A) for which [A] is the ESS under the linear trade-off, from c and x;
// for c < 0.5 the current W1(A) is kept.
double EssW1A(double c, double x, double currentW1A);

} // namespace morvane
