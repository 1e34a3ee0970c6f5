// The running program's main window yields as the benchmark measures it: through the window's
// own throttled yield, not one that turns the event loop at every entry of an export.
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/Form1.h"
#include "app/PlatformServices.h"

namespace lomandra::app {
namespace {

TEST(PlatformServices, TheProgramsYieldTurnsTheEventLoopAtMostEveryFewMilliseconds) {
  PlatformServices platform;
  const Form1Services services = platform.services();
  Form1 form(services);
  // A zero-interval timer fires once per turn of the event loop.
  int turns = 0;
  QTimer turn;
  turn.setInterval(0);
  QObject::connect(&turn, &QTimer::timeout, [&] { ++turns; });
  turn.start();
  constexpr int kYields = 200000;  // an export of 200,000 entries yields this often
  for (int i = 0; i < kYields; ++i) form.doEvents();
  EXPECT_GT(turns, 0) << "the first yield turns the loop";
  EXPECT_LT(turns, kYields / 20) << "each yield turned the loop: the throttle is bypassed";
}

}  // namespace
}  // namespace lomandra::app
