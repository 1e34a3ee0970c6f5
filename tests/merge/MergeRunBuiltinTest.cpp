// The merge run end to end on the built-in engine, on workbooks the tests write themselves.

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <QFile>
#include <QTemporaryDir>

#include "merge/MergeCommands.h"
#include "sheet/builtin/BuiltinAutomation.h"
#include "tests/fakes/FakeForm.h"

namespace lomandra::merge {
namespace {

// A main window whose spreadsheet application is the built-in engine.
class BuiltinForm : public fakes::FakeForm {
 public:
  std::unique_ptr<sheet::Automation> engine = builtin::createBuiltinAutomation();
  sheet::Automation& automation() override { return *engine; }
};

QStringList entries(const EntryList& list) {
  QStringList result;
  for (int i = 1; i <= list.count(); ++i) result << list.text(i);
  return result;
}

// Sheet1: a 2 x 3 block with numbers, a formatted number, an empty cell and a repeat;
// "Bob's Data": a column of texts.
class MergeRunBuiltin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    book = dir.path() + QStringLiteral("/book.xlsx");
    lxw_workbook* workbook = workbook_new(QFile::encodeName(book).constData());
    ASSERT_NE(workbook, nullptr);
    lxw_format* money = workbook_add_format(workbook);
    format_set_num_format(money, "#,##0.00");
    lxw_worksheet* first = workbook_add_worksheet(workbook, "Sheet1");
    worksheet_write_string(first, 0, 0, "Name", nullptr);
    worksheet_write_number(first, 0, 1, 42, nullptr);
    worksheet_write_number(first, 0, 2, 1234.5, money);
    worksheet_write_string(first, 1, 0, "Name", nullptr);
    worksheet_write_string(first, 1, 2, "  spaced  ", nullptr);
    lxw_worksheet* second = workbook_add_worksheet(workbook, "Bob's Data");
    worksheet_write_string(second, 0, 0, "K\xC3\xB6ln", nullptr);
    worksheet_write_string(second, 1, 0, "name", nullptr);
    worksheet_write_string(second, 2, 0, "Name", nullptr);
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
  }

  void run(BuiltinForm& form, const QStringList& references) {
    form.path = book;
    for (const QString& reference : references) form.ranges.add(reference);
    PushButton2_Click(form);
  }

  QTemporaryDir dir;
  QString book;
};

const QStringList kBlockTexts = {"Name", "42", "1,234.50", "Name", "", "  spaced  "};
const QStringList kColumnTexts = {"K\u00f6ln", "name", "Name"};

TEST_F(MergeRunBuiltin, ReadsEveryCellOfEveryReferenceInOrder) {
  BuiltinForm form;
  run(form, {"'Sheet1'!$A$1:$C$2", "'Bob's Data'!$A$1:$A$3"});
  EXPECT_EQ(form.reports(), QStringList());
  EXPECT_EQ(entries(form.results), kBlockTexts + kColumnTexts);
  EXPECT_EQ(form.messages.texts(), QStringList{"Done."});
  EXPECT_EQ(form.pointerKind, pointer::Default);
}

TEST_F(MergeRunBuiltin, RemovesExactDuplicatesWhenAsked) {
  BuiltinForm form;
  form.option = QStringLiteral("Remove duplicates from results");
  run(form, {"'Sheet1'!$A$1:$C$2", "'Bob's Data'!$A$1:$A$3"});
  EXPECT_EQ(entries(form.results),
            (QStringList{"Name", "42", "1,234.50", "", "  spaced  ", "K\u00f6ln", "name"}));
}

TEST_F(MergeRunBuiltin, AMissingSheetIsReportedAndTheOthersAreMerged) {
  BuiltinForm form;
  run(form, {"'Sheet1'!$A$1:$C$2", "'Gone'!$A$1:$B$2", "'Bob's Data'!$A$1:$A$3"});
  const QStringList reports = form.reports();
  ASSERT_EQ(reports.size(), 3) << reports.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(reports[0].startsWith(QStringLiteral("PushButton2_Click@116: ")));
  EXPECT_TRUE(reports[1].startsWith(QStringLiteral("PushButton2_Click@118: Object variable not set")));
  EXPECT_TRUE(reports[2].startsWith(QStringLiteral("PushButton2_Click@120: Object variable not set")));
  EXPECT_EQ(entries(form.results), kBlockTexts + kColumnTexts);
  EXPECT_EQ(form.messages.texts().last(), QStringLiteral("Done."));
}

TEST_F(MergeRunBuiltin, AFileThatIsNoWorkbookFailsFromTheOpenOn) {
  const QString notes = dir.path() + QStringLiteral("/notes.xlsx");
  QFile file(notes);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("just some text, not a workbook\n\x01\x02\x03");
  file.close();
  for (const QString& path : {notes, dir.path() + QStringLiteral("/missing.xlsx")}) {
    BuiltinForm form;
    form.ranges.add(QStringLiteral("'Sheet1'!$A$1"));
    form.path = path;
    PushButton2_Click(form);
    QStringList lines;
    for (const QString& report : form.reports()) lines << report.section(QLatin1Char(':'), 0, 0);
    EXPECT_EQ(lines, (QStringList{"PushButton2_Click@114", "PushButton2_Click@116",
                                  "PushButton2_Click@118", "PushButton2_Click@120",
                                  "PushButton2_Click@124"}))
        << path.toStdString();
    EXPECT_FALSE(form.reports().value(0).endsWith(QStringLiteral(": ")))
        << "the open failure has a description";
    EXPECT_EQ(form.results.count(), 0);
    EXPECT_EQ(form.messages.texts().last(), QStringLiteral("Done."));
  }
}

TEST_F(MergeRunBuiltin, AWholeColumnGivesEveryRowOfTheSheet) {
  BuiltinForm form;
  run(form, {"'Sheet1'!$C:$C"});
  EXPECT_EQ(form.reports(), QStringList());
  ASSERT_EQ(form.results.count(), 1048576);
  EXPECT_EQ(form.results.text(1), QStringLiteral("1,234.50"));
  EXPECT_EQ(form.results.text(2), QStringLiteral("  spaced  "));
  EXPECT_EQ(form.results.text(3), QString());
  EXPECT_EQ(form.results.text(1048576), QString());
}

TEST(ExcelOpenWarningBuiltin, TheBuiltInEngineIsNotTheApplicationTheWarningIsAbout) {
  BuiltinForm form;
  EXPECT_FALSE(IsExcelRunning(form.automation()));
  EXPECT_FALSE(ExcelOpenWarning(form));
  EXPECT_TRUE(form.messages.shown.empty());
}

}  // namespace
}  // namespace lomandra::merge
