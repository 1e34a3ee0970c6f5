// main() of the widget test programs: a QApplication on the offscreen platform (unless another
// is asked for), then every GoogleTest case. On Windows the platform's own plugin, the one the
// program ships with (Wine does not hand QT_* variables to Windows programs, so none can be
// asked for there).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
#ifndef Q_OS_WIN
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
