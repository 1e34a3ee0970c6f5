#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <algorithm>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/engine/SheetStore.h"
#include "sheet/engine/WorkbookSniffer.h"
#include "tests/sheet/container/TestPackage.h"
#include "tests/support/FailureOf.h"

namespace lomandra::engine {
namespace {

using model::kMaxColumns;
using model::kMaxRows;
using testing::TempDir;

using testsupport::failureOf;

// ---------------------------------------------------------------- addresses

TEST(RangeReferenceTest, ColumnNames) {
  const std::pair<std::uint32_t, const char*> rows[] = {
      {0, "A"}, {25, "Z"}, {26, "AA"}, {51, "AZ"}, {52, "BA"}, {701, "ZZ"}, {702, "AAA"},
      {16383, "XFD"}};
  for (const auto& [column, name] : rows) EXPECT_EQ(columnName(column), name) << column;
}

TEST(RangeReferenceTest, FormatsAddressesAsTheApplicationWritesThem) {
  struct Row {
    std::vector<Area> areas;
    const char* text;
  };
  const Row rows[] = {
      {{{0, 0, 0, 0}}, "$A$1"},
      {{{0, 0, 2, 1}}, "$A$1:$B$3"},
      {{{0, 0, kMaxRows - 1, 0}}, "$A:$A"},
      {{{0, 2, kMaxRows - 1, 4}}, "$C:$E"},
      {{{1, 0, 4, kMaxColumns - 1}}, "$2:$5"},
      {{{0, 0, kMaxRows - 1, kMaxColumns - 1}}, "$1:$1048576"},
      {{{kMaxRows - 1, kMaxColumns - 1, kMaxRows - 1, kMaxColumns - 1}}, "$XFD$1048576"},
      {{{0, 0, 0, 0}, {2, 2, 3, 3}}, "$A$1,$C$3:$D$4"},
  };
  for (const Row& row : rows) EXPECT_EQ(formatAddress(row.areas), row.text);
}

TEST(RangeReferenceTest, ParsesReferences) {
  struct Row {
    const char* text;
    bool hasSheet;
    const char* sheet;
    const char* asWritten;
    std::vector<Area> areas;
  };
  const Row rows[] = {
      {"'Data'!$A$1:$A$20", true, "Data", "Data", {{0, 0, 19, 0}}},
      {"Data!A1", true, "Data", "Data", {{0, 0, 0, 0}}},
      {"$B$2", false, "", "", {{1, 1, 1, 1}}},
      {"b2:a1", false, "", "", {{0, 0, 1, 1}}},
      {"'My Sheet'!$A:$C", true, "My Sheet", "My Sheet", {{0, 0, kMaxRows - 1, 2}}},
      {"'My Sheet'!$2:$5", true, "My Sheet", "My Sheet", {{1, 0, 4, kMaxColumns - 1}}},
      {"'S'!A:A", true, "S", "S", {{0, 0, kMaxRows - 1, 0}}},
      {"'S'!3:3", true, "S", "S", {{2, 0, 2, kMaxColumns - 1}}},
      {"'S'!$A$1,$C$3:$D$4, E5", true, "S", "S", {{0, 0, 0, 0}, {2, 2, 3, 3}, {4, 4, 4, 4}}},
      {"'O'Brien'!$A$1", true, "O'Brien", "O'Brien", {{0, 0, 0, 0}}},       // as the range box writes it
      {"'O''Brien'!$A$1", true, "O'Brien", "O''Brien", {{0, 0, 0, 0}}},     // doubled, as formulas write it
      {"'It's a 'test''!B2", true, "It's a 'test'", "It's a 'test'", {{1, 1, 1, 1}}},
      {"'a'!b'!A1", true, "a'!b", "a'!b", {{0, 0, 0, 0}}},  // the last "'!" ends the name
      {"'Dörfer Ümlaut'!$XFD$1048576", true, "Dörfer Ümlaut", "Dörfer Ümlaut",
       {{kMaxRows - 1, kMaxColumns - 1, kMaxRows - 1, kMaxColumns - 1}}},
      {"'\xE6\x97\xA5\xE6\x9C\xAC'!A1:B2", true, "\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC", {{0, 0, 1, 1}}},
      {"  'S'!A1  ", true, "S", "S", {{0, 0, 0, 0}}},
      {"$A$1:$XFD$1048576", false, "", "", {{0, 0, kMaxRows - 1, kMaxColumns - 1}}},
  };
  for (const Row& row : rows) {
    const Reference ref = parseReference(row.text);
    EXPECT_EQ(ref.hasSheet, row.hasSheet) << row.text;
    EXPECT_EQ(ref.sheet, row.sheet) << row.text;
    EXPECT_EQ(ref.sheetAsWritten, row.asWritten) << row.text;
    EXPECT_EQ(ref.areas, row.areas) << row.text;
  }
}

TEST(RangeReferenceTest, RejectsMalformedReferences) {
  const std::pair<const char*, const char*> rows[] = {
      {"", "is empty"},
      {"   ", "is empty"},
      {"'Data!A1", "does not close it"},
      {"'Data'", "does not close it"},
      {"''!A1", "names no sheet"},
      {"!A1", "names no sheet"},
      {"'Data'!", "names no cells"},
      {"'Data'!A", "not a valid cell address"},
      {"'Data'!3", "not a valid cell address"},
      {"A1:B", "not a valid cell address"},
      {"A:3", "not a valid cell address"},
      {"A1:", "not a valid cell address"},
      {"A1,", "not a valid cell address"},
      {"A1,,B2", "not a valid cell address"},
      {"A$:B$", "not a valid cell address"},
      {"A1 B2", "not a valid cell address"},
      {"$$A1", "not a valid cell address"},
      {"R1C1", "not a valid cell address"},
      {"XFE1", "names column XFE, beyond the last column XFD"},
      {"A1048577", "names row 1048577, beyond the last row 1048576"},
      {"A0", "names row 0"},
      {"ZZZZZZZZZZZZZZZZ1", "beyond the last column XFD"},
      {"A99999999999999999999", "beyond the last row"},
  };
  for (const auto& [text, expected] : rows) {
    const std::string what = failureOf([&] { parseReference(text); });
    EXPECT_NE(what.find(expected), std::string::npos) << "[" << text << "] -> " << what;
  }
}

// Whole columns and rows span the grid of the workbook's format; past it a reference is invalid.
TEST(RangeReferenceTest, FollowsTheGridOfTheWorkbooksFormat) {
  const model::Grid xls = model::kXlsGrid;
  const struct {
    const char* text;
    model::Grid grid;
    Area area;
    const char* written;
  } rows[] = {
      {"$A:$A", xls, {0, 0, 65535, 0}, "$A:$A"},
      {"$3:$3", xls, {2, 0, 2, 255}, "$3:$3"},
      {"$A$1:$IV$65536", xls, {0, 0, 65535, 255}, "$1:$65536"},
      {"$IV$65536", xls, {65535, 255, 65535, 255}, "$IV$65536"},
      {"$A:$A", model::kLargeGrid, {0, 0, kMaxRows - 1, 0}, "$A:$A"},
      {"$IW$65537", model::kLargeGrid, {65536, 256, 65536, 256}, "$IW$65537"},
  };
  for (const auto& row : rows) {
    const Reference ref = parseReference(row.text, row.grid);
    ASSERT_EQ(ref.areas.size(), 1u) << row.text;
    EXPECT_EQ(ref.areas[0], row.area) << row.text;
    EXPECT_EQ(formatAddress(ref.areas, row.grid), row.written) << row.text;
  }
  const std::pair<const char*, const char*> failures[] = {
      {"$IW$1", "names column IW, beyond the last column IV of this workbook's format"},
      {"A65537", "names row 65537, beyond the last row 65536 of this workbook's format"},
      {"$A:$IW", "beyond the last column IV"},
      {"$1:$65537", "beyond the last row 65536"},
      {"'Data'!$XFD$1", "beyond the last column IV"},
  };
  for (const auto& [text, expected] : failures) {
    const std::string what = failureOf([&] { parseReference(text, xls); });
    EXPECT_NE(what.find(expected), std::string::npos) << "[" << text << "] -> " << what;
  }
}

TEST(RangeReferenceTest, ParsedAddressesWriteBackUnchanged) {
  for (const char* text : {"$A$1", "$B$2:$D$9", "$A:$A", "$C:$XFD", "$7:$7", "$1:$1048576",
                           "$A$1,$B$2:$C$3,$D:$D,$4:$4"})
    EXPECT_EQ(formatAddress(parseReference(text).areas), text);
}

// ---------------------------------------------------------------- opening by content

// A compound file holding only a directory with the given stream names (no data).
std::string compoundFile(const std::vector<std::string>& streams) {
  std::string file(512 * 3, '\0');
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [&](std::size_t at, std::uint32_t v) {
    file[at] = static_cast<char>(v & 0xFF);
    file[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  };
  const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  for (int i = 0; i < 8; ++i) file[static_cast<std::size_t>(i)] = static_cast<char>(signature[i]);
  put16(24, 0x3E);
  put16(26, 3);
  put16(28, 0xFFFE);
  put16(30, 9);
  put16(32, 6);
  put32(44, 1);           // one allocation-table sector
  put32(48, 1);           // the directory starts at sector 1
  put32(56, 4096);
  put32(60, 0xFFFFFFFE);
  put32(68, 0xFFFFFFFE);
  put32(76, 0);           // the allocation table is sector 0
  for (int i = 1; i < 109; ++i) put32(76 + 4 * static_cast<std::size_t>(i), 0xFFFFFFFF);
  for (std::size_t i = 0; i < 128; ++i) put32(512 + 4 * i, 0xFFFFFFFF);
  put32(512, 0xFFFFFFFD);
  put32(516, 0xFFFFFFFE);
  std::vector<std::string> names = {"Root Entry"};
  names.insert(names.end(), streams.begin(), streams.end());
  for (std::size_t e = 0; e < names.size() && e < 4; ++e) {
    const std::size_t at = 1024 + 128 * e;
    for (std::size_t i = 0; i < names[e].size(); ++i) put16(at + 2 * i, static_cast<unsigned char>(names[e][i]));
    put16(at + 64, static_cast<std::uint32_t>(2 * (names[e].size() + 1)));
    file[at + 66] = e == 0 ? 5 : 2;
  }
  return file;
}

TEST(WorkbookSnifferTest, RecognisesFormatsByContent) {
  TempDir dir;
  testing::writeZip(dir.file("book.bin"), testing::xlsxParts({testing::worksheet("")}));
  testing::writeZip(dir.file("doc.xlsx"), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                                           {"content.xml", "<x/>", true}});
  testing::writeZip(dir.file("text.ods"), {{"mimetype", "application/vnd.oasis.opendocument.text", false}});
  testing::writeZip(dir.file("plain.zip"), {{"readme.txt", "hello", true}});
  testing::writeZip(dir.file("binary.xlsx"), {{"xl/workbook.bin", std::string(40, '\x01'), true}});
  testing::writeFile(dir.file("enc.xlsx"), compoundFile({"EncryptionInfo", "EncryptedPackage"}));
  testing::writeFile(dir.file("old.xlsx"), compoundFile({"Workbook", "\x05SummaryInformation"}));
  testing::writeFile(dir.file("biff5.dat"), compoundFile({"Book"}));
  testing::writeFile(dir.file("word.doc"), compoundFile({"WordDocument"}));
  testing::writeFile(dir.file("data.xls"), "a,b,c\n1,2,3\n");
  testing::writeFile(dir.file("picture.png"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  // Packages without their first entry, or in another order: their parts decide.
  const std::string spreadsheetContent =
      "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
      "<office:spreadsheet><table:table table:name=\"Blatt\"><table:table-row>"
      "<table:table-cell office:value-type=\"string\"><text:p>hi</text:p></table:table-cell>"
      "</table:table-row></table:table></office:spreadsheet></office:body>"
      "</office:document-content>";
  testing::writeZip(dir.file("nomime.zip"), {{"styles.xml", "<x/>", true},
                                             {"content.xml", spreadsheetContent, true}});
  testing::writeZip(dir.file("nomime-text.ods"),
                    {{"content.xml",
                      "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:"
                      "xmlns:office:1.0\"><office:body><office:text/></office:body>"
                      "</office:document-content>",
                      true}});
  auto reversed = testing::xlsxParts({testing::worksheet("")});
  std::reverse(reversed.begin(), reversed.end());
  testing::writeZip(dir.file("reversed.bin"), reversed);
  std::vector<testing::ZipPart> bare;
  for (const auto& part : testing::xlsxParts({testing::worksheet("")}))
    if (part.name.starts_with("xl/") && part.name.find("_rels") == std::string::npos)
      bare.push_back(part);
  testing::writeZip(dir.file("bare.bin"), bare);
  // Excel 2.x-4.0 files: a bare record stream from a beginning-of-file record.
  testing::writeFile(dir.file("biff2.wks"),
                     std::string("\x09\x00\x04\x00\x02\x00\x10\x00\x0A\x00\x00\x00", 12));
  testing::writeFile(dir.file("biff4w.xlw"),
                     std::string("\x09\x04\x06\x00\x00\x00\x00\x01\x00\x00", 10));
  testing::writeFile(dir.file("bof-odd-type.bin"),
                     std::string("\x09\x02\x06\x00\x00\x00\x77\x00\x00\x00", 10));
  testing::writeFile(
      dir.file("flat.xml"),
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body/>"
      "</office:document>");
  struct Row {
    const char* file;
    WorkbookFormat format;
  };
  const Row rows[] = {
      {"book.bin", WorkbookFormat::Xlsx},      {"doc.xlsx", WorkbookFormat::Ods},
      {"text.ods", WorkbookFormat::Unknown},   {"plain.zip", WorkbookFormat::Unknown},
      {"binary.xlsx", WorkbookFormat::Xlsb},
      {"enc.xlsx", WorkbookFormat::Encrypted}, {"old.xlsx", WorkbookFormat::Xls},
      {"biff5.dat", WorkbookFormat::Xls},      {"word.doc", WorkbookFormat::Unknown},
      {"data.xls", WorkbookFormat::Csv},       {"picture.png", WorkbookFormat::Unknown},
      {"flat.xml", WorkbookFormat::Ods},
      {"nomime.zip", WorkbookFormat::Ods},     {"nomime-text.ods", WorkbookFormat::Unknown},
      {"reversed.bin", WorkbookFormat::Xlsx},  {"bare.bin", WorkbookFormat::Xlsx},
      {"biff2.wks", WorkbookFormat::Xls},      {"biff4w.xlw", WorkbookFormat::Xls},
      {"bof-odd-type.bin", WorkbookFormat::Unknown},
  };
  for (const Row& row : rows)
    EXPECT_EQ(static_cast<int>(sniffWorkbook(dir.file(row.file))), static_cast<int>(row.format)) << row.file;
  // The spreadsheet without its mimetype entry opens as such.
  auto book = BuiltinWorkbook::open(dir.file("nomime.zip"));
  ASSERT_EQ(book->sheets().size(), 1u);
  EXPECT_EQ(book->sheets()[0].name, "Blatt");
  EXPECT_EQ(book->sheet(0).text(0, 0), "hi");
  EXPECT_EQ(book->grid(), model::kLargeGrid);
}

TEST(BuiltinWorkbookTest, OpenFailuresSayWhatIsWrong) {
  TempDir dir;
  testing::writeFile(dir.file("empty.xlsx"), "");
  testing::writeFile(dir.file("enc.xlsx"), compoundFile({"EncryptionInfo", "EncryptedPackage"}));
  testing::writeFile(dir.file("noise.xlsx"), std::string("\x01\x02\x03\0\xff\xfe\0\0garbage", 16));
  testing::writeZip(dir.file("plain.xlsx"), {{"readme.txt", "hello", true}});
  testing::writeZip(dir.file("binary.xlsb"), {{"xl/workbook.bin", std::string(40, '\x01'), true}});
  const std::string bytes = testing::zipBytes(testing::xlsxParts({testing::worksheet("")}));
  testing::writeFile(dir.file("cut.xlsx"), bytes.substr(0, bytes.size() / 2));
  const std::pair<std::string, const char*> rows[] = {
      {dir.file("none.xlsx"), "does not exist"},
      {dir.path(), "is a folder"},
      {dir.file("empty.xlsx"), "is empty"},
      {dir.file("enc.xlsx"), "is protected by a password"},
      {dir.file("noise.xlsx"), "is not a workbook this program can read"},
      {dir.file("plain.xlsx"), "is not a workbook this program can read"},
      {dir.file("binary.xlsb"), "is an Excel binary workbook (.xlsb)"},
      {dir.file("cut.xlsx"), "is incomplete or still being written"},
      {"", "No workbook file is named"},
  };
  for (const auto& [path, expected] : rows) {
    const std::string what = failureOf([&] { BuiltinWorkbook::open(path); });
    EXPECT_NE(what.find(expected), std::string::npos) << path << " -> " << what;
  }
}

// ---------------------------------------------------------------- cells and their text

class WrittenWorkbook : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("book.xlsx");
    lxw_workbook* wb = workbook_new(path_.c_str());
    lxw_worksheet* data = workbook_add_worksheet(wb, "Data");
    lxw_worksheet* obrien = workbook_add_worksheet(wb, "O'Brien");
    lxw_worksheet* umlaut = workbook_add_worksheet(wb, "Dörfer Ümlaut");
    lxw_format* money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00");
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd");
    lxw_format* textSection = workbook_add_format(wb);
    format_set_num_format(textSection, "0;-0;0;\"<\"@\">\"");
    worksheet_write_number(data, 0, 0, 1234.5, money);
    worksheet_write_number(data, 0, 2, 45322, date);
    worksheet_write_boolean(data, 1, 0, 0, nullptr);
    worksheet_write_formula_num(data, 1, 1, "=1/3", nullptr, 1.0 / 3);
    worksheet_write_string(data, 1, 2, "word", textSection);
    worksheet_write_number(data, 3, 1, 123456789012.0, nullptr);
    worksheet_write_formula_str(data, 4, 0, "=NA()", nullptr, "#N/A");
    lxw_row_col_options hide = {1, 0, 0};
    worksheet_set_column_opt(data, 3, 3, 12, nullptr, &hide);
    worksheet_set_column(data, 1, 1, 30, nullptr);
    worksheet_set_row_opt(data, 2, 15, nullptr, &hide);
    worksheet_write_string(obrien, 0, 0, "apostrophe", nullptr);
    worksheet_write_string(umlaut, 0, 0, "umlaut", nullptr);
    worksheet_activate(umlaut);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
  }
  TempDir dir_;
  std::string path_;
};

std::vector<std::string> texts(const SheetData& sheet, const Area& area) {
  std::vector<std::string> out;
  sheet.forEachText(area, [&](std::string_view t) {
    out.emplace_back(t);
    return true;
  });
  return out;
}

TEST_F(WrittenWorkbook, OpensAndShowsDisplayedTexts) {
  auto book = BuiltinWorkbook::open(path_);
  EXPECT_EQ(book->fileName(), "book.xlsx");
  ASSERT_EQ(book->sheets().size(), 3u);
  EXPECT_EQ(book->activeSheet(), 2);
  const SheetData& sheet = book->sheet(0);
  EXPECT_EQ(sheet.usedRows(), 5u);
  EXPECT_EQ(sheet.usedColumns(), 3u);
  struct Row {
    std::uint32_t row, column;
    const char* text;
  };
  const Row rows[] = {
      {0, 0, "1,234.50"}, {0, 1, ""},      {0, 2, "2024-01-31"},   {1, 0, "FALSE"},
      {1, 1, "0.333333333"}, {1, 2, "<word>"}, {3, 1, "1.23457E+11"}, {4, 0, "#N/A"},
      {900, 900, ""},
  };
  for (const Row& row : rows) EXPECT_EQ(sheet.text(row.row, row.column), row.text) << row.row << "," << row.column;
  EXPECT_TRUE(sheet.columnHidden(3));
  EXPECT_FALSE(sheet.columnHidden(1));
  EXPECT_TRUE(sheet.rowHidden(2));
  EXPECT_FALSE(sheet.rowHidden(1));
  EXPECT_GT(sheet.columnWidth(1), 29.0);
  EXPECT_NEAR(sheet.columnWidth(0), sheet.columnWidth(100), 1e-9);
}

TEST_F(WrittenWorkbook, WalksAreasRowByRowWithEmptyCells) {
  auto book = BuiltinWorkbook::open(path_);
  const SheetData& sheet = book->sheet(0);
  EXPECT_EQ(texts(sheet, {0, 0, 1, 2}),
            (std::vector<std::string>{"1,234.50", "", "2024-01-31", "FALSE", "0.333333333", "<word>"}));
  EXPECT_EQ(texts(sheet, {1, 1, 4, 1}), (std::vector<std::string>{"0.333333333", "", "1.23457E+11", ""}));
  // A whole column: every one of its 1,048,576 cells, the empty ones included.
  std::size_t count = 0, nonEmpty = 0;
  sheet.forEachText({0, 0, kMaxRows - 1, 0}, [&](std::string_view t) {
    ++count;
    nonEmpty += !t.empty();
    return true;
  });
  EXPECT_EQ(count, kMaxRows);
  EXPECT_EQ(nonEmpty, 3u);
  // Stopping early.
  count = 0;
  sheet.forEachText({0, 0, 9, 9}, [&](std::string_view) { return ++count < 7; });
  EXPECT_EQ(count, 7u);
}

TEST_F(WrittenWorkbook, ResolvesReferences) {
  auto book = BuiltinWorkbook::open(path_);
  struct Row {
    const char* reference;
    int sheet;
    std::vector<Area> areas;
  };
  const Row rows[] = {
      {"'Data'!$A$1:$B$2", 0, {{0, 0, 1, 1}}},
      {"'O'Brien'!$A$1", 1, {{0, 0, 0, 0}}},
      {"'O''Brien'!$A$1", 1, {{0, 0, 0, 0}}},
      {"'Dörfer Ümlaut'!A:A", 2, {{0, 0, kMaxRows - 1, 0}}},
      {"'dörfer ümlaut'!A1", 2, {{0, 0, 0, 0}}},  // sheet names compare without regard to case
      {"DATA!B2,C3", 0, {{1, 1, 1, 1}, {2, 2, 2, 2}}},
      {"$A$1", 2, {{0, 0, 0, 0}}},  // no sheet part: the active sheet
  };
  for (const Row& row : rows) {
    const auto resolved = book->resolve(row.reference);
    EXPECT_EQ(resolved.sheet, row.sheet) << row.reference;
    EXPECT_EQ(resolved.areas, row.areas) << row.reference;
  }
  EXPECT_EQ(failureOf([&] { book->resolve("'Nope'!A1"); }), "The workbook has no sheet named \"Nope\".");
  EXPECT_NE(failureOf([&] { book->resolve("'Data'!A0"); }).find("row 0"), std::string::npos);
  EXPECT_NE(failureOf([&] { book->sheet(3); }).find("no sheet number 4"), std::string::npos);
}

TEST_F(WrittenWorkbook, ReadsFurtherWhenLaterRowsAreAsked) {
  auto book = BuiltinWorkbook::open(path_);
  EXPECT_EQ(book->sheet(0, 0).usedRows(), 1u);
  EXPECT_EQ(book->sheet(0, 0).text(4, 0), "");
  EXPECT_EQ(book->sheet(0, 4).text(4, 0), "#N/A");
  EXPECT_EQ(book->sheet(0).usedRows(), 5u);
}

// Cells out of order are sorted; a cell the file gives twice fails the ranges holding it, since
// which of its values the file means is not known (keeping either would lose the other without
// a word).
TEST(SheetStoreTest, CellsOutOfOrderAreSortedAndACellGivenTwiceFailsTheRangesHoldingIt) {
  TempDir dir;
  const std::string data =
      "<row r='3'><c r='B3'><v>3</v></c><c r='A3'><v>2</v></c></row>"
      "<row r='1'><c r='A1'><v>1</v></c></row>";
  testing::writeZip(dir.file("order.xlsx"), testing::xlsxParts({testing::worksheet(data)}));
  auto book = BuiltinWorkbook::open(dir.file("order.xlsx"));
  EXPECT_EQ(texts(book->sheet(0), {0, 0, 2, 1}), (std::vector<std::string>{"1", "", "", "", "2", "3"}));

  const std::pair<const char*, std::string> twice[] = {
      {"in a later row element", data + "<row r='3'><c r='B3'><v>4</v></c></row>"},
      {"next to itself", "<row r='1'><c r='A1'><v>1</v></c><c r='A1'><v>2</v></c></row>"},
      {"in order, then again", "<row r='1'><c r='A1'><v>1</v></c></row><row r='2'/>"
                               "<row r='1'><c r='A1'><v>1</v></c></row>"},
  };
  for (const auto& [name, rows] : twice) {
    SCOPED_TRACE(name);
    testing::writeZip(dir.file("twice.xlsx"), testing::xlsxParts({testing::worksheet(rows)}));
    auto twiceBook = BuiltinWorkbook::open(dir.file("twice.xlsx"));
    EXPECT_NE(failureOf([&] { texts(twiceBook->sheet(0), {0, 0, 2, 1}); }).find("gives cell "),
              std::string::npos);
  }
}

// Large blocks start on a 2 MiB boundary (where huge pages serve them); room given back keeps
// the elements before it and can be used again; small blocks come from the usual heap.
TEST(LargeAllocatorTest, KeepsWhatIsUsedAndGivesBackTheRest) {
  using Vector = std::vector<std::uint64_t, LargeAllocator<std::uint64_t>>;
  for (const std::size_t capacity : {std::size_t{1000}, std::size_t{3} << 20}) {
    SCOPED_TRACE(capacity);
    Vector items;
    items.reserve(capacity);
#ifdef __linux__
    if (capacity * sizeof(std::uint64_t) >= LargeAllocator<std::uint64_t>::kHugePage) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(items.data()) % LargeAllocator<std::uint64_t>::kHugePage, 0u);
    }
#endif
    for (std::size_t i = 0; i < capacity / 2 + 7; ++i) items.push_back(i * 3);
    LargeAllocator<std::uint64_t>::releaseUnused(items.data(), items.size(), items.capacity());
    for (std::size_t i = 0; i < items.size(); ++i) ASSERT_EQ(items[i], i * 3);
    while (items.size() < capacity) items.push_back(items.size() * 3);
    EXPECT_EQ(items.back(), (capacity - 1) * 3);
    items.push_back(1);  // grows into a new block, the old one given back whole
    EXPECT_EQ(items[capacity / 2], capacity / 2 * 3);
  }
}

