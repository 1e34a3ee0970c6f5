// lomandra-merge as users run it: the built program on workbooks these tests write.

#include <gtest/gtest.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/cli/RunTool.h"

namespace {

using lomandra::cli::testing::Outcome;
using lomandra::cli::testing::runTool;

class MergeToolProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    ASSERT_TRUE(dir->isValid());
    book = dir->path() + QStringLiteral("/book.xlsx");
    lxw_workbook* workbook = workbook_new(QFile::encodeName(book).constData());
    ASSERT_NE(workbook, nullptr);
    lxw_format* money = workbook_add_format(workbook);
    format_set_num_format(money, "#,##0.00");
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
    worksheet_write_string(sheet, 0, 0, "Name", nullptr);
    worksheet_write_number(sheet, 0, 1, 42, nullptr);
    worksheet_write_number(sheet, 0, 2, 1234.5, money);
    worksheet_write_string(sheet, 1, 0, "Name", nullptr);
    worksheet_write_string(sheet, 1, 2, "  spaced  ", nullptr);
    sheet = workbook_add_worksheet(workbook, "Bob's Data");
    worksheet_write_string(sheet, 0, 0, "K\xC3\xB6ln", nullptr);
    worksheet_write_string(sheet, 1, 0, "name", nullptr);
    worksheet_write_string(sheet, 2, 0, "Name", nullptr);
    sheet = workbook_add_worksheet(workbook, "Escapes");
    worksheet_write_string(sheet, 0, 0, "say \"hi\"", nullptr);
    worksheet_write_string(sheet, 1, 0, "C:\\dir\\", nullptr);
    worksheet_write_string(sheet, 2, 0, "two\nlines", nullptr);
    worksheet_write_string(sheet, 3, 0, "tab\there", nullptr);
    worksheet_write_string(sheet, 4, 0, "\xE2\x82\xAC \xF0\x9F\x93\x88", nullptr);
    sheet = workbook_add_worksheet(workbook, "List");
    worksheet_write_string(sheet, 0, 0, "a", nullptr);
    worksheet_write_string(sheet, 2, 0, "b", nullptr);
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);

    notWorkbook = dir->path() + QStringLiteral("/notes.xlsx");
    QFile file(notWorkbook);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("PK\x03\x04 this is not really a zip archive");
  }
  static void TearDownTestSuite() { delete dir; }

  static QTemporaryDir* dir;
  static QString book;
  static QString notWorkbook;
};
QTemporaryDir* MergeToolProgram::dir = nullptr;
QString MergeToolProgram::book;
QString MergeToolProgram::notWorkbook;

