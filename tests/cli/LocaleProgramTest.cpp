// lomandra-merge in a user's locale: --locale and the environment choose the regional settings
// the texts follow; without either, or with C, the texts are en-US byte for byte.

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/cli/RunTool.h"

namespace {

using lomandra::cli::testing::Outcome;
using lomandra::cli::testing::runTool;

struct Cell {
  double value;
  int builtin;       // a built-in format id, or -1
  const char* code;  // a custom code when builtin is -1
  const char* german;
  const char* american;
};

// Numbers, dates, times, percentages, the currency built-ins and General, as the application
// shows them in a German and in an American installation. 46000 is Tuesday, 9 December 2025.
const Cell kCells[] = {
    {1234567.891, 4, nullptr, "1.234.567,89", "1,234,567.89"},
    {1234.5, 0, nullptr, "1234,5", "1234.5"},
    {46000, 14, nullptr, "09.12.2025", "12/9/2025"},
    {46000.75, 22, nullptr, "09.12.2025 18:00", "12/9/2025 18:00"},
    {46000, 15, nullptr, "09. Dez 25", "9-Dec-25"},
    {0.75, 19, nullptr, "6:00:00 PM", "6:00:00 PM"},
    {0.75, 21, nullptr, "18:00:00", "18:00:00"},
    {0.256, 10, nullptr, "25,60%", "25.60%"},
    {-1234, 5, nullptr, "-1.234 \xE2\x82\xAC", "($1,234)"},
    {-1234.5, 8, nullptr, "-1.234,50 \xE2\x82\xAC", "($1,234.50)"},
    {1234.5, 7, nullptr, "1.234,50 \xE2\x82\xAC", "$1,234.50 "},
    {46000, -1, "mmmm", "Dezember", "December"},
    {46000, -1, "[$-F800]dddd, mmmm dd, yyyy", "Dienstag, 9. Dezember 2025", "Tuesday, December 9, 2025"},
    {46000.75, -1, "[$-F400]h:mm:ss AM/PM", "18:00:00", "6:00:00 PM"},
    {46000, -1, "dd/mm/yyyy", "09.12.2025", "09/12/2025"},
    {0.000123, 11, nullptr, "1,23E-04", "1.23E-04"},
    {46000, -1, "[$-409]mmmm", "December", "December"},
};

class LocaleProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    ASSERT_TRUE(dir->isValid());
    book = dir->path() + QStringLiteral("/figures.xlsx");
    lxw_workbook* workbook = workbook_new(QFile::encodeName(book).constData());
    ASSERT_NE(workbook, nullptr);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Figures");
    lxw_row_t row = 0;
    for (const Cell& cell : kCells) {
      lxw_format* format = workbook_add_format(workbook);
      if (cell.builtin >= 0) format_set_num_format_index(format, static_cast<uint8_t>(cell.builtin));
      else format_set_num_format(format, cell.code);
      worksheet_write_number(sheet, row++, 0, cell.value, cell.builtin == 0 ? nullptr : format);
    }
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
  }
  static void TearDownTestSuite() { delete dir; }

  static QByteArray expected(bool german) {
    QByteArray out;
    for (const Cell& cell : kCells) out += QByteArray(german ? cell.german : cell.american) + '\n';
    return out;
  }

  static QTemporaryDir* dir;
  static QString book;
};
QTemporaryDir* LocaleProgram::dir = nullptr;
QString LocaleProgram::book;

TEST_F(LocaleProgram, GermanTextsFromTheOptionOrTheEnvironment) {
  const QStringList arguments{book, QStringLiteral("Figures!A1:A%1").arg(std::size(kCells))};
  struct Run {
    QStringList options;
    QStringList environment;
  };
  const Run runs[] = {
      {{"--locale", "de-DE"}, {}},
      {{"--locale=de_DE.UTF-8"}, {}},
      {{}, {"LC_ALL=de_DE.UTF-8"}},
      {{}, {"LANG=de_DE.UTF-8"}},
      {{"--locale", "de-DE"}, {"LC_ALL=C"}},  // the option wins over the environment
  };
  for (const Run& run : runs) {
    const Outcome outcome = runTool(run.options + arguments, {}, run.environment);
    EXPECT_EQ(outcome.status, 0) << outcome.err.constData();
    EXPECT_EQ(outcome.out, expected(true)) << run.options.join(' ').toStdString() << " "
                                           << run.environment.join(' ').toStdString();
  }
}

TEST_F(LocaleProgram, WithoutALocaleOrWithCTheTextsAreAmerican) {
  const QStringList arguments{book, QStringLiteral("Figures!A1:A%1").arg(std::size(kCells))};
  const Outcome plain = runTool(arguments);
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(plain.out, expected(false));
  for (const QStringList& environment : {QStringList{"LC_ALL=C"}, QStringList{"LC_ALL=POSIX", "LANG=de_DE.UTF-8"},
                                         QStringList{"LANG=C.UTF-8"}, QStringList{"LC_ALL=en_US.UTF-8"}})
    EXPECT_EQ(runTool(arguments, {}, environment).out, plain.out) << environment.join(' ').toStdString();
  EXPECT_EQ(runTool(QStringList{"--locale", "en-US"} + arguments, {}, {"LC_ALL=de_DE.UTF-8"}).out, plain.out);
}

TEST_F(LocaleProgram, AnUnknownLocaleIsBadUsage) {
  const Outcome outcome = runTool({"--locale", "xx-QQ", book, "Figures!A1"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_TRUE(outcome.err.contains("--locale xx-QQ names no locale")) << outcome.err.constData();
  EXPECT_TRUE(outcome.out.isEmpty());
}

TEST_F(LocaleProgram, HelpAndManualPageSayTheTextsFollowTheLocale) {
  const Outcome help = runTool({"--help"});
  for (const char* part : {"--locale TAG", "en-US gives the texts of an American installation", "LC_ALL",
                           "LC_MONETARY"})
    EXPECT_TRUE(help.out.contains(part)) << part;
}

}  // namespace
