#include <gtest/gtest.h>

#include <QCoreApplication>

// The lists announce their rows through the event loop, so the tests run with an application.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