TEST_F(MergeToolProgram, PrintsTheTextsAndExitsAsDocumented) {
  struct Case {
    const char* name;
    QStringList arguments;  // "{book}" and "{bad}" stand for the workbooks
    QByteArray out;
    const char* err;  // a pattern the whole of standard error matches
    int status;
  } const cases[] = {
      {"one block, row by row", {"{book}", "'Sheet1'!$A$1:$C$2"},
       "Name\n42\n1,234.50\nName\n\n  spaced  \n", "", 0},
      {"references in the order given", {"{book}", "'Bob's Data'!A1:A3", "Sheet1!$B$1"},
       "K\xC3\xB6ln\nname\nName\n42\n", "", 0},
      {"--unique drops exact repeats only",
       {"--unique", "{book}", "'Sheet1'!$A$1:$C$2", "'Bob''s Data'!$A$1:$A$3"},
       "Name\n42\n1,234.50\n\n  spaced  \nK\xC3\xB6ln\nname\n", "", 0},
      {"--json escapes and keeps everything", {"--json", "{book}", "'Escapes'!$A$1:$A$6"},
       "[\"say \\\"hi\\\"\",\"C:\\\\dir\\\\\",\"two\\nlines\",\"tab\\there\","
       "\"\xE2\x82\xAC \xF0\x9F\x93\x88\",\"\"]\n",
       "", 0},
      {"--unique keeps one empty text", {"--json", "--unique", "{book}", "'List'!$A$2", "'List'!$A$2"},
       "[\"\"]\n", "", 0},
      {"a missing sheet fails alone", {"{book}", "'List'!$A$1", "'Gone'!$A$1", "'List'!$A$3"},
       "a\nb\n", "'Gone'!\\$A\\$1: [^\\n]+\\n", 1},
      {"malformed reference text fails alone", {"{book}", "not a reference!!", "'List'!$A$1"},
       "a\n", "not a reference!!: [^\\n]+\\n", 1},
      {"--json stays valid when a reference fails", {"--json", "{book}", "'Gone'!A1", "'List'!A1"},
       "[\"a\"]\n", "'Gone'!A1: [^\\n]+\\n", 1},
      {"--clipboard prints the clipboard layout", {"--clipboard", "{book}", "'List'!$A$1:$A$3"},
       "a\r\n\r\nb\r\n", "", 0},
      {"no arguments", {}, "", "lomandra-merge: no WORKBOOK given \\(see lomandra-merge --help\\)\\n", 2},
      {"no reference", {"{book}"}, "", "lomandra-merge: no REFERENCE given [^\\n]+\\n", 2},
      {"an unknown option", {"--fast", "{book}", "A1"}, "",
       "lomandra-merge: unknown option \"--fast\" [^\\n]+\\n", 2},
      {"a missing workbook", {"{dir}/missing.xlsx", "A1"}, "",
       "lomandra-merge: [^\\n]*/missing\\.xlsx: [^\\n]+\\n", 2},
      {"a file that is no workbook", {"{bad}", "A1"}, "",
       "lomandra-merge: [^\\n]*/notes\\.xlsx: [^\\n]+\\n", 2},
      {"a folder", {"{dir}", "A1"}, "", "lomandra-merge: [^\\n]+: [^\\n]+\\n", 2},
      {"--version", {"--version"}, "lomandra-merge " LOMANDRA_VERSION "\n", "", 0},
      {"--version among operands reads nothing", {"{book}", "--version", "'Gone'!A1"},
       "lomandra-merge " LOMANDRA_VERSION "\n", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList arguments = c.arguments;
    for (QString& argument : arguments) {
      argument.replace(QStringLiteral("{book}"), book);
      argument.replace(QStringLiteral("{bad}"), notWorkbook);
      argument.replace(QStringLiteral("{dir}"), dir->path());
    }
    const Outcome outcome = runTool(arguments);
    EXPECT_EQ(outcome.out, c.out);
    const QRegularExpression err(QRegularExpression::anchoredPattern(QString::fromUtf8(c.err)));
    EXPECT_TRUE(err.match(QString::fromUtf8(outcome.err)).hasMatch()) << outcome.err.toStdString();
    EXPECT_EQ(outcome.status, c.status);
  }
}

// A copy of the test workbook whose first sheet's XML is cut off in the middle of a cell.
QString damagedCopy(const QString& book, const QString& copy) {
  QFile::remove(copy);
  if (!QFile::copy(book, copy)) return {};
  int error = 0;
  zip_t* archive = zip_open(QFile::encodeName(copy).constData(), 0, &error);
  if (!archive) return {};
  static const char kBroken[] =
      "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/"
      "spreadsheetml/2006/main\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0";
  zip_source_t* source = zip_source_buffer(archive, kBroken, sizeof kBroken - 1, 0);
  if (!source || zip_file_add(archive, "xl/worksheets/sheet1.xml", source, ZIP_FL_OVERWRITE) < 0 ||
      zip_close(archive) != 0)
    return {};
  return copy;
}

// A damaged sheet part fails the reference that reads it (exit 1, the reference named); 2 is
// kept for a workbook that cannot be opened at all, as --help and the README say.
TEST_F(MergeToolProgram, ADamagedSheetFailsItsReferenceAlone) {
  const QString damaged = damagedCopy(book, dir->path() + QStringLiteral("/damaged.xlsx"));
  ASSERT_FALSE(damaged.isEmpty());
  const Outcome outcome = runTool({damaged, "'Sheet1'!$A$1:$C$2", "'List'!$A$1"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(outcome.err.startsWith("'Sheet1'!$A$1:$C$2: ")) << outcome.err.toStdString();
  EXPECT_EQ(outcome.err.count('\n'), 1) << outcome.err.toStdString();
  EXPECT_EQ(outcome.out, QByteArray("a\n")) << "the intact sheet is still merged";
}

// Formulas a writer saved without their results are computed; those the engine cannot compute
// show the saved value, and one line on standard error says so without changing the status.
TEST_F(MergeToolProgram, ComputesFormulasAndNamesTheOnesItCannot) {
  const QString path = dir->path() + QStringLiteral("/formulas.xlsx");
  lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
  ASSERT_NE(workbook, nullptr);
  lxw_format* twoPlaces = workbook_add_format(workbook);
  format_set_num_format(twoPlaces, "0.00");
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
  worksheet_write_number(sheet, 0, 0, 2, nullptr);
  worksheet_write_number(sheet, 0, 1, 3, nullptr);
  worksheet_write_formula(sheet, 1, 0, "=A1+B1", nullptr);
  worksheet_write_formula(sheet, 1, 1, "=7/2", twoPlaces);
  worksheet_write_formula_num(sheet, 1, 2, "=FOO(A1)+BAR(1)", nullptr, 9);
  worksheet_write_formula_num(sheet, 1, 3, "=FOO(2)", nullptr, 4);
  ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);

  const Outcome outcome = runTool({path, "'Sheet1'!$A$2:$D$2"});
  EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
  EXPECT_EQ(outcome.out, QByteArray("5\n3.50\n9\n4\n"));
  EXPECT_EQ(outcome.err, ("lomandra-merge: " + path +
                          ": 2 formula cells were not computed and show the value the file saved "
                          "(functions BAR, FOO).\n").toUtf8());
}

TEST_F(MergeToolProgram, SaveWritesTheTextFileOfTheWindowCommand) {
  const QString saved = dir->path() + QStringLiteral("/out.txt");
  const Outcome outcome = runTool({"--save", saved, book, "'List'!$A$1:$A$3"});
  EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
  EXPECT_EQ(outcome.out, QByteArray()) << "--save alone prints nothing";
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("Result(s)\t\r\na\t\r\n\r\nb\t\r\n\r\n"));
}

TEST_F(MergeToolProgram, SaveIsInUtf8AndCanGoWithJson) {
  const QString saved = dir->path() + QStringLiteral("/k\xC3\xB6ln.txt");
  const Outcome outcome = runTool({"--json", "--save", saved, book, "'Bob's Data'!$A$1"});
  EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
  EXPECT_EQ(outcome.out, QByteArray("[\"K\xC3\xB6ln\"]\n"));
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("Result(s)\t\r\nK\xC3\xB6ln\t\r\n\r\n"));
}

