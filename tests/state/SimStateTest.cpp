#include <gtest/gtest.h>

#include "state/SimState.h"

namespace morvane {
namespace {

TEST(SimState, StartsZeroedAndResetRestoresIt) {
  SimState Sim;
  EXPECT_EQ(Sim.FreqA, 0.0);
  EXPECT_EQ(Sim.Generation, 0u);
  EXPECT_TRUE(Sim.Ploidy.empty());
  for (double x : Sim.X)
    EXPECT_EQ(x, 0.0);

  Sim.FreqA = 0.5;
  Sim.Generation = 70000; // beyond 16 bits: the count must not wrap
  Sim.ModeQuit = true;
  Sim.TradeOffStatus = "LinTO";
  Sim.X[9] = 0.25;
  EXPECT_EQ(Sim.Generation, 70000u);

  Sim = SimState{};
  EXPECT_EQ(Sim.FreqA, 0.0);
  EXPECT_EQ(Sim.Generation, 0u);
  EXPECT_FALSE(Sim.ModeQuit);
  EXPECT_TRUE(Sim.TradeOffStatus.empty());
  EXPECT_EQ(Sim.X[9], 0.0);
}

} // namespace
} // namespace morvane
