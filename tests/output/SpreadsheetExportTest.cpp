#include <gtest/gtest.h>

#include "output/OutputCommands.h"
#include "sheet/Failure.h"
#include "tests/fakes/FakeForm.h"
#include "tests/output/ListTable.h"

namespace lomandra::output {
namespace {

using fakes::FakeForm;
using testing::fill;
using testing::ListTable;

const QString kProbeMessage = QStringLiteral(
    "Excel is not installed on this computer. You need to have it installed to use this software "
    "without error.");
const QString kCommandMessage = QStringLiteral(
    "Excel is not installed on this computer. You need to have it installed to use this feature.");

// The cells written, as "row,column text".
QStringList cells(const FakeForm& form) {
  QStringList result;
  for (const auto& w : form.sheets.written)
    result << QStringLiteral("%1,%2 %3").arg(w.row).arg(w.column).arg(w.text);
  return result;
}

TEST(SendResultsCommand, WithoutASpreadsheetApplicationShowsTwoBoxesAndNoReport) {
  FakeForm form;
  fill(form.results, {"a"});
  form.sheets.failing = {"create"};
  PushButton13_Click(form);
  ASSERT_EQ(form.messages.shown.size(), 2u);
  EXPECT_EQ(form.messages.texts(), (QStringList{kProbeMessage, kCommandMessage}));
  for (const auto& box : form.messages.shown) {
    EXPECT_EQ(box.style, mb::OkOnly);
    EXPECT_EQ(box.title, QStringLiteral("Lomandra"));
  }
  EXPECT_EQ(form.sheets.log, QStringList{"create#1"});
  EXPECT_EQ(form.yields, 0);
}

TEST(SendResultsCommand, TheProbeReleasesItsInstanceWithoutQuitting) {
  FakeForm form;
  EXPECT_TRUE(SaveResultsAsExcelFileIsExcelInstalled(form));
  EXPECT_EQ(form.sheets.log, (QStringList{"create#1", "release#1"}));
  EXPECT_TRUE(form.messages.shown.empty());
}

TEST(SendResultsCommand, AnEmptyListEndsAfterTheProbe) {
  FakeForm form;
  PushButton13_Click(form);
  EXPECT_EQ(form.sheets.log, (QStringList{"create#1", "release#1"}));
  EXPECT_TRUE(form.messages.shown.empty());
}

TEST(SendResultsCommand, FillsANewVisibleWorkbookRowByRowAndLeavesItOpen) {
  FakeForm form;
  fill(form.results, {"a", "", "=b", " ", "-c", "d"});
  PushButton13_Click(form);
  EXPECT_EQ(cells(form), (QStringList{"1,1 Result(s)", "2,1 a", "4,1 =b", "5,1  ", "7,1 d"}));
  EXPECT_EQ(form.sheets.log,
            (QStringList{"create#1", "release#1", "create#2", "add#2", "show#2", "write#2 1,1 Result(s)",
                         "write#2 2,1 a", "write#2 4,1 =b", "write#2 5,1  ", "write#2 7,1 d", "fit#2",
                         "release#2"}));
  EXPECT_EQ(form.sheets.quit, 0);
  EXPECT_TRUE(form.messages.shown.empty());
  EXPECT_EQ(form.yields, 1 + 6 + 5);
}

TEST(SendResultsCommand, AnEmptyFirstEntryLeavesTheHeaderRowEmpty) {
  FakeForm form;
  fill(form.results, {"", "x"});
  PushButton13_Click(form);
  EXPECT_EQ(cells(form), QStringList{"3,1 x"});
}

TEST(SendResultsCommand, PacksCellsLeftAndRemovesEqualsFromSubItemsOnly) {
  FakeForm form;
  ListTable list;
  list.headers = {"A", "B", "C"};
  list.rows = {{{"", "b=1", "=c"}},
               {{"=a", "", "c=="}},
               {{"x", "y", "z"}, false},
               {{"", "", ""}},
               {{"p", "q", "r"}},
               {{"s", "==", "t"}}};
  SendListToNewWorkbook(form, list);
  EXPECT_EQ(cells(form), (QStringList{"1,1 B", "1,2 C",            // header judged on entry 1
                                      "2,1 b1", "2,2 c",           // entry 1
                                      "3,1 =a", "3,2 c",           // entry 2: first column unchanged
                                      "6,1 p", "6,2 q", "6,3 r",   // entries 3 and 4 leave rows empty
                                      "7,1 s", "7,2 ", "7,3 t"})); // a sub-item of "=" alone
  EXPECT_TRUE(form.reports().isEmpty());
}

TEST(SendResultsCommand, EachFailingStepIsReportedWithItsLabelAndTheCommandGoesOn) {
  struct Case {
    const char* name;
    QString failingCall;  // the log line whose call throws
    QStringList reports;
    QStringList cells;
  };
  const std::vector<Case> cases = {
      {"create in the command",
       "create#2",
       {"110", "112", "114", "126", "132", "156", "162", "172"},
       {}},
      {"add", "add#2", {"112"}, {"1,1 A", "1,2 B", "2,1 a", "2,2 b"}},
      {"show", "show#2", {"114"}, {"1,1 A", "1,2 B", "2,1 a", "2,2 b"}},
      {"header write of column 1", "write#2 1,1 A", {"126"}, {"1,2 B", "2,1 a", "2,2 b"}},
      {"header write of column 2", "write#2 1,2 B", {"132"}, {"1,1 A", "2,1 a", "2,2 b"}},
      {"entry write of column 1", "write#2 2,1 a", {"156"}, {"1,1 A", "1,2 B", "2,2 b"}},
      {"entry write of column 2", "write#2 2,2 b", {"162"}, {"1,1 A", "1,2 B", "2,1 a"}},
      {"fit", "fit#2", {"172"}, {"1,1 A", "1,2 B", "2,1 a", "2,2 b"}},
  };
  for (const auto& c : cases) {
    FakeForm form;
    ListTable list;
    list.headers = {"A", "B"};
    list.rows = {{{"a", "b="}}};
    form.sheets.beforeCall = [&](const QString& call) {
      if (call == c.failingCall) throw Failure("Scripted failure");
    };
    SendListToNewWorkbook(form, list);
    QStringList lines;
    for (const QString& report : form.reports()) {
      EXPECT_TRUE(report.startsWith(QStringLiteral("PushButton13_Click@"))) << c.name;
      lines << report.section(u'@', 1).section(u':', 0, 0);
    }
    EXPECT_EQ(lines, c.reports) << c.name;
    EXPECT_EQ(cells(form), c.cells) << c.name;
    EXPECT_EQ(form.sheets.quit, 0) << c.name;
    EXPECT_EQ(form.sheets.released, form.sheets.created) << c.name;
  }
}

TEST(SendResultsCommand, AListClearedDuringAYieldReportsEachReadThatFails) {
  FakeForm form;
  fill(form.results, {"a", "b", "c"});
  // Yields: header column 1, entry 1, its cell, entry 2 (cleared here).
  form.onDoEvents = [&] {
    if (form.yields == 4) form.results.clear();
  };
  PushButton13_Click(form);
  QStringList lines;
  for (const QString& report : form.reports()) lines << report.section(u'@', 1).section(u':', 0, 0);
  EXPECT_EQ(lines, (QStringList{"144", "154", "156", "144", "154", "156"}));
  EXPECT_TRUE(form.reports()[0].endsWith(QStringLiteral("Index out of bounds: the list has no entry 2.")));
  EXPECT_EQ(cells(form), (QStringList{"1,1 Result(s)", "2,1 a"}));
  EXPECT_EQ(form.sheets.log.last(), QStringLiteral("release#2"));
  EXPECT_TRUE(form.sheets.log.contains(QStringLiteral("fit#2")));
}

// A row past the sheet's last cannot take any later entry either: one report with the counts
// (an empty entry past the last row did not fit either), the entries stop, the columns are
// fitted. A cell past the last column fails alone.
TEST(SendResultsCommand, ASheetWithoutRoomForTheRestIsReportedOnce) {
  FakeForm form;
  form.sheets.sheetRows = 3;
  ListTable list;
  list.headers = {"A", "B"};
  list.rows = {{{"a", "x"}}, {{"b", "y"}, false}, {{"", ""}}, {{"d", "z"}}, {{"e", ""}}};
  form.sheets.beforeCall = [](const QString& call) {
    if (call == QStringLiteral("write#2 2,2 x")) throw OutsideSheet(1048576, 1);
  };
  SendListToNewWorkbook(form, list);
  QStringList reports;
  for (const QString& report : form.reports()) reports << report.section(u'@', 1);
  EXPECT_EQ(reports, (QStringList{"162: The cell lies outside the sheet, which has 1,048,576 rows and 1 columns.",
                                  "156: The sheet has no room for the rest of the list: its last row is 3. "
                                  "Entries sent: 2. Entries that did not fit: 3."}));
  EXPECT_EQ(cells(form), (QStringList{"1,1 A", "1,2 B", "2,1 a"}));
  EXPECT_TRUE(form.sheets.log.contains(QStringLiteral("fit#2")));
}

}  // namespace
}  // namespace lomandra::output
