// lomandra-merge over many workbooks: order under parallel reading, source fields, failures.

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/cli/RunTool.h"

namespace {

using lomandra::cli::testing::Outcome;
using lomandra::cli::testing::runTool;

// A report workbook: sheet "Report" with `rows` rows of three cells, every text naming the
// workbook, so that any change of order shows; B2 is left empty.
bool writeReport(const QString& path, int number, int rows) {
  lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
  if (!workbook) return false;
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Report");
  for (int r = 0; r < rows; ++r) {
    worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 0,
                           QStringLiteral("book%1 row%2").arg(number).arg(r + 1).toUtf8().constData(),
                           nullptr);
    if (r != 1) worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 1, number * 1000 + r, nullptr);
    worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 2, "same", nullptr);
  }
  workbook_add_worksheet(workbook, "Bob's Data");
  return workbook_close(workbook) == LXW_NO_ERROR;
}

class ManyWorkbooks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    ASSERT_TRUE(dir->isValid());
    // Sizes that make later workbooks finish before earlier ones when read in parallel.
    const int rows[] = {8000, 3, 3000, 1, 5000, 2, 4, 4000, 5, 6, 7, 8};
    for (int i = 0; i < 12; ++i) {
      books << dir->path() + QStringLiteral("/report%1.xlsx").arg(i + 1);
      ASSERT_TRUE(writeReport(books.last(), i + 1, rows[i]));
    }
    odd = dir->path() + QStringLiteral("/back\\slash.xlsx");
    lxw_workbook* workbook = workbook_new(QFile::encodeName(odd).constData());
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Report");
    worksheet_write_string(sheet, 0, 0, "tab\there", nullptr);
    worksheet_write_string(sheet, 1, 0, "two\nlines\r", nullptr);
    worksheet_write_string(sheet, 2, 0, "C:\\dir\\", nullptr);
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
  }
  static void TearDownTestSuite() { delete dir; }

  static QStringList workbookArguments(const QStringList& paths) {
    QStringList arguments;
    for (const QString& path : paths) arguments << QStringLiteral("--workbook") << path;
    return arguments;
  }

  static QTemporaryDir* dir;
  static QStringList books;
  static QString odd;
};
QTemporaryDir* ManyWorkbooks::dir = nullptr;
QStringList ManyWorkbooks::books;
QString ManyWorkbooks::odd;

TEST_F(ManyWorkbooks, ParallelReadingGivesTheSequentialOutputByteForByte) {
  const QStringList references = {"'Report'!$A$1:$C$3", "'Report'!$A$2:$B$60000"};
  for (const QStringList& shape : {QStringList{}, QStringList{"--json", "--with-source"},
                                   QStringList{"--unique", "--skip-empty", "--by-column"}}) {
    SCOPED_TRACE(shape.join(' ').toStdString());
    const QStringList arguments = shape + workbookArguments(books) + references;
    const Outcome sequential = runTool(QStringList{"--jobs", "1"} + arguments);
    ASSERT_EQ(sequential.status, 0) << sequential.err.toStdString();
    ASSERT_GT(sequential.out.size(), 50000);
    for (const char* jobs : {"3", "16"}) {
      const Outcome parallel = runTool(QStringList{"--jobs", jobs} + arguments);
      EXPECT_EQ(parallel.status, 0) << jobs;
      EXPECT_TRUE(parallel.out == sequential.out) << "--jobs " << jobs << " changed the output";
    }
  }
}

TEST_F(ManyWorkbooks, EachWorkbookGivesWhatItsOwnRunGives) {
  const QString reference = QStringLiteral("'Report'!$A$1:$C$4");
  QByteArray joined;
  for (const QString& book : books.mid(0, 4)) {
    const Outcome alone = runTool({book, reference});
    ASSERT_EQ(alone.status, 0) << alone.err.toStdString();
    joined += alone.out;
  }
  const Outcome many = runTool(workbookArguments(books.mid(0, 4)) + QStringList{reference});
  EXPECT_EQ(many.status, 0) << many.err.toStdString();
  EXPECT_EQ(many.out, joined);
}

