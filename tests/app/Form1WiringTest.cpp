// Each control of the real main window reaches its own handler: one run through the program
// with every platform service replaced.
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "tests/app/Form1Harness.h"

namespace lomandra::testing {
namespace {

class Form1Wiring : public ::testing::Test {
 protected:
  void SetUp() override {
    workbook = h.programDir.filePath(QStringLiteral("book.xlsx"));
    QFile file(workbook);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    h.sheets.workbooks[workbook][QStringLiteral("'Sheet1'!$A$1:$A$2")] = {QStringLiteral("a"), QStringLiteral("b")};
    h.sheets.workbooks[workbook][QStringLiteral("'Sheet1'!$B$1")] = {QStringLiteral("c")};
    ASSERT_TRUE(h.startShown());
    h.sheets.log.clear();
  }
  // Selects the Range List entry at a 1-based index by clicking it.
  void selectRange(int entry) {
    QTreeView* list = h.controls().ListView1;
    h.form().rangeList().flush();
    const QRect row = list->visualRect(list->model()->index(entry - 1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
  }
  // Every control of the window, as a user would try them while it is held; true when the
  // window closed.
  bool tryEveryControl() {
    const app::Form1Controls& c = h.controls();
    for (QPushButton* button : c.buttons()) h.click(button);
    QTest::keyClick(c.ListView1, Qt::Key_Delete);
    QTest::mouseDClick(c.ListView1->viewport(), Qt::LeftButton, {},
                       c.ListView1->visualRect(c.ListView1->model()->index(0, 0)).center());
    h.type(c.Text1, QStringLiteral("x"));
    return h.form().close();
  }
  QStringList ranges() {
    QStringList texts;
    for (int i = 1; i <= h.form().rangeList().count(); ++i) texts << h.form().rangeList().text(i);
    return texts;
  }
  Form1Harness h;
  QString workbook;
};

TEST_F(Form1Wiring, RangeCommandsFromPathToList) {
  const app::Form1Controls& c = h.controls();
  h.dialog.chooses.push_back(workbook);
  h.click(c.PushButton1);  // "..."
  ASSERT_EQ(h.dialog.shown.size(), 1u);
  EXPECT_FALSE(h.dialog.shown[0].save);
  EXPECT_EQ(h.form().pathText(), workbook);

  h.click(c.PushButton10);  // "Load Sample/Example File"
  EXPECT_TRUE(h.form().pathText().endsWith(QStringLiteral("sample1.xls"))) << h.form().pathText().toStdString();
  h.click(c.PushButton11);  // "Clear File"
  EXPECT_EQ(h.form().pathText(), QString());
  EXPECT_EQ(h.stored(QStringLiteral("Excel File")), QString());

  h.form().setPathText(workbook);
  for (const char* address : {"$A$1:$A$2", "$B$1", "$A$1:$A$2"}) {
    h.sheets.pickedAddress = QString::fromLatin1(address);
    h.click(c.PushButton5);  // "Add Range Of Cells To Merge"
  }
  EXPECT_EQ(ranges(), (QStringList{"'Sheet1'!$A$1:$A$2", "'Sheet1'!$B$1", "'Sheet1'!$A$1:$A$2"}));
  EXPECT_EQ(h.form().mousePointer(), pointer::Default);

  selectRange(3);
  QTest::keyClick(c.ListView1, Qt::Key_Backspace);  // not the Delete key
  EXPECT_EQ(ranges().size(), 3);
  QTest::keyClick(c.ListView1, Qt::Key_Delete);
  EXPECT_EQ(ranges(), (QStringList{"'Sheet1'!$A$1:$A$2", "'Sheet1'!$B$1"}));
  selectRange(2);
  QTest::mouseDClick(c.ListView1->viewport(), Qt::LeftButton, {},
                     c.ListView1->visualRect(c.ListView1->model()->index(1, 0)).center());
  EXPECT_EQ(ranges(), QStringList{"'Sheet1'!$A$1:$A$2"});
  selectRange(1);
  h.click(c.PushButton6);  // "Delete Selected"
  EXPECT_TRUE(ranges().isEmpty());
  h.form().rangeList().add(QStringLiteral("'Sheet1'!$B$1"));
  h.click(c.PushButton7);  // "Clear List"
  EXPECT_TRUE(ranges().isEmpty());
  EXPECT_TRUE(h.reports().isEmpty()) << h.reports().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Form1Wiring, MergeAndExportCommands) {
  const app::Form1Controls& c = h.controls();
  h.form().setPathText(workbook);
  h.form().rangeList().add(QStringLiteral("'Sheet1'!$A$1:$A$2"));
  h.form().rangeList().add(QStringLiteral("'Sheet1'!$B$1"));
  h.click(c.PushButton2);  // "Start Merging"
  ASSERT_EQ(h.form().resultList().count(), 3);
  EXPECT_EQ(h.form().resultList().text(3), QStringLiteral("c"));
  EXPECT_TRUE(h.notices().contains(QStringLiteral("Done.")));

  const QString target = h.programDir.filePath(QStringLiteral("out.txt"));
  h.dialog.chooses.push_back(target);
  h.click(c.PushButton4);  // "Save Results As Text File"
  ASSERT_FALSE(h.dialog.shown.empty());
  EXPECT_TRUE(h.dialog.shown.back().save);
  EXPECT_TRUE(QFile::exists(target));

  h.click(c.PushButton8);  // "Copy Results To Clipboard"
  EXPECT_TRUE(h.clipboard.content.contains(QLatin1Char('b'))) << h.clipboard.content.toStdString();

  const size_t writtenBefore = h.sheets.written.size();
  h.click(c.PushButton13);  // "Send Results As Excel File"
  EXPECT_GT(h.sheets.written.size(), writtenBefore);
  EXPECT_TRUE(h.form().SaveResultsAsExcelFileIsExcelInstalled());

  h.click(c.PushButton3);  // "Clear List" of the results
  EXPECT_EQ(h.form().resultList().count(), 0);
  EXPECT_TRUE(h.reports().isEmpty()) << h.reports().join(QLatin1Char('\n')).toStdString();
}

// While the range box waits for the user, the main window takes no clicks and no keys: every
// button, the list gestures, typing into the path box and a second pick change nothing.
TEST_F(Form1Wiring, PickHoldsTheMainWindow) {
  const app::Form1Controls& c = h.controls();
  h.form().setPathText(workbook);
  h.form().rangeList().add(QStringLiteral("'Sheet1'!$B$1"));
  h.form().resultList().add(QStringLiteral("kept"));
  selectRange(1);
  h.dialog.chooses.push_back(workbook);
  h.sheets.pickedAddress = QStringLiteral("$A$1:$A$2");
  int picks = 0;
  bool closedDuringPick = true;
  h.sheets.beforeCall = [&](const QString& call) {
    if (!call.startsWith(QStringLiteral("pickRange"))) return;
    if (++picks > 1) return;
    closedDuringPick = tryEveryControl();
  };
  h.click(c.PushButton5);

  EXPECT_EQ(picks, 1) << "no second pick";
  EXPECT_EQ(h.sheets.log.filter(QStringLiteral("create#")).size(), 1) << "one instance, the pick's";
  EXPECT_EQ(ranges(), (QStringList{"'Sheet1'!$B$1", "'Sheet1'!$A$1:$A$2"}));
  ASSERT_EQ(h.form().resultList().count(), 1);
  EXPECT_EQ(h.form().resultList().text(1), QStringLiteral("kept"));
  EXPECT_EQ(h.form().pathText(), workbook);
  EXPECT_TRUE(h.messages.shown.empty()) << h.messages.texts().join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(h.dialog.shown.empty());
  EXPECT_EQ(h.clipboard.content, QStringLiteral("<previous content>"));
  EXPECT_TRUE(h.sheets.written.empty());
  // The close asked for during the pick ends the program once the pick is over.
  EXPECT_FALSE(closedDuringPick);
  EXPECT_FALSE(h.form().isVisible());
  for (QPushButton* button : c.buttons()) EXPECT_TRUE(button->isEnabled());
}

// While "Send Results As Excel File" fills the new workbook it yields between entries; the main
// window is held meanwhile exactly as during a pick. Past the sheet's last row, one report.
TEST_F(Form1Wiring, ExportHoldsTheMainWindowAndReportsAFullSheetOnce) {
  h.form().setPathText(workbook);
  h.form().rangeList().add(QStringLiteral("'Sheet1'!$B$1"));
  for (int i = 1; i <= 25; ++i) h.form().resultList().add(QString::number(i));
  selectRange(1);
  h.sheets.sheetRows = 10;
  int yields = 0;
  bool closedDuringExport = true;
  h.onDoEvents = [&] {
    if (++yields == 1) closedDuringExport = tryEveryControl();
  };
  h.click(h.controls().PushButton13);
  EXPECT_EQ(h.reports(), QStringList{"PushButton13_Click@156: The sheet has no room for the rest of the "
                                     "list: its last row is 10. Entries sent: 9. Entries that did not "
                                     "fit: 16."});
  EXPECT_EQ(h.sheets.written.size(), 10u);
  EXPECT_EQ(h.sheets.log.filter(QStringLiteral("write#")).size(), 11) << "one try past the last row";
  EXPECT_EQ(ranges(), QStringList{"'Sheet1'!$B$1"});
  EXPECT_EQ(h.form().resultList().count(), 25);
  EXPECT_EQ(h.form().pathText(), workbook);
  EXPECT_TRUE(h.dialog.shown.empty());
  EXPECT_FALSE(closedDuringExport);
  EXPECT_FALSE(h.form().isVisible()) << "the close asked for meanwhile ends the program afterwards";
}

TEST_F(Form1Wiring, AfterAPickTheWindowTakesClicksAgain) {
  const app::Form1Controls& c = h.controls();
  h.form().setPathText(workbook);
  h.click(c.PushButton5);
  EXPECT_EQ(ranges(), QStringList{"'Sheet1'!$A$1"});
  h.click(c.PushButton7);  // "Clear List"
  EXPECT_TRUE(ranges().isEmpty());
  EXPECT_TRUE(h.form().isVisible());
  EXPECT_TRUE(h.form().close());
}

}  // namespace
}  // namespace lomandra::testing
