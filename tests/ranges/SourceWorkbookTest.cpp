#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "ranges/RangeCommands.h"
#include "tests/fakes/FakeForm.h"

namespace lomandra::ranges {
namespace {

using fakes::FakeForm;

TEST(Browse, SetsTheDialogAndTakesTheChosenPath) {
  FakeForm form;
  form.path = QStringLiteral("/old/book.xls");
  form.dialog.fileName = QStringLiteral("/left/over.xls");
  form.dialog.chooses = {QStringLiteral("/data/new book.xlsx")};
  PushButton1_Click(form);
  ASSERT_EQ(form.dialog.shown.size(), 1u);
  const auto& shown = form.dialog.shown[0];
  EXPECT_FALSE(shown.save);
  EXPECT_EQ(shown.fileName, QString());  // emptied before showing
  EXPECT_EQ(shown.dialogTitle, QStringLiteral("Select Excel File"));
  EXPECT_EQ(shown.filter, QStringLiteral("Excel Files (*.xl*)|*.xl*|"
                                        "OpenDocument Spreadsheets (*.ods *.fods)|*.ods;*.fods|"
                                        "Text Files (*.csv *.txt)|*.csv;*.txt|"
                                        "All Files (*)|*|"));
  EXPECT_EQ(form.path, QStringLiteral("/data/new book.xlsx"));
  EXPECT_TRUE(form.messages.shown.empty());
}

// The dialog starts in the folder of the workbook the path box names, when that folder exists.
TEST(Browse, StartsInTheFolderOfTheNamedWorkbook) {
  QTemporaryDir dir;
  const QString native = QDir::toNativeSeparators(dir.path());
  const QString rows[][2] = {{dir.path() + QStringLiteral("/june.xlsx "), native},  // need not exist
                             {dir.path(), native},
                             {dir.path() + QStringLiteral("/gone/june.xlsx"), {}},
                             {QStringLiteral("june.xlsx"), {}}};
  for (const auto& row : rows) {
    FakeForm form;
    form.path = row[0];
    PushButton1_Click(form);
    EXPECT_EQ(form.dialog.shown.at(0).initDir, row[1]) << row[0].toStdString();
  }
}

TEST(Browse, CancelLeavesThePathBoxAndSaysNothing) {
  FakeForm form;
  form.path = QStringLiteral("/old/book.xls");
  form.dialog.chooses = {QString()};
  PushButton1_Click(form);
  EXPECT_EQ(form.path, QStringLiteral("/old/book.xls"));
  EXPECT_TRUE(form.messages.shown.empty());
}

TEST(Browse, EveryBrowseStartsEmptyAfterAnEarlierChoice) {
  FakeForm form;
  form.dialog.chooses = {QStringLiteral("/a.xlsx"), QString()};
  PushButton1_Click(form);
  PushButton1_Click(form);  // cancelled: the earlier choice must not come back
  ASSERT_EQ(form.dialog.shown.size(), 2u);
  EXPECT_EQ(form.dialog.shown[1].fileName, QString());
  EXPECT_EQ(form.path, QStringLiteral("/a.xlsx"));
}

TEST(SampleFile, NamesTheSampleBesideTheProgramWhetherOrNotItExists) {
  FakeForm form;
  form.folder = QStringLiteral("/nowhere/lomandra");
  PushButton10_Click(form);
  EXPECT_EQ(form.path, QStringLiteral("/nowhere/lomandra/Samples/sample1.xls"));
  EXPECT_TRUE(form.messages.shown.empty());
}

TEST(ClearFile, EmptiesThePathBoxAndLeavesTheRangeList) {
  FakeForm form;
  form.path = QStringLiteral("/a.xlsx");
  form.ranges.add(QStringLiteral("'Sheet1'!$A$1"));
  PushButton11_Click(form);
  EXPECT_EQ(form.path, QString());
  EXPECT_EQ(form.ranges.count(), 1);
  PushButton11_Click(form);  // already empty: still nothing to say
  EXPECT_TRUE(form.messages.shown.empty());
}

}  // namespace
}  // namespace lomandra::ranges
