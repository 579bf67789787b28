// GUI tests need an application object before the first widget exists; this
// main replaces gtest_main for the UI test programs.
#include <gtest/gtest.h>

#include "ui/framework/ErrorHandler.h"

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  morvane::ui::MorvaneApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
