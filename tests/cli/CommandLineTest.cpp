#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace lomandra::cli {
namespace {

TEST(ParseCommandLine, OptionsAndOperands) {
  struct Case {
    const char* name;
    QStringList arguments;
    bool json, unique, clipboard;
    std::optional<QString> save;
    QString workbook;
    QStringList references;
  } const cases[] = {
      {"plain", {"book.xlsx", "A1"}, false, false, false, {}, "book.xlsx", {"A1"}},
      {"every option", {"--json", "--unique", "--save", "out.txt", "book.xlsx", "A1", "B2"},
       true, true, false, "out.txt", "book.xlsx", {"A1", "B2"}},
      {"options after the operands", {"book.xlsx", "A1", "--unique", "--clipboard"}, false, true,
       true, {}, "book.xlsx", {"A1"}},
      {"--save=FILE", {"--save=out file.txt", "b.xls", "'S'!$A:$A"}, false, false, false,
       "out file.txt", "b.xls", {"'S'!$A:$A"}},
      {"-- ends the options", {"--", "--json", "-A1"}, false, false, false, {}, "--json", {"-A1"}},
      {"a lone dash is an operand", {"-", "A1"}, false, false, false, {}, "-", {"A1"}},
      {"references keep their order and repeats", {"b.xlsx", "B1", "A1", "B1"}, false, false,
       false, {}, "b.xlsx", {"B1", "A1", "B1"}},
  };
  for (const auto& c : cases) {
    const MergeToolOptions options = parseCommandLine(c.arguments);
    EXPECT_FALSE(options.help) << c.name;
    EXPECT_EQ(options.json, c.json) << c.name;
    EXPECT_EQ(options.unique, c.unique) << c.name;
    EXPECT_EQ(options.clipboard, c.clipboard) << c.name;
    EXPECT_EQ(options.saveFile, c.save) << c.name;
    EXPECT_EQ(options.workbook, c.workbook) << c.name;
    EXPECT_EQ(options.references, c.references) << c.name;
  }
}

TEST(ParseCommandLine, BadUsageSaysWhatIsWrongInOneLine) {
  struct Case {
    QStringList arguments;
    const char* problem;
  } const cases[] = {
      {{}, "no WORKBOOK given"},
      {{"book.xlsx"}, "no REFERENCE given"},
      {{"--json"}, "no WORKBOOK given"},
      {{"--jsn", "book.xlsx", "A1"}, "unknown option \"--jsn\""},
      {{"-j", "book.xlsx", "A1"}, "unknown option \"-j\""},
      {{"book.xlsx", "A1", "--save"}, "--save needs a FILE"},
      {{"--save=", "book.xlsx", "A1"}, "--save needs a FILE"},
      {{"--save", "a", "--save", "b", "book.xlsx", "A1"}, "--save is given twice"},
      {{"--json", "--clipboard", "book.xlsx", "A1"},
       "--json and --clipboard both choose what is printed; give one"},
      {{"--workbook", "a.xlsx"}, "no REFERENCE given"},
      {{"--workbook"}, "--workbook needs a PATH"},
      {{"--workbooks", "a", "--workbooks", "b", "A1"}, "--workbooks is given twice"},
      {{"--jobs", "0", "book.xlsx", "A1"}, "--jobs needs a number from 1 to 256"},
      {{"--jobs=x", "book.xlsx", "A1"}, "--jobs needs a number from 1 to 256"},
      {{"--with-source", "--save", "o.txt", "book.xlsx", "A1"},
       "--with-source does not go with --save or --clipboard, whose layouts hold the texts alone"},
      {{"--with-source", "--clipboard", "--workbook", "b.xlsx", "A1"},
       "--with-source does not go with --save or --clipboard, whose layouts hold the texts alone"},
  };
  for (const auto& c : cases) {
    try {
      parseCommandLine(c.arguments);
      ADD_FAILURE() << c.problem << ": accepted";
    } catch (const UsageError& error) {
      EXPECT_EQ(std::string(error.what()), std::string(c.problem) + " (see lomandra-merge --help)");
    }
  }
}

TEST(ParseCommandLine, NamedWorkbooksMakeEveryOperandAReference) {
  const MergeToolOptions options = parseCommandLine(
      {"--workbook", "a.xlsx", "A1", "--workbook=b c.xls", "--workbooks", "-", "B2", "--jobs=3"});
  EXPECT_TRUE(options.manyWorkbooks());
  EXPECT_EQ(options.workbookPaths, QStringList({"a.xlsx", "b c.xls"}));
  EXPECT_EQ(options.workbookList, QStringLiteral("-"));
  EXPECT_EQ(options.references, QStringList({"A1", "B2"}));
  EXPECT_EQ(options.jobs, 3);
  EXPECT_TRUE(options.workbook.isEmpty());
  EXPECT_FALSE(parseCommandLine({"a.xlsx", "A1"}).manyWorkbooks());
}

TEST(ParseWorkbookList, OnePathALineBlankLinesSkipped) {
  EXPECT_EQ(parseWorkbookList("a.xlsx\r\n\n  \nreports/b c.xls\n/x/y.ods"),
            QStringList({"a.xlsx", "reports/b c.xls", "/x/y.ods"}));
  EXPECT_EQ(parseWorkbookList(" spaced name.xlsx \n"), QStringList({" spaced name.xlsx "}));
  EXPECT_THROW(parseWorkbookList("\n\r\n"), UsageError);
}

TEST(ParseCommandLine, HelpWinsOverEverythingElse) {
  EXPECT_TRUE(parseCommandLine({"--help"}).help);
  EXPECT_TRUE(parseCommandLine({"-h", "--json", "--clipboard"}).help);
  EXPECT_TRUE(helpText().contains(QStringLiteral(
      "Usage: lomandra-merge [--json] [--unique] [--save FILE] [--clipboard] WORKBOOK REFERENCE...")));
}

}  // namespace
}  // namespace lomandra::cli
