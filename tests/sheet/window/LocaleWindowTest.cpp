// The workbook window and the spreadsheet export in a German locale: cells, the formula line, a
// narrow General number and the number-or-text rule of written texts all follow it.

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/numfmt/Locale.h"
#include "sheet/window/CellFit.h"
#include "sheet/window/FormulaBar.h"
#include "sheet/window/SheetGrid.h"
#include "sheet/window/SheetTableModel.h"
#include "sheet/window/WorkbookSaver.h"
#include "sheet/window/WorkbookWindow.h"
#include "sheet/window/WrittenSheet.h"
#include "tests/sheet/window/WindowTestSupport.h"

namespace lomandra::window {
namespace {

/// Sets the program's rendering locale for one test and puts en-US back after it.
class GermanLocale : public ::testing::Test {
 protected:
  void SetUp() override { numfmt::Locale::setDisplay(numfmt::Locale::fromTag("de-DE")); }
  void TearDown() override { numfmt::Locale::setDisplay(numfmt::Locale::enUS()); }
};

QString writeFigures(const QTemporaryDir& dir) {
  const QString path = dir.path() + QStringLiteral("/figures.xlsx");
  lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Figures");
  lxw_format* date = workbook_add_format(workbook);
  format_set_num_format_index(date, 14);
  lxw_format* money = workbook_add_format(workbook);
  format_set_num_format(money, "#,##0.00");
  worksheet_write_number(sheet, 0, 0, 1234.5, nullptr);
  worksheet_write_number(sheet, 0, 1, 46000, date);
  worksheet_write_number(sheet, 1, 0, 1234567.891, money);
  worksheet_write_string(sheet, 1, 1, "Text", nullptr);
  workbook_close(workbook);
  return path;
}

TEST_F(GermanLocale, TheWindowsCellsAndFormulaLineShowTheLocalesTexts) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto book = engine::BuiltinWorkbook::open(QFile::encodeName(writeFigures(dir)).toStdString());
  WorkbookWindow window(*book);
  window.show();
  const SheetTableModel* model = window.grid()->sheetModel();
  ASSERT_NE(model, nullptr);
  const auto shown = [&](int row, int column) {
    return model->data(model->index(row, column), Qt::DisplayRole).toString();
  };
  // The rows arrive from the background reading.
  ASSERT_TRUE(QTest::qWaitFor([&] { return shown(1, 1) == "Text"; }, 10000));
  EXPECT_EQ(shown(0, 0), "1234,5");
  EXPECT_EQ(shown(0, 1), "09.12.2025");
  EXPECT_EQ(shown(1, 0), "1.234.567,89");
  EXPECT_EQ(shown(1, 1), "Text");
  testing::clickCell(*window.grid(), 0, 1);
  EXPECT_EQ(window.formulaBar()->contentField()->text(), "09.12.2025");
  testing::clickCell(*window.grid(), 1, 0);
  EXPECT_EQ(window.formulaBar()->contentField()->text(), "1.234.567,89");
}

TEST_F(GermanLocale, ANarrowGeneralNumberKeepsTheDecimalComma) {
  // Each character is 7 pixels wide: General's "3,14159265359" needs 91.
  const TextMeasure measure = [](const QString& text) { return static_cast<int>(text.size()) * 7; };
  const auto shorter = shortenGeneral(3.14159265359, 60 + 2 * kCellPadding, measure);
  ASSERT_TRUE(shorter.has_value());
  EXPECT_EQ(*shorter, "3,141593");
  EXPECT_EQ(*shortenGeneral(123456789012345.0, 50 + 2 * kCellPadding, measure), "1,2E+14");
}

TEST_F(GermanLocale, TheExportedWorkbookHoldsTheNumbersTheGermanTextsShow) {
  // The spreadsheet export writes the merged German texts; the saved workbook holds numbers,
  // which read back as the same texts in German and as American texts in en-US.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  WrittenSheet sheet;
  sheet.write(0, 0, QStringLiteral("Result(s)"));
  sheet.write(1, 0, QStringLiteral("1234,5"));
  sheet.write(2, 0, QStringLiteral("1.234,50"));
  sheet.write(3, 0, QStringLiteral("-0,25"));
  const QString path = dir.filePath(QStringLiteral("export.xlsx"));
  saveXlsx(sheet, QStringLiteral("Sheet1"), path);
  const auto texts = [&path] {
    auto book = engine::BuiltinWorkbook::open(QFile::encodeName(path).toStdString());
    std::vector<std::string> out;
    book->sheet(0).forEachText({0, 0, 3, 0}, [&out](std::string_view text) {
      out.emplace_back(text);
      return true;
    });
    return out;
  };
  EXPECT_EQ(texts(), (std::vector<std::string>{"Result(s)", "1234,5", "1.234,50", "-0,25"}));
  numfmt::Locale::setDisplay(numfmt::Locale::enUS());
  EXPECT_EQ(texts(), (std::vector<std::string>{"Result(s)", "1234.5", "1.234,50", "-0.25"}));
}

}  // namespace
}  // namespace lomandra::window
