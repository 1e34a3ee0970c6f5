#pragma once

// What every workbook reader (.xlsx, .xls, .ods, .csv) gives the built-in engine: the sheets,
// the date system, the number format of each cell format index, and each sheet's cells streamed
// in file order. Readers use QtCore at most and throw lomandra::Failure for bad input.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::model {

/// Limits of a worksheet: rows and columns count from 0 below these.
constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;
constexpr std::uint32_t kAllRows = std::numeric_limits<std::uint32_t>::max();

/// The grid of a worksheet: how many rows and columns the workbook's file format has. Whole
/// columns and rows, addresses and the workbook window span it.
struct Grid {
  std::uint32_t rows = kMaxRows;
  std::uint32_t columns = kMaxColumns;
  bool operator==(const Grid&) const = default;
};
/// .xlsx, .ods and .csv: 1,048,576 rows by 16,384 columns (A to XFD).
constexpr Grid kLargeGrid{kMaxRows, kMaxColumns};
/// .xls of every BIFF version, which the spreadsheet application opens in its compatibility
/// mode: 65,536 rows by 256 columns (A to IV).
constexpr Grid kXlsGrid{65536, 256};

/// The most characters (UTF-16 code units, as the spreadsheet application counts them) a cell
/// holds; longer texts are cut to this many wherever a reader's cells are kept.
constexpr std::size_t kMaxCellCharacters = 32767;

/// The first `kMaxCellCharacters` characters of UTF-8 `text`, cut at a character boundary.
inline std::string_view cellTextPrefix(std::string_view text) {
  // Every UTF-16 code unit takes at least one byte, so a short text needs no count.
  if (text.size() <= kMaxCellCharacters) return text;
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte of the character before
    units += byte >= 0xF0 ? 2 : 1;        // a character past U+FFFF takes a surrogate pair
    if (units > kMaxCellCharacters) return text.substr(0, i);
  }
  return text;
}

/// The block of cells a visitor keeps (0-based, inclusive): readers may pass over the rest.
struct CellBounds {
  std::uint32_t firstRow = 0, firstColumn = 0;
  std::uint32_t lastRow = kMaxRows - 1, lastColumn = kMaxColumns - 1;
};

enum class CellKind : std::uint8_t {
  Empty,    ///< a cell the file lists without a value (formatting only)
  Number,   ///< number (dates and times are numbers too)
  Text,     ///< text (UTF-8)
  Boolean,  ///< number is 0 or 1
  Error,    ///< text holds the error code, e.g. "#DIV/0!"
};

/// One cell as the reader found it; `text` is valid only during the visitor call.
struct CellRef {
  CellKind kind = CellKind::Empty;
  double number = 0;
  std::string_view text;
  std::uint32_t format = 0;  ///< cell format index; WorkbookFile::formatCode() gives its code
};

/// Horizontal alignment a cell format stores; General aligns by the value's type.
enum class HorizontalAlign : std::uint8_t { General, Left, Center, Right };

/// How a cell format asks for its cells to be drawn.
struct CellStyle {
  HorizontalAlign align = HorizontalAlign::General;
  bool numericText = false;  ///< text cells of this format hold a number's shown text (.ods)
};

/// What a sheet's saved view holds: the active cell and the frozen rows and columns.
struct SheetView {
  std::uint32_t activeRow = 0, activeColumn = 0;
  std::uint32_t frozenRows = 0, frozenColumns = 0;  ///< rows above / columns left of the split
  std::uint32_t topRow = 0, leftColumn = 0;         ///< first row / column shown (scrolled part)
};

/// A sheet of the workbook, in the workbook's order.
struct SheetInfo {
  std::string name;     ///< exactly as the workbook has it (UTF-8)
  bool visible = true;  ///< false for hidden and very hidden sheets
};

/// Receives one sheet's contents in file order (usually rows ascending, cells left to right;
/// a file may hold its rows in any order).
class SheetVisitor {
 public:
  virtual ~SheetVisitor() = default;
  /// Width (in characters of the default font, as stored) and hidden state of columns [first, last].
  virtual void columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) {
    (void)first, (void)last, (void)width, (void)hidden;
  }
  /// The default column width of the sheet in characters, when the file gives one.
  virtual void defaultColumnWidth(double width) { (void)width; }
  /// A row the file describes as hidden.
  virtual void hiddenRow(std::uint32_t row) { (void)row; }
  /// Cells merged into one, 0-based and inclusive.
  virtual void mergedCells(std::uint32_t firstRow, std::uint32_t firstColumn,
                           std::uint32_t lastRow, std::uint32_t lastColumn) {
    (void)firstRow, (void)firstColumn, (void)lastRow, (void)lastColumn;
  }
  /// The sheet's saved view (active cell, frozen panes), when the file gives one.
  virtual void view(const SheetView& saved) { (void)saved; }
  /// How much of the sheet's data has been read, `done` of `total` (bytes, say): readers that
  /// can tell call it now and then, for a progress display.
  virtual void progress(std::uint64_t done, std::uint64_t total) { (void)done, (void)total; }
  /// One cell (0-based row and column). Return false to stop reading the sheet.
  virtual bool cell(std::uint32_t row, std::uint32_t column, const CellRef& value) = 0;
  /// The cells this visitor keeps; a reader that repeats cells (.ods) repeats only within them.
  virtual CellBounds bounds() const { return {}; }
};

/// An opened workbook file.
class WorkbookFile {
 public:
  virtual ~WorkbookFile() = default;
  virtual const std::vector<SheetInfo>& sheets() const = 0;
  /// 0-based index of the sheet that is active when the workbook opens.
  virtual int activeSheet() const = 0;
  /// True when dates count from 1904 rather than 1900.
  virtual bool date1904() const = 0;
  /// The grid of the file's format; cells past it are not part of the sheet.
  virtual Grid grid() const { return kLargeGrid; }
  /// The number format code of a cell format index ("General" when it has none).
  virtual std::string formatCode(std::uint32_t format) const = 0;
  /// The built-in format id a cell format index uses when the file gives that id no code of
  /// its own (its code then follows the rendering locale: 14 is the system's short date); -1
  /// for a custom code or a format without an id.
  virtual int builtinFormatId(std::uint32_t format) const {
    (void)format;
    return -1;
  }
  /// The alignment and kind of text a cell format index stands for.
  virtual CellStyle cellStyle(std::uint32_t format) const {
    (void)format;
    return {};
  }
  /// Streams sheet `index` to `visitor`, reading no further than row `lastRow` (0-based) where
  /// the format allows. Throws lomandra::Failure when the sheet's data is damaged.
  virtual void readSheet(int index, SheetVisitor& visitor, std::uint32_t lastRow = kAllRows) = 0;
};

}  // namespace lomandra::model
