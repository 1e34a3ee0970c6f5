#pragma once

// Builds small .xls files in the tests: BIFF records, a BIFF8 workbook stream around them, and a
// compound document holding streams, with switches to damage each part on purpose.

#include <cstdint>
#include <string>
#include <vector>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::xls::testing {

std::string le16(std::uint32_t value);
std::string le32(std::uint32_t value);
std::string le64Double(double value);
/// A record: id, length, data.
std::string rec(std::uint16_t id, const std::string& data);
/// A BIFF8 string with a `countBytes`-byte character count: compressed when all of `latin1` is
/// below U+0100 (given as bytes), else use wideString.
std::string narrowString(const std::string& latin1, int countBytes = 2);
/// A BIFF8 string stored as UTF-16LE; `utf16` holds the code units.
std::string wideString(const std::u16string& utf16, int countBytes = 2);

/// One sheet of a workbook the tests build: its name, state and cell records.
struct SheetSpec {
  std::string name;
  std::uint8_t state = 0;  // 0 visible, 1 hidden, 2 very hidden
  std::string records;     // the records between the sheet's BOF and EOF
};

/// A BIFF8 workbook stream: BOF, `globals` (formats, XFs, SST ...), one BOUNDSHEET per sheet
/// with the right offsets, EOF, then each sheet's BOF, records and EOF.
std::string biff8Workbook(const std::string& globals, const std::vector<SheetSpec>& sheets);
/// The same in BIFF5: sheet names are 8-bit strings with a 1-byte count.
std::string biff5Workbook(const std::string& globals, const std::vector<SheetSpec>& sheets);

/// XF records for format ids `formats` (cell format index i uses formats[i]).
std::string xfRecords(const std::vector<std::uint16_t>& formats);

/// Records of the Excel 2.x-4.0 files (BIFF2, BIFF3, BIFF4), which are bare record streams.
/// Cells name their XF index `xf`; in BIFF2 the three attribute bytes carry it in the first
/// byte and a FORMAT index `format2` in the second (what a BIFF2 file without XF records uses).
namespace old {
/// A whole file of one sheet: BOF of `biff` naming `type` (0x0010 worksheet), `records`, EOF.
std::string worksheet(int biff, const std::string& records, std::uint16_t type = 0x0010);
/// A BIFF4 workbook: BOF (workbook), `globals`, EOF, then per sheet a header record with its
/// name (8-bit) and a BIFF4 worksheet substream of its records.
std::string workbook4(const std::string& globals, const std::vector<SheetSpec>& sheets);
/// FORMAT records of `codes`, in order (BIFF2-3 without, BIFF4 with the two unused bytes).
std::string formats(int biff, const std::vector<std::string>& codes);
/// XF records naming the FORMAT indexes `formatIndexes`, in order.
std::string xfs(int biff, const std::vector<std::uint8_t>& formatIndexes);
/// The cell header: row, column, then the XF index (BIFF3-4) or attribute bytes (BIFF2).
std::string cellHead(int biff, std::uint32_t row, std::uint32_t column, std::uint32_t xf,
                     std::uint32_t format2 = 0);
std::string number(int biff, std::uint32_t row, std::uint32_t column, double value,
                   std::uint32_t xf = 0, std::uint32_t format2 = 0);
/// A text cell of 8-bit bytes (a 1-byte count in BIFF2, 2 bytes later).
std::string label(int biff, std::uint32_t row, std::uint32_t column, const std::string& bytes,
                  std::uint32_t xf = 0);
std::string boolErr(int biff, std::uint32_t row, std::uint32_t column, std::uint8_t value,
                    bool error, std::uint32_t xf = 0);
/// A formula with its cached `result` (8 bytes); a text result comes in the STRING record
/// that `stringResult` adds after it when not empty.
std::string formula(int biff, std::uint32_t row, std::uint32_t column, const std::string& result,
                    const std::string& stringResult = {}, std::uint32_t xf = 0);
std::string blank(int biff, std::uint32_t row, std::uint32_t column, std::uint32_t xf = 0);
}  // namespace old

/// A stream of a compound document.
struct StreamSpec {
  std::u16string name;
  std::string data;
};

/// How the compound document is written; the damage switches break one thing each.
struct CfbOptions {
  int sectorShift = 9;                // 9 (512-byte sectors) or 12 (4096)
  std::uint32_t extraFatSectors = 0;  // unused FAT sectors, to need DIFAT sectors past 109
};

/// Where the parts of the written compound document lie, for tests that damage them.
struct CfbLayout {
  std::uint32_t sectorSize = 512;
  std::uint32_t fatStart = 0;  // first FAT sector id (the FAT sectors are consecutive)
  std::uint32_t difatStart = 0xFFFFFFFE;
  std::uint32_t directoryStart = 0;
  std::vector<std::uint32_t> bigStreamStart;  // per stream: first sector, or 0xFFFFFFFF if mini
  std::uint64_t sectorOffset(std::uint32_t id) const {
    return (std::uint64_t{id} + 1) * sectorSize;
  }
};

std::string compoundFile(const std::vector<StreamSpec>& streams, const CfbOptions& options = {},
                         CfbLayout* layout = nullptr);

/// Writes bytes to a new file in the test's temporary folder and returns its path.
std::string writeTempFile(const std::string& name, const std::string& bytes);

/// One cell as a test sees it.
struct SeenCell {
  std::uint32_t row, column;
  model::CellKind kind;
  double number;
  std::string text;
  std::uint32_t format;
};

/// Collects everything a sheet visitor receives.
class CollectingVisitor : public model::SheetVisitor {
 public:
  std::vector<SeenCell> cells;
  std::vector<std::uint32_t> hiddenRows;
  struct Columns {
    std::uint32_t first, last;
    double width;
    bool hidden;
  };
  std::vector<Columns> columnRuns;
  double defaultWidth = -1;
  std::size_t stopAfter = SIZE_MAX;  // cell() returns false once this many cells have come

  bool cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) override;
  void columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) override {
    columnRuns.push_back({first, last, width, hidden});
  }
  void defaultColumnWidth(double width) override { defaultWidth = width; }
  void hiddenRow(std::uint32_t row) override { hiddenRows.push_back(row); }
};

}  // namespace lomandra::xls::testing
