// Trade-offs tying a habitat-2 survival to the habitat-1 survival w of the
// same phenotype, and the W1(A) that makes [A] the ESS under the linear one.
#pragma once

#include <string>

#include "state/SimState.h"

namespace morvane {

double LinearTradeOff(double w);  // 1 - w
double ConvexTradeOff(double w);  // 1 - w*w
double ConcaveTradeOff(double w); // w*w + 1 - 2*w

enum class TradeOffRule { None, Linear, Convex, Concave };

// The habitat-2 survival that `rule` gives for the habitat-1 survival w; w
// itself under no trade-off (the survivals are then typed one by one).
double TradeOffSurvival(TradeOffRule rule, double w);

// "NoTO", "LinTO", "ConvTO" or "ConcTO": the status recorded in the files.
const char *TradeOffStatusText(TradeOffRule rule);

// The rule of the status text; None for "NoTO" and any other text.
TradeOffRule TradeOffOfStatus(const std::string &status);

// The rule whose flag is set (the three flags exclude each other).
TradeOffRule TradeOffOfFlags(const SimState &s);

// A trade-off button: the rule's flag set and the two others cleared (no
// trade-off clears all three), and its status recorded. ESSStatus is left.
void ChooseTradeOff(SimState &s, TradeOffRule rule);

// W1(A) for which [A] is the ESS under the linear trade-off, from c and x;
// for c < 0.5 the current W1(A) is kept.
double EssW1A(double c, double x, double currentW1A);

} // namespace morvane
