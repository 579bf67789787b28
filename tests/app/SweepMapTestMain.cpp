// The map is drawn with fonts, which need an application object before the
// first test; this main replaces gtest_main for the sweep's program tests.
#include <gtest/gtest.h>

#include "app/SweepMap.h"

int main(int argc, char **argv) {
  const morvane::SweepMapApplication application;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