// A large area is walked with a second thread formatting blocks of its rows: the texts, their
// order, an early stop and a format the formatter cannot share between threads are as on one
// thread.
TEST(SheetStoreTest, ALargeAreaWalksAlikeWithASecondThread) {
  TempDir dir;
  const std::string styles =
      "<styleSheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
      "<numFmts count='2'><numFmt numFmtId='164' formatCode='0.0%'/><numFmt numFmtId='165' "
      "formatCode='yyyy-mm-dd'/></numFmts><cellXfs count='3'><xf numFmtId='0'/><xf numFmtId='164' "
      "applyNumberFormat='1'/><xf numFmtId='165' applyNumberFormat='1'/></cellXfs></styleSheet>";
  std::string data, far;
  for (int r = 1; r <= 30000; ++r) {
    const std::string n = std::to_string(r);
    if (r % 7 == 0) continue;  // rows without cells
    data += "<row r='" + n + "'><c r='A" + n + "' s='1'><v>" + std::to_string(r / 9.0) + "</v></c>" +
            (r % 3 ? "<c r='B" + n + "' s='2'><v>" + std::to_string(30000 + r) + "</v></c>" : "") +
            "<c r='C" + n + "' t='inlineStr'><is><t>t" + n + "</t></is></c><c r='D" + n + "' t='b'><v>" +
            std::to_string(r % 2) + "</v></c></row>";
    far += "<row r='" + n + "'><c r='A" + n + "' s='70000'><v>" + n + "</v></c></row>";
  }
  testing::writeZip(dir.file("large.xlsx"), testing::xlsxParts({testing::worksheet(data), testing::worksheet(far)}, {}, styles));
  auto book = BuiltinWorkbook::open(dir.file("large.xlsx"));
  struct Row {
    const char* name;
    int sheet;
    Area area;
    std::size_t stopAfter;
  };
  const Row rows[] = {
      {"the whole area", 0, {0, 0, 29999, 4}, SIZE_MAX},
      {"a part of its columns", 0, {5, 1, 29990, 2}, SIZE_MAX},
      {"stopped early", 0, {0, 0, 29999, 3}, 70001},
      {"a format past the formatter's cache", 1, {0, 0, 29999, 1}, SIZE_MAX},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> walked[2];
    for (const bool parallel : {false, true}) {
      SheetStore::setParallelWalk(parallel);
      book->sheet(row.sheet).forEachText(row.area, [&](std::string_view text) {
        walked[parallel].emplace_back(text);
        return walked[parallel].size() < row.stopAfter;
      });
    }
    SheetStore::setParallelWalk(true);
    EXPECT_EQ(walked[1], walked[0]);
    EXPECT_EQ(walked[0].size(), std::min(row.stopAfter, static_cast<std::size_t>(cellCount(row.area))));
  }
}

