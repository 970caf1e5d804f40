// main() for tests that drive widgets: one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
  testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
