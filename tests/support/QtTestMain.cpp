// main() for tests that drive widgets: one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
  testing::InitGoogleTest(&argc, argv);
  // gtest_discover_tests lists the tests without the offscreen setting that ctest gives them.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
