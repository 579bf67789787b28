// GUI tests need an application object before the first widget exists; this
// main replaces gtest_main for the UI test programs.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ui/framework/ErrorHandler.h"

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  // Settings the windows remember (folders, figure sizes) go to a folder of
  // this test program's own, never to the settings of whoever runs it.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  morvane::ui::MorvaneApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