// A row repeated over the whole sheet holding a long text repeated over every column (823
// bytes of .ods): read for A1:Z100, only those cells are handed over; the whole sheet fails
// with what was too large.
TEST(BuiltinWorkbookTest, ReadsOnlyTheCellsAReferenceNeeds) {
  TempDir dir;
  const std::string text(1000, 'x');
  const std::string content =
      "<office:document-content xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
      "xmlns:table='urn:oasis:names:tc:opendocument:xmlns:table:1.0' "
      "xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0'><office:body>"
      "<office:spreadsheet><table:table table:name='Sheet1'>"
      "<table:table-row table:number-rows-repeated='1048576'>"
      "<table:table-cell table:number-columns-repeated='16384' office:value-type='string'><text:p>" +
      text + "</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet>"
             "</office:body></office:document-content>";
  testing::writeZip(dir.file("bomb.ods"),
                    {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                     {"content.xml", content, true}});
  auto book = BuiltinWorkbook::open(dir.file("bomb.ods"));
  const auto resolved = book->resolve("'Sheet1'!$B$3:$Z$100");
  const SheetData& sheet = book->sheet(resolved.sheet, boundsOf(resolved.areas));
  EXPECT_EQ(sheet.usedRows(), 100u);
  EXPECT_EQ(sheet.usedColumns(), 26u);
  EXPECT_EQ(sheet.text(0, 0), "") << "cells outside the range are not kept";
  EXPECT_EQ(texts(sheet, resolved.areas[0]), std::vector<std::string>(98 * 25, text));
  EXPECT_NE(failureOf([&] { book->sheet(0); }).find("repeats more cells than this program reads"),
            std::string::npos);
}

