// Delimited text files opened as one-sheet workbooks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "sheet/Failure.h"
#include "sheet/csv/CsvParser.h"
#include "sheet/csv/CsvWorkbook.h"
#include "tests/support/FailureOf.h"

namespace lomandra::csv {
namespace {

class Folder {
 public:
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lomandra-csv-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    dir_ = pattern;
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path(name), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path(name);
  }

 private:
  std::string dir_;
};

class Collect : public model::SheetVisitor {
 public:
  bool cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) override {
    EXPECT_EQ(value.kind, model::CellKind::Text);
    EXPECT_EQ(value.format, 0u);
    cells[{row, column}] = std::string(value.text);
    maxRow = std::max(maxRow, row);
    return ++calls < stopAfter;
  }
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> cells;
  std::uint32_t maxRow = 0;
  std::size_t calls = 0, stopAfter = SIZE_MAX;
};

using testsupport::failureOf;

TEST(CsvWorkbook, SheetIsNamedAfterTheFile) {
  struct Case {
    std::string file, sheet;
  };
  Folder folder;
  for (const Case& c :
       {Case{"data.csv", "data"}, Case{"report.2024.csv", "report.2024"},
        Case{"notes.txt", "notes"}, Case{"no extension", "no extension"},
        Case{"Ünïcode näme.csv", "Ünïcode näme"},
        Case{"a name much longer than a sheet may have.csv", "a name much longer than a sheet"}}) {
    const auto book = openCsv(folder.write(c.file, "x\n"));
    ASSERT_EQ(book->sheets().size(), 1u);
    EXPECT_EQ(book->sheets()[0].name, c.sheet) << c.file;
    EXPECT_TRUE(book->sheets()[0].visible);
    EXPECT_EQ(book->activeSheet(), 0);
    EXPECT_FALSE(book->date1904());
  }
}

TEST(CsvWorkbook, ReadsEachEncodingAndSeparator) {
  struct Case {
    const char* name;
    std::string file;
    std::string bytes;
  };
  const std::string utf16 = std::string(
      "\xFF\xFE"
      "a\0;\0\xE9\0\r\0\n\0"
      "1\0;\0"
      "2\0",
      18);
  const std::vector<Case> cases = {
      {"Utf8", "u.csv", "a,é\r\n1,2\r\n"},
      {"Utf8Bom", "b.csv",
       "\xEF\xBB\xBF"
       "a;é\n1;2"},
      {"Windows1252", "w.csv", "a\t\xE9\r1\t2\r"},
      {"Utf16", "s.csv", utf16},
  };
  Folder folder;
  for (const Case& c : cases) {
    const auto book = openCsv(folder.write(c.file, c.bytes));
    Collect seen;
    book->readSheet(0, seen);
    const std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> expected = {
        {{0, 0}, "a"}, {{0, 1}, "é"}, {{1, 0}, "1"}, {{1, 1}, "2"}};
    EXPECT_EQ(seen.cells, expected) << c.name;
  }
}

TEST(CsvWorkbook, StopsAfterTheLastRowAskedFor) {
  Folder folder;
  std::string text;
  for (int i = 0; i < 1000; ++i) text += std::to_string(i) + ",x\n";
  const auto book = openCsv(folder.write("rows.csv", text));
  Collect first;
  book->readSheet(0, first, 4);
  EXPECT_EQ(first.cells.size(), 10u);
  EXPECT_EQ(first.maxRow, 4u);
  Collect stopped;
  stopped.stopAfter = 3;
  book->readSheet(0, stopped);
  EXPECT_EQ(stopped.calls, 3u);
  Collect all;
  book->readSheet(0, all);
  EXPECT_EQ(all.cells.size(), 2000u);
  EXPECT_EQ(all.cells.at({999, 0}), "999");
}

TEST(CsvWorkbook, HostileFilesAreReadWithinBounds) {
  Folder folder;
  // 100 MB on one line without a separator: one cell, cut to what a cell holds.
  const std::string longLine = folder.path("long.csv");
  {
    std::ofstream out(longLine, std::ios::binary);
    const std::string block(1 << 20, 'y');
    for (int i = 0; i < 100; ++i) out << block;
    out << "\nlast";
  }
  const auto book = openCsv(longLine);
  Collect seen;
  book->readSheet(0, seen);
  ASSERT_EQ(seen.cells.size(), 2u);
  EXPECT_EQ(seen.cells.at({0, 0}).size(), CsvParser::kMaxFieldCharacters);
  EXPECT_EQ(seen.cells.at({1, 0}), "last");

  // Binary junk: refused with a description, no byte of it given as a cell text.
  std::string junk;
  for (int i = 0; i < 200000; ++i) junk.push_back(static_cast<char>((i * 7919) % 256));
  const auto junkBook = openCsv(folder.write("junk.csv", junk));
  Collect junkSeen;
  EXPECT_THROW(junkBook->readSheet(0, junkSeen), Failure);
  for (const auto& [at, text] : junkSeen.cells) EXPECT_EQ(text.find('\0'), std::string::npos);

  // An unterminated quote: the rest of the file is one field.
  const auto open = openCsv(folder.write("open.csv", "a,\"b\nc,d\n"));
  Collect openSeen;
  open->readSheet(0, openSeen);
  EXPECT_EQ(openSeen.cells.at({0, 1}), "b\nc,d\n");

  const auto empty = openCsv(folder.write("empty.csv", ""));
  Collect emptySeen;
  empty->readSheet(0, emptySeen);
  EXPECT_TRUE(emptySeen.cells.empty());
}

TEST(CsvWorkbook, FailuresAreWordedForTheUser) {
  Folder folder;
  EXPECT_EQ(failureOf([&] { openCsv(folder.path("missing.csv")); }),
            "The file \"" + folder.path("missing.csv") + "\" does not exist.");
  EXPECT_EQ(failureOf([&] { openCsv(folder.path("")); }),
            "\"" + folder.path("") + "\" is a folder, not a workbook file.");
  const auto book = openCsv(folder.write("one.csv", "a"));
  Collect seen;
  EXPECT_EQ(failureOf([&] { book->readSheet(1, seen); }),
            "The text file \"one\" has only one sheet.");
  std::filesystem::remove(folder.path("one.csv"));
  EXPECT_EQ(failureOf([&] { book->readSheet(0, seen); }),
            "The file \"" + folder.path("one.csv") + "\" does not exist.");
}

}  // namespace
}  // namespace lomandra::csv
