#include "engine/TradeOff.h"

#include <cmath>

namespace morvane {

double LinearTradeOff(double w) { return 1 - w; }
double ConvexTradeOff(double w) { return 1 - w * w; }
double ConcaveTradeOff(double w) { return w * w + 1 - 2 * w; }

double TradeOffSurvival(TradeOffRule rule, double w) {
  switch (rule) {
  case TradeOffRule::Linear:
    return LinearTradeOff(w);
  case TradeOffRule::Convex:
    return ConvexTradeOff(w);
  case TradeOffRule::Concave:
    return ConcaveTradeOff(w);
  case TradeOffRule::None:
    break;
  }
  return w;
}

const char *TradeOffStatusText(TradeOffRule rule) {
  switch (rule) {
  case TradeOffRule::Linear:
    return "LinTO";
  case TradeOffRule::Convex:
    return "ConvTO";
  case TradeOffRule::Concave:
    return "ConcTO";
  case TradeOffRule::None:
    break;
  }
  return "NoTO";
}

TradeOffRule TradeOffOfStatus(const std::string &status) {
  for (TradeOffRule rule : {TradeOffRule::Linear, TradeOffRule::Convex, TradeOffRule::Concave})
    if (status == TradeOffStatusText(rule))
      return rule;
  return TradeOffRule::None;
}

TradeOffRule TradeOffOfFlags(const SimState &s) {
  if (s.LinTradeOff)
    return TradeOffRule::Linear;
  if (s.ConvexTradeOff)
    return TradeOffRule::Convex;
  if (s.ConcaveTradeOff)
    return TradeOffRule::Concave;
  return TradeOffRule::None;
}

void ChooseTradeOff(SimState &s, TradeOffRule rule) {
  s.LinTradeOff = rule == TradeOffRule::Linear;
  s.ConvexTradeOff = rule == TradeOffRule::Convex;
  s.ConcaveTradeOff = rule == TradeOffRule::Concave;
  s.TradeOffStatus = TradeOffStatusText(rule);
}

double EssW1A(double c, double x, double currentW1A) {
  const double s = x * c * (1 - c);
  if (c > 0.5)
    return (std::sqrt(s * s + (c - 0.5) * (c - 0.5)) + (c - 0.5) - s) / (2 * (c - 0.5));
  if (c == 0.5)
    return 0.5;
  return currentW1A;
}

} // namespace morvane
