// Trade-off rules between the survivals of the two habitats, and the W1(A)
// that makes [A] the ESS under the linear trade-off.
#include <cmath>

#include <gtest/gtest.h>

#include "engine/TradeOff.h"

namespace morvane {
namespace {

TEST(TradeOff, RulesGiveTheHabitat2Survival) {
  EXPECT_DOUBLE_EQ(LinearTradeOff(0.7), 0.3);
  EXPECT_DOUBLE_EQ(LinearTradeOff(0.2), 0.8);
  EXPECT_EQ(ConvexTradeOff(0.5), 0.75);
  EXPECT_EQ(ConcaveTradeOff(0.5), 0.25);
  EXPECT_DOUBLE_EQ(ConvexTradeOff(0.3), 0.91);
  EXPECT_DOUBLE_EQ(ConcaveTradeOff(0.3), 0.49);
  // A survival of 1 in habitat 1 leaves none in habitat 2, and 0 leaves 1.
  for (double (*rule)(double) : {LinearTradeOff, ConvexTradeOff, ConcaveTradeOff}) {
    EXPECT_EQ(rule(1), 0.0);
    EXPECT_EQ(rule(0), 1.0);
  }
}

TEST(TradeOff, ConcaveRuleIsEvaluatedInItsOwnOrder) {
  // w*w + 1 - 2*w, not (1 - w)^2: the two may differ in the last bit, and the
  // result files must carry the same value as the windows show.
  for (double w = 0; w <= 1.0; w += 0.01) {
    const double expected = w * w + 1 - 2 * w;
    EXPECT_EQ(ConcaveTradeOff(w), expected) << "w = " << w;
    EXPECT_NEAR(ConcaveTradeOff(w), (1 - w) * (1 - w), 1e-15);
  }
}

TEST(TradeOff, EssSurvivalOfAFromCAndX) {
  // Under pure soft regulation the ESS survival equals c.
  EXPECT_NEAR(EssW1A(0.6, 1, 0.2), 0.6, 1e-15);
  EXPECT_NEAR(EssW1A(0.9, 1, 0.2), 0.9, 1e-15);
  // Under pure hard regulation it is 1 for any c above one half.
  EXPECT_DOUBLE_EQ(EssW1A(0.6, 0, 0.2), 1.0);
  EXPECT_DOUBLE_EQ(EssW1A(0.5001, 0, 0.2), 1.0);
  EXPECT_DOUBLE_EQ(EssW1A(0.9999, 0, 0.2), 1.0);
  // c = 0.5 exactly: one half, whatever x and the current value.
  EXPECT_EQ(EssW1A(0.5, 0.3, 0.9), 0.5);
  EXPECT_EQ(EssW1A(0.5, 1, 0.1), 0.5);
  // c below one half: the current value is kept.
  EXPECT_EQ(EssW1A(0.4999, 0.5, 0.37), 0.37);
  EXPECT_EQ(EssW1A(0.0001, 1, 0.81), 0.81);
  // An intermediate case, worked by hand: x = 0.5, c = 0.7 gives s = 0.105
  // and (sqrt(0.051025) + 0.2 - 0.105) / 0.4.
  EXPECT_NEAR(EssW1A(0.7, 0.5, 0), (std::sqrt(0.051025) + 0.095) / 0.4, 1e-15);
  EXPECT_NEAR(EssW1A(0.7, 0.5, 0), 0.8022178, 1e-7);
}

TEST(TradeOff, RuleFlagsAndStatusTextAgree) {
  SimState s;
  const TradeOffRule rules[] = {TradeOffRule::None, TradeOffRule::Linear, TradeOffRule::Convex,
                                TradeOffRule::Concave};
  const char *texts[] = {"NoTO", "LinTO", "ConvTO", "ConcTO"};
  for (int k = 0; k < 4; ++k) {
    s.ESSStatus = "LinESS";
    ChooseTradeOff(s, rules[k]);
    EXPECT_EQ(s.TradeOffStatus, texts[k]);
    EXPECT_EQ(s.ESSStatus, "LinESS"); // a trade-off button leaves the ESS status
    EXPECT_EQ(int(s.LinTradeOff) + int(s.ConvexTradeOff) + int(s.ConcaveTradeOff), k == 0 ? 0 : 1);
    EXPECT_EQ(TradeOffOfFlags(s), rules[k]);
    EXPECT_EQ(TradeOffOfStatus(texts[k]), rules[k]);
  }
  EXPECT_EQ(TradeOffOfStatus("LinESS"), TradeOffRule::None);
  EXPECT_EQ(TradeOffOfStatus(""), TradeOffRule::None);
  EXPECT_EQ(TradeOffSurvival(TradeOffRule::Linear, 0.7), LinearTradeOff(0.7));
  EXPECT_EQ(TradeOffSurvival(TradeOffRule::Convex, 0.7), ConvexTradeOff(0.7));
  EXPECT_EQ(TradeOffSurvival(TradeOffRule::Concave, 0.7), ConcaveTradeOff(0.7));
}

TEST(TradeOff, EssSurvivalStaysASurvival) {
  // For every c above one half and every x the result lies in c..1, so the
  // linear trade-off then gives a habitat-2 survival in 0..1 - c.
  for (double c = 0.5005; c < 1; c += 0.01) {
    for (double x = 0; x <= 1.0; x += 0.05) {
      const double w = EssW1A(c, x, -1);
      EXPECT_GE(w, c - 1e-12) << "c = " << c << ", x = " << x;
      EXPECT_LE(w, 1 + 1e-12) << "c = " << c << ", x = " << x;
    }
  }
}

} // namespace
} // namespace morvane