// Workbook paths are Unicode everywhere: a workbook of each file format, in a folder and under a
// name in Cyrillic and Chinese, gives the texts its copy under a plain name gives.
TEST_F(MergeToolProgram, AWorkbookNamedInAnyScriptIsRead) {
  const QString csv = dir->path() + QStringLiteral("/plain.csv");
  QFile text(csv);
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("\xD0\x9F\xD1\x80\xD0\xB8,42\n");
  text.close();
  const QString folder = dir->path() + QStringLiteral("/Папка 文件夹");
  ASSERT_TRUE(QDir().mkpath(folder));
  const struct {
    QString plain, unicodeName, reference;
  } cases[] = {
      {book, QStringLiteral("Книга 表格.xlsx"), QStringLiteral("'Bob''s Data'!$A$1:$A$3")},
      {QStringLiteral(LOMANDRA_SAMPLE_WORKBOOK), QStringLiteral("Образец 样本.xls"),
       QStringLiteral("'Staff List'!$A$1:$C$4")},
      {csv, QStringLiteral("Текст 文本.csv"), QStringLiteral("$A$1:$B$1")},
  };
  for (const auto& c : cases) {
    const QString copy = folder + QLatin1Char('/') + c.unicodeName;
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(c.plain, copy)) << c.unicodeName.toStdString();
    const Outcome expected = runTool({"--json", c.plain, c.reference});
    const Outcome outcome = runTool({"--json", copy, c.reference});
    EXPECT_EQ(expected.status, 0) << expected.err.toStdString();
    EXPECT_EQ(outcome.status, 0) << c.unicodeName.toStdString() << ": " << outcome.err.toStdString();
    EXPECT_EQ(outcome.out, expected.out) << c.unicodeName.toStdString();
  }
}

TEST_F(MergeToolProgram, ASaveThatCannotBeWrittenExitsWithTwo) {
  const Outcome outcome =
      runTool({"--save", dir->path() + QStringLiteral("/no/such/folder/out.txt"), book, "'List'!A1"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err.count('\n'), 1) << outcome.err.toStdString();
  EXPECT_TRUE(outcome.err.startsWith("lomandra-merge: ")) << outcome.err.toStdString();
}

TEST_F(MergeToolProgram, HelpDocumentsTheToolAndExitsWithZero) {
  const Outcome outcome = runTool({"--help"});
  EXPECT_EQ(outcome.status, 0);
  for (const char* part : {"Usage: lomandra-merge [--json] [--unique] [--save FILE] [--clipboard] "
                           "WORKBOOK REFERENCE...",
                           "--json", "--unique", "--save FILE", "--clipboard", "Exit status",
                           "opened once"})
    EXPECT_TRUE(outcome.out.contains(part)) << part;
}

TEST_F(MergeToolProgram, AWholeColumnGivesEveryRow) {
  const Outcome outcome = runTool({book, "'Sheet1'!$C:$C"});
  EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
  EXPECT_EQ(outcome.out.count('\n'), 1048576);
  EXPECT_TRUE(outcome.out.startsWith("1,234.50\n  spaced  \n\n"));
}

TEST_F(MergeToolProgram, ARunReadsAtMostSixteenWholeColumns) {
  const Outcome outcome = runTool({book, "'List'!$A:$P"});
  EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
  EXPECT_EQ(outcome.out.count('\n'), 16 * 1048576);
  const Outcome past = runTool({book, "'List'!$A$1", "'List'!$A:$P"});
  EXPECT_EQ(past.status, 1);
  EXPECT_TRUE(past.err.startsWith("'List'!$A:$P: ")) << past.err.toStdString();
  EXPECT_EQ(past.out, QByteArray("a\n"));
}

}  // namespace