TEST_F(ManyWorkbooks, ShapesSourcesAndFailures) {
  const QString missing = dir->path() + QStringLiteral("/missing.xlsx");
  struct Case {
    const char* name;
    QStringList arguments;  // {1}, {2}, {odd} and {missing} stand for workbooks
    QByteArray input;       // standard input
    QByteArray out;
    const char* err;  // a pattern the whole of standard error matches
    int status;
  } const cases[] = {
      {"workbooks in order, then references in order",
       {"--workbook", "{2}", "--workbook", "{1}", "'Report'!B1", "'Report'!A1"}, {},
       "2000\nbook2 row1\n1000\nbook1 row1\n", "", 0},
      {"source fields with the cell's own address",
       {"--with-source", "--workbook", "{2}", "'Report'!$B$1:$C$1"}, {},
       "{2}\tReport\tB1\t2000\n{2}\tReport\tC1\tsame\n", "", 0},
      {"tabs, line breaks and backslashes escaped in every field",
       {"--with-source", "--workbook", "{odd}", "Report!A1:A3"}, {},
       "{oddx}\tReport\tA1\ttab\\there\n{oddx}\tReport\tA2\ttwo\\nlines\\r\n"
       "{oddx}\tReport\tA3\tC:\\\\dir\\\\\n",
       "", 0},
      {"JSON objects with the source",
       {"--json", "--with-source", "--workbook", "{odd}", "Report!A1"}, {},
       "[{\"workbook\":\"{oddj}\",\"sheet\":\"Report\",\"cell\":\"A1\",\"text\":\"tab\\there\"}]\n", "", 0},
      {"the sheet's own name, an empty cell included",
       {"--with-source", "--workbook", "{1}", "'Bob''s Data'!$A$1"}, {},
       "{1}\tBob's Data\tA1\t\n", "", 0},
      {"--skip-empty leaves out the empty B2",
       {"--skip-empty", "--workbook", "{1}", "'Report'!$B$1:$B$3"}, {}, "1000\n1002\n", "", 0},
      {"--by-column walks down each column",
       {"--by-column", "--workbook", "{1}", "'Report'!$A$1:$B$2"}, {},
       "book1 row1\nbook1 row2\n1000\n\n", "", 0},
      {"--unique works across workbooks",
       {"--unique", "--workbook", "{1}", "--workbook", "{2}", "'Report'!$C$1:$C$2"}, {}, "same\n",
       "", 0},
      {"the list from standard input",
       {"--workbooks", "-", "'Report'!A1"}, "{2}\n\n{1}\r\n", "book2 row1\nbook1 row1\n", "", 0},
      {"a missing workbook is named and the others merged",
       {"--workbook", "{1}", "--workbook", "{missing}", "--workbook", "{2}", "'Report'!A1"}, {},
       "book1 row1\nbook2 row1\n", "[^\\n]*/missing\\.xlsx: [^\\n]+\\n", 1},
      {"a failed reference is named with its workbook",
       {"--workbook", "{odd}", "--workbook", "{1}", "'Report'!A1", "'Gone'!A1"}, {},
       "tab\there\nbook1 row1\n",
       "[^\\n]*/back\\\\slash\\.xlsx: 'Gone'!A1: [^\\n]+\\n[^\\n]*/report1\\.xlsx: 'Gone'!A1: [^\\n]+\\n",
       1},
      {"no workbook can be opened", {"--workbook", "{missing}", "--json", "A1"}, {}, "",
       "[^\\n]*/missing\\.xlsx: [^\\n]+\\n", 2},
      {"a list that cannot be read", {"--workbooks", "{missing}", "A1"}, {}, "",
       "lomandra-merge: cannot read the --workbooks list [^\\n]+\\n", 2},
      {"an empty list", {"--workbooks", "-", "A1"}, "\n", "",
       "lomandra-merge: the --workbooks list names no workbook [^\\n]+\\n", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto fill = [&](QString text) {
      text.replace(QStringLiteral("{oddx}"), QString(odd).replace('\\', QStringLiteral("\\\\")));
      text.replace(QStringLiteral("{oddj}"), QString(odd).replace('\\', QStringLiteral("\\\\")));
      text.replace(QStringLiteral("{odd}"), odd);
      text.replace(QStringLiteral("{1}"), books[0]);
      text.replace(QStringLiteral("{2}"), books[1]);
      text.replace(QStringLiteral("{missing}"), missing);
      return text;
    };
    QStringList arguments;
    for (const QString& argument : c.arguments) arguments << fill(argument);
    const Outcome outcome = runTool(arguments, fill(QString::fromUtf8(c.input)).toUtf8());
    EXPECT_EQ(outcome.out, fill(QString::fromUtf8(c.out)).toUtf8());
    const QRegularExpression err(QRegularExpression::anchoredPattern(QString::fromUtf8(c.err)));
    EXPECT_TRUE(err.match(QString::fromUtf8(outcome.err)).hasMatch()) << outcome.err.toStdString();
    EXPECT_EQ(outcome.status, c.status);
  }
}

}  // namespace
