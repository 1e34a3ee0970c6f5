// The reader on workbooks saved by spreadsheet applications (the shared corpus, skipped when it
// is absent) and on the sample workbook that ships with the program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "sheet/Failure.h"
#include "sheet/xls/XlsWorkbook.h"
#include "tests/sheet/xls/XlsTestFiles.h"

namespace lomandra::xls {
namespace {

namespace fs = std::filesystem;
using model::CellKind;
using testing::CollectingVisitor;
using testing::SeenCell;

const fs::path kCorpus = LOMANDRA_CORPUS_DIR;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// A CSV file as rows of fields (quotes doubled inside quoted fields, line breaks allowed there).
std::vector<std::vector<std::string>> readCsv(const fs::path& path) {
  const std::string text = slurp(path);
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
        field += '"', ++i;
      else if (c == '"')
        quoted = false;
      else
        field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      rows.back().push_back(std::move(field));
      field.clear();
      rows.emplace_back();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (!field.empty() || !rows.back().empty()) rows.back().push_back(field);
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

std::vector<std::vector<std::string>> readTsv(const fs::path& path) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(slurp(path));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::size_t start = 0, tab;
    while ((tab = line.find('\t', start)) != std::string::npos) {
      fields.push_back(line.substr(start, tab - start));
      start = tab + 1;
    }
    fields.push_back(line.substr(start));
    rows.push_back(fields);
  }
  return rows;
}

std::string at(const std::vector<std::vector<std::string>>& grid, std::uint32_t row,
               std::uint32_t column) {
  if (row >= grid.size() || column >= grid[row].size()) return "";
  return grid[row][column];
}

class XlsCorpus : public ::testing::TestWithParam<const char*> {};

// Sheet names and states match the workbook as another reader lists it, and every text cell
// shows the text both reference exports agree on.
TEST_P(XlsCorpus, SheetsAndTextsMatchTheReferenceExports) {
  const fs::path file = kCorpus / "files" / GetParam();
  if (!fs::exists(file)) GTEST_SKIP() << "corpus not present";
  auto book = openXls(file.string());
  // LibreOffice lists every sheet; SheetJS, where it read the file, also gives the state.
  const auto listing = readTsv(kCorpus / "expected/libreoffice" / GetParam() / "sheets.tsv");
  const auto states = readTsv(kCorpus / "expected/sheetjs" / GetParam() / "sheets.tsv");
  ASSERT_EQ(book->sheets().size(), listing.size());
  std::size_t compared = 0;
  for (std::size_t i = 0; i < listing.size(); ++i) {
    const auto& sheet = book->sheets()[i];
    EXPECT_EQ(sheet.name, listing[i][1]);
    if (i < states.size()) {
      EXPECT_EQ(sheet.visible, states[i][2] == "visible") << sheet.name;
    }
    const auto lo = readCsv(kCorpus / "expected/libreoffice" / GetParam() / listing[i][2]);
    const fs::path sjsCsv = kCorpus / "expected/sheetjs" / GetParam() / listing[i][2];
    const auto sjs = fs::exists(sjsCsv) ? readCsv(sjsCsv) : lo;
    CollectingVisitor visitor;
    book->readSheet(static_cast<int>(i), visitor);
    for (const SeenCell& cell : visitor.cells) {
      const std::string code = book->formatCode(cell.format);
      if (cell.kind != CellKind::Text || (code != "General" && code != "GENERAL" && code != "@"))
        continue;
      const std::string expected = at(lo, cell.row, cell.column);
      if (expected != at(sjs, cell.row, cell.column)) continue;
      ++compared;
      EXPECT_EQ(cell.text, expected)
          << sheet.name << " row " << cell.row << " column " << cell.column;
    }
  }
  RecordProperty("textCellsCompared", static_cast<int>(compared));
}

INSTANTIATE_TEST_SUITE_P(Files, XlsCorpus,
                         ::testing::Values("rxl-utf8-sheet-names.xls", "sjs-1904.xls",
                                           "sjs-LONumbers.xls", "sjs-NumberFormatCondition.xls",
                                           "sjs-RkNumber.xls", "sjs-number_format-biff5.xls",
                                           "sjs-number_format.xls", "sjs-numfmt_1_russian.xls",
                                           "sjs-sheet_visibility5.xls", "sjs-text_and_numbers.xls",
                                           "xlrd-Formate.xls", "xlrd-namesdemo.xls",
                                           "bad-xls-renamed.xlsx"),
                         [](const auto& p) {
                           std::string name = p.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// Raw values and format codes checked by hand against another reader of the same files.
TEST(XlsCorpusValues, GoldenCells) {
  const struct {
    const char* file;
    int sheet;
    std::uint32_t row, column;
    CellKind kind;
    double number;
    const char* text;
    const char* code;
  } rows[] = {
      {"sjs-RkNumber.xls", 0, 1, 2, CellKind::Number, 10000000, "", "General"},
      {"sjs-RkNumber.xls", 0, 3, 2, CellKind::Number, 0.01, "", "General"},
      {"sjs-RkNumber.xls", 0, 4, 2, CellKind::Number, 12004.55, "", "General"},
      {"sjs-1904.xls", 0, 0, 1, CellKind::Number, 1, "", "yyyy\\-mm\\-dd;@"},
      {"sjs-text_and_numbers.xls", 0, 1, 1, CellKind::Text, 0, "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
       "General"},
      {"xlrd-Formate.xls", 0, 1, 1, CellKind::Number, 38406, "", "DD/MM/YYYY"},
      {"xlrd-Formate.xls", 0, 2, 1, CellKind::Number, 32266, "", "DDDD\", \"MMMM\\ DD\", \"YYYY"},
      {"sjs-numfmt_1_russian.xls", 0, 3, 0, CellKind::Number, 1234567.89, "",
       "#,##0.00\\ \"\xD1\x80.\""},
      {"sjs-number_format-biff5.xls", 1, 2, 5, CellKind::Boolean, 1, "", "General"},
  };
  for (const auto& row : rows) {
    const fs::path file = kCorpus / "files" / row.file;
    if (!fs::exists(file)) GTEST_SKIP() << "corpus not present";
    auto book = openXls(file.string());
    CollectingVisitor visitor;
    book->readSheet(row.sheet, visitor);
    const SeenCell* found = nullptr;
    for (const SeenCell& cell : visitor.cells)
      if (cell.row == row.row && cell.column == row.column) found = &cell;
    ASSERT_NE(found, nullptr) << row.file << " " << row.row << "," << row.column;
    EXPECT_EQ(found->kind, row.kind) << row.file;
    EXPECT_DOUBLE_EQ(found->number, row.number) << row.file;
    EXPECT_EQ(found->text, row.text) << row.file;
    EXPECT_EQ(book->formatCode(found->format), row.code) << row.file;
  }
}

TEST(XlsCorpusValues, DateSystemsActiveSheetsAndBrokenFiles) {
  if (!fs::exists(kCorpus / "files")) GTEST_SKIP() << "corpus not present";
  EXPECT_TRUE(openXls((kCorpus / "files/sjs-1904.xls").string())->date1904());
  EXPECT_TRUE(openXls((kCorpus / "files/rxl-utf8-sheet-names.xls").string())->date1904());
  EXPECT_FALSE(openXls((kCorpus / "files/sjs-RkNumber.xls").string())->date1904());
  EXPECT_EQ(openXls((kCorpus / "files/sjs-number_format.xls").string())->activeSheet(), 4);
  const struct {
    const char* file;
    const char* expectedStart;
  } broken[] = {
      {"bad-xor-encrypted.xls", "The workbook is protected by a password and cannot be read."},
      {"bad-encrypted-agile.xlsx", "The workbook is protected by a password and cannot be read."},
      {"bad-text-not-xls.xls", "The file \""},
  };
  for (const auto& row : broken) {
    try {
      openXls((kCorpus / "files" / row.file).string());
      ADD_FAILURE() << row.file << " opened";
    } catch (const Failure& failure) {
      EXPECT_EQ(std::string(failure.what()).rfind(row.expectedStart, 0), 0u) << failure.what();
    }
  }
}

TEST(XlsSample, OpensWithItsSheetsAndTopLeftTexts) {
  auto book = openXls(LOMANDRA_SAMPLE);
  ASSERT_EQ(book->sheets().size(), 3u);
  EXPECT_EQ(book->sheets()[0].name, "Staff List");
  EXPECT_EQ(book->sheets()[1].name, "Monthly Sales");
  EXPECT_EQ(book->sheets()[2].name, "Notes and Dates");
  EXPECT_EQ(book->activeSheet(), 0);
  EXPECT_FALSE(book->date1904());
  CollectingVisitor visitor;
  book->readSheet(0, visitor, 3);
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> texts;
  for (const SeenCell& cell : visitor.cells) texts[{cell.row, cell.column}] = cell.text;
  const char* topLeft[4][2] = {{"Name", "Department"},
                               {"Ada Lovelace", "Research"},
                               {"Grace Hopper", "Engineering"},
                               {"Alan Turing", "Research"}};
  for (std::uint32_t r = 0; r < 4; ++r) {
    for (std::uint32_t c = 0; c < 2; ++c) EXPECT_EQ(texts[std::make_pair(r, c)], topLeft[r][c]);
  }
  for (const SeenCell& cell : visitor.cells) {
    if (cell.row == 1 && cell.column == 2) {
      EXPECT_EQ(book->formatCode(cell.format), "m/d/yyyy");
    }
    if (cell.row == 1 && cell.column == 3) {
      EXPECT_EQ(book->formatCode(cell.format), "\"$\"#,##0.00");
    }
  }
  CollectingVisitor sales;
  book->readSheet(1, sales);
  std::size_t numbers = 0, booleans = 0;
  for (const SeenCell& cell : sales.cells) {
    numbers += cell.kind == CellKind::Number;
    booleans += cell.kind == CellKind::Boolean;
  }
  EXPECT_GE(numbers, 20u);
  EXPECT_EQ(booleans, 6u);
}

}  // namespace
}  // namespace lomandra::xls