// One limit for every reader: a cell keeps 32,767 characters, counted as the application
// counts them (a character past U+FFFF counts twice), cut at a character boundary.
TEST(BuiltinWorkbookTest, EveryReaderCutsCellTextsAtTheCellLimit) {
  const auto repeat = [](std::string_view unit, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out += unit;
    return out;
  };
  const std::string emoji = "\xF0\x9F\x98\x80";
  struct Row {
    const char* name;
    std::string text;
    std::size_t keptBytes;
  };
  const Row rows[] = {
      {"at the limit", repeat("a", 32767), 32767},
      {"one past", repeat("a", 32768), 32767},
      {"two-byte characters", repeat("\xC3\xA9", 40000), 2 * 32767},
      {"pairs", repeat(emoji, 20000), 4 * 16383},
      {"a pair across the limit", repeat("a", 32766) + emoji, 32766},
  };
  const std::string ods =
      "<office:document-content xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
      "xmlns:table='urn:oasis:names:tc:opendocument:xmlns:table:1.0' "
      "xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0'><office:body>"
      "<office:spreadsheet><table:table table:name='S'>";
  std::string xlsxRows, odsRows, csv;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    xlsxRows += "<row r='" + std::to_string(i + 1) + "'><c r='A" + std::to_string(i + 1) +
                "' t='inlineStr'><is><t>" + rows[i].text + "</t></is></c></row>";
    odsRows += "<table:table-row><table:table-cell office:value-type='string'><text:p>" +
               rows[i].text + "</text:p></table:table-cell></table:table-row>";
    csv += rows[i].text + "\n";
  }
  TempDir dir;
  testing::writeZip(dir.file("long.xlsx"), testing::xlsxParts({testing::worksheet(xlsxRows)}));
  testing::writeZip(dir.file("long.ods"),
                    {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                     {"content.xml", ods + odsRows + "</table:table></office:spreadsheet>"
                                                     "</office:body></office:document-content>",
                      true}});
  testing::writeFile(dir.file("long.csv"), csv);
  for (const char* file : {"long.xlsx", "long.ods", "long.csv"}) {
    auto book = BuiltinWorkbook::open(dir.file(file));
    const SheetData& sheet = book->sheet(0);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
      const std::string kept = sheet.text(static_cast<std::uint32_t>(i), 0);
      EXPECT_EQ(kept.size(), rows[i].keptBytes) << file << ": " << rows[i].name;
      EXPECT_TRUE(rows[i].text.starts_with(kept)) << file << ": " << rows[i].name;
    }
  }
}

