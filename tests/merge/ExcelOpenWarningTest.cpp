#include <gtest/gtest.h>

#include "merge/MergeCommands.h"
#include "tests/fakes/FakeForm.h"

namespace lomandra::merge {
namespace {

using fakes::FakeForm;

const QString kWarning = QStringLiteral(
    "Excel may be open. It is recommended that you close Excel first.\r"
    "Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.\r\n\r\n"
    "Would you like to proceed anyway?");

TEST(IsExcelRunning, OnlyARunningInstanceNamedMicrosoftExcelCounts) {
  struct Case {
    const char* name;
    bool running;
    const char* runningName;
    std::set<QString> failing;
    bool expected;
  } const cases[] = {
      {"nothing running", false, "Microsoft Excel", {}, false},
      {"running", true, "Microsoft Excel", {}, true},
      {"another name", true, "Lomandra built-in engine", {}, false},
      {"case differs", true, "microsoft excel", {}, false},
      {"a trailing space differs", true, "Microsoft Excel ", {}, false},
      {"attach fails", true, "Microsoft Excel", {"attach"}, false},
      {"the name cannot be read", true, "Microsoft Excel", {"name"}, false},
  };
  for (const auto& c : cases) {
    fakes::FakeAutomation sheets;
    sheets.running = c.running;
    sheets.runningName = QString::fromUtf8(c.runningName);
    sheets.failing = c.failing;
    EXPECT_EQ(IsExcelRunning(sheets), c.expected) << c.name;
    EXPECT_EQ(sheets.quit, 0) << c.name << ": the running instance is never told to quit";
    EXPECT_FALSE(sheets.log.contains(QStringLiteral("show#0"))) << c.name;
    if (c.running && !c.failing.count("attach")) {
      EXPECT_EQ(sheets.released, 1) << c.name << ": the attached instance is let go";
    }
  }
}

TEST(ExcelOpenWarning, AsksOnlyWhenRunningAndOnlyYesGoesOn) {
  struct Case {
    const char* name;
    bool running;
    std::deque<int> answers;
    bool stop;
    size_t boxes;
  } const cases[] = {
      {"not running: no question", false, {}, false, 0},
      {"Yes goes on", true, {mb::Yes}, false, 1},
      {"No stops", true, {mb::No}, true, 1},
      {"any other answer stops", true, {mb::Ok}, true, 1},
  };
  for (const auto& c : cases) {
    FakeForm form;
    form.sheets.running = c.running;
    form.messages.answers = c.answers;
    EXPECT_EQ(ExcelOpenWarning(form), c.stop) << c.name;
    ASSERT_EQ(form.messages.shown.size(), c.boxes) << c.name;
    if (c.boxes == 0) continue;
    const auto& box = form.messages.shown[0];
    EXPECT_EQ(box.text, kWarning);
    EXPECT_EQ(box.style, mb::YesNo) << "Yes and No, Yes the default, no icon";
    EXPECT_EQ(box.title, QStringLiteral("Lomandra"));
  }
}

TEST(ExcelOpenWarning, AFailingBoxGoesToTheCaller) {
  FakeForm form;
  form.sheets.running = true;
  form.messages.onShow = [](const auto&) { throw std::runtime_error("The box cannot be shown."); };
  EXPECT_THROW(ExcelOpenWarning(form), std::runtime_error);
}

}  // namespace
}  // namespace lomandra::merge
