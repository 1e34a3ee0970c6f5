#include "app/core/ErrorTrap.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "sheet/Failure.h"

namespace lomandra {
namespace {

struct Recorder {
  QStringList reports;
  ErrorReportSink sink() {
    return [this](const QString& text) { reports << text; };
  }
};

QString report(const char* description, const char* procedure, int line) {
  return ErrorTrap::reportText(QString::fromUtf8(description), QString::fromUtf8(procedure), line);
}

TEST(ErrorTrap, ReportTextLayout) {
  EXPECT_EQ(report("File not found", "Form_Load", 100),
            QStringLiteral("File not found\r\nin Varnholt2021/08/31.Form1.Form_Load at line 100\r\r"
                           "Please email screenshot of this message to ") +
                ErrorTrap::supportAddress());
}

TEST(ErrorTrap, EmptyDescriptionStartsWithLineBreak) {
  EXPECT_TRUE(report("", "PushButton1_Click", 102).startsWith(
      QStringLiteral("\r\nin Varnholt2021/08/31.Form1.PushButton1_Click at line 102\r\r")));
}

TEST(ErrorTrap, OneFailingStepReportsItsLineAndReturns) {
  Recorder rec;
  ErrorTrap trap(rec.sink(), QStringLiteral("PushButton9_Click"));
  const bool done = trap.step(100, [] { throw Failure("Box failed"); });
  EXPECT_FALSE(done);
  ASSERT_EQ(rec.reports.size(), 1);
  EXPECT_TRUE(rec.reports[0].startsWith(
      QStringLiteral("Box failed\r\nin Varnholt2021/08/31.Form1.PushButton9_Click at line 100\r\r")));
}

TEST(ErrorTrap, TwoFailingStepsAreReportedInTurnAndTheRestRuns) {
  Recorder rec;
  ErrorTrap trap(rec.sink(), QStringLiteral("PushButton2_Click"));
  QStringList ran;
  trap.step(100, [&] { ran << "100"; });
  trap.step(104, [&] { throw Failure("first"); });
  trap.step(106, [&] { ran << "106"; });
  trap.step(110, [&] { throw std::runtime_error("second"); });
  trap.step(112, [&] { ran << "112"; });
  EXPECT_EQ(ran, (QStringList{"100", "106", "112"}));
  ASSERT_EQ(rec.reports.size(), 2);
  EXPECT_TRUE(rec.reports[0].contains(QStringLiteral("at line 104")));
  EXPECT_TRUE(rec.reports[0].startsWith(QStringLiteral("first\r\n")));
  EXPECT_TRUE(rec.reports[1].contains(QStringLiteral("at line 110")));
  EXPECT_TRUE(rec.reports[1].startsWith(QStringLiteral("second\r\n")));
  EXPECT_EQ(trap.line(), 112);
}

TEST(ErrorTrap, FailingConditionCountsAsHeld) {
  Recorder rec;
  ErrorTrap trap(rec.sink(), QStringLiteral("Form_Load"));
  const bool held = trap.test(104, []() -> bool { throw Failure("Bad file name"); });
  EXPECT_TRUE(held);
  EXPECT_EQ(rec.reports.size(), 1);
  EXPECT_FALSE(trap.test(106, [] { return false; }));
  EXPECT_TRUE(trap.test(108, [] { return true; }));
  EXPECT_EQ(rec.reports.size(), 1);
}

void calledProcedure() { throw Failure("inner"); }

TEST(ErrorTrap, FailureInsideCalledProcedureCitesTheCaller) {
  Recorder rec;
  ErrorTrap trap(rec.sink(), QStringLiteral("Form_Load"));
  trap.step(100, [] { calledProcedure(); });
  ASSERT_EQ(rec.reports.size(), 1);
  EXPECT_TRUE(rec.reports[0].startsWith(
      QStringLiteral("inner\r\nin Varnholt2021/08/31.Form1.Form_Load at line 100\r\r")));
}

TEST(ErrorTrap, AFailingReportDoesNotEscape) {
  ErrorTrap trap([](const QString&) { throw std::runtime_error("box broke"); },
                 QStringLiteral("PushButton4_Click"));
  bool after = false;
  EXPECT_NO_THROW(trap.step(100, [] { throw Failure("x"); }));
  trap.step(102, [&] { after = true; });
  EXPECT_TRUE(after);
}

TEST(ErrorTrap, UnknownExceptionsHaveADescription) {
  Recorder rec;
  ErrorTrap trap(rec.sink(), QStringLiteral("PushButton3_Click"));
  trap.step(100, [] { throw 42; });
  ASSERT_EQ(rec.reports.size(), 1);
  EXPECT_TRUE(rec.reports[0].startsWith(QStringLiteral("Unexpected failure\r\n")));
}

TEST(ErrorTrap, UntrappedHandlersSwallowFailures) {
  EXPECT_NO_THROW(runUntrapped([] { throw Failure("key handler"); }));
}

}  // namespace
}  // namespace lomandra