// A flat OpenDocument spreadsheet with a document type declaration is refused as the zipped
// form is, whatever the size of its internal subset, rather than read as delimited text.
TEST(BuiltinWorkbookTest, FlatDocumentsDeclaringADocumentTypeAreRefused) {
  const std::string root =
      "<office:document xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
      "office:mimetype='application/vnd.oasis.opendocument.spreadsheet'><office:body>"
      "<office:spreadsheet/></office:body></office:document>";
  const std::string laughs = "<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;\">";
  std::string longSubset;
  for (int i = 0; i < 1000; ++i) longSubset += "<!ENTITY e" + std::to_string(i) + " \"]>\">";
  const std::pair<const char*, std::string> rows[] = {
      {"an internal subset", "<?xml version='1.0'?>\n<!DOCTYPE office:document [" + laughs + "]>" + root},
      {"a subset past the first bytes read", "<!DOCTYPE office:document [" + longSubset + "]>" + root},
      {"another name, the root within reach", "<!DOCTYPE x [" + laughs + "]><!-- c -->" + root},
      {"no subset", "<!DOCTYPE office:document SYSTEM 'x.dtd'>" + root},
  };
  TempDir dir;
  for (const auto& [name, text] : rows) {
    SCOPED_TRACE(name);
    testing::writeFile(dir.file("doctype.fods"), text);
    EXPECT_EQ(sniffWorkbook(dir.file("doctype.fods")), WorkbookFormat::Ods);
    EXPECT_NE(failureOf([&] { BuiltinWorkbook::open(dir.file("doctype.fods")); })
                  .find("declares a document type"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace lomandra::engine
