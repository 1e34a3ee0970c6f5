#pragma once

// The built-in engine's workbook: opened by content (.xlsx/.xlsm/.xltx/.xltm, .xls, .ods, .csv),
// with Range References resolved against it and each cell's displayed text. QtCore at most.

#include <cstdint>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::engine {

/// One rectangular block of cells, 0-based and inclusive.
struct Area {
  std::uint32_t firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
  bool operator==(const Area&) const = default;
};

/// The smallest block holding every area (the whole sheet for none).
model::CellBounds boundsOf(const std::vector<Area>& areas);

/// The number of cells in an area.
constexpr std::uint64_t cellCount(const Area& area) {
  return (std::uint64_t{area.lastRow} - area.firstRow + 1) *
         (std::uint64_t{area.lastColumn} - area.firstColumn + 1);
}

/// The most cells one merge reads: sixteen whole columns. A whole sheet holds seventeen
/// billion cells, which no list can take; a range past this fails to walk with a description.
constexpr std::uint64_t kMaxWalkCells = std::uint64_t{16} * model::kMaxRows;

/// The column letters of a 0-based column: 0 -> "A", 25 -> "Z", 26 -> "AA", 16383 -> "XFD".
std::string columnName(std::uint32_t column);

/// The address of areas as a spreadsheet application writes it: "$A$1", "$A$1:$B$3", whole
/// columns "$A:$C", whole rows "$2:$5" (whole as `grid` has them), areas joined by commas.
std::string formatAddress(const std::vector<Area>& areas, model::Grid grid = model::kLargeGrid);

/// A Range Reference as text reads: an optional sheet name and one or more areas.
struct Reference {
  bool hasSheet = false;
  std::string sheet;  ///< UTF-8, quotes removed, a doubled apostrophe read as one
  std::string sheetAsWritten;  ///< UTF-8, quotes removed, apostrophes as they stand
  std::vector<Area> areas;
};

/// Reads a Range Reference: "'Sheet name'!$A$1:$B$3", "Sheet1!A1", "$A:$C", "$2:$5",
/// "A1,C3:D4"; quoted names with a doubled or (as the range box writes them) undoubled
/// apostrophe. Whole columns and rows span `grid`; a cell past it is an invalid reference.
/// Throws lomandra::Failure describing what is wrong.
Reference parseReference(std::string_view text, model::Grid grid = model::kLargeGrid);

/// What drawing a cell needs beyond its displayed text: the value's kind, the number, whether
/// the number is shown in General (which a narrow column shortens) and the stored alignment.
struct CellLook {
  bool typed = false;  ///< false: the sheet keeps no kinds, only texts
  model::CellKind kind = model::CellKind::Empty;
  double number = 0;
  bool generalNumber = false;  ///< a number in the General format
  bool numericText = false;    ///< a text that is a number's shown text (right, "#" when narrow)
  model::HorizontalAlign align = model::HorizontalAlign::General;
  std::uint32_t color = 0xFFFFFFFFu;  ///< the format's colour tag as 0xRRGGBB; all ones: none
};

class SheetReading;

/// Formula cells the engine could not compute, which show the value the file saved (or
/// nothing): how many, the functions it does not compute, and any other causes.
struct UncomputedFormulas {
  std::uint64_t cells = 0;
  std::vector<std::string> functions;  ///< upper case, sorted
  std::vector<std::string> reasons;    ///< "a reference to another workbook", ...
};

/// The cells of one sheet held in memory (rows read so far), with the layout the file gives.
class SheetData {
 public:
  virtual ~SheetData() = default;
  /// The grid of the workbook's format, which holds every cell of the sheet.
  virtual model::Grid grid() const { return model::kLargeGrid; }
  /// One past the last row / column holding a cell (0 for an empty sheet).
  virtual std::uint32_t usedRows() const = 0;
  virtual std::uint32_t usedColumns() const = 0;
  /// Cell text: the displayed text of a cell ("" for a cell the file does not hold).
  virtual std::string text(std::uint32_t row, std::uint32_t column) const = 0;
  /// Column width in characters of the default font (the sheet's default where the file gives none).
  virtual double columnWidth(std::uint32_t column) const = 0;
  virtual bool columnHidden(std::uint32_t column) const = 0;
  virtual bool rowHidden(std::uint32_t row) const = 0;
  /// The hidden rows from `first` to `last`, in order: one call for a window taking many rows.
  virtual std::vector<std::uint32_t> hiddenRows(std::uint32_t first, std::uint32_t last) const {
    std::vector<std::uint32_t> hidden;
    for (std::uint64_t row = first; row <= last; ++row)
      if (rowHidden(static_cast<std::uint32_t>(row))) hidden.push_back(static_cast<std::uint32_t>(row));
    return hidden;
  }
  /// The kind, value and stored alignment of a cell (untyped by default).
  virtual CellLook look(std::uint32_t row, std::uint32_t column) const {
    (void)row, (void)column;
    return {};
  }
  /// True when the cell holds something to show; cheaper than text() where a sheet can say.
  virtual bool holds(std::uint32_t row, std::uint32_t column) const {
    return !text(row, column).empty();
  }
  /// Areas of cells merged into one, as the file gives them.
  virtual const std::vector<Area>& mergedAreas() const {
    static const std::vector<Area> kNone;
    return kNone;
  }
  /// The sheet's saved view; nothing when the file saved none.
  virtual std::optional<model::SheetView> savedView() const { return std::nullopt; }
  /// Throws lomandra::Failure when the file gives a cell of `area` more than once: which of its
  /// values the application would show is not known, so a range holding it is not read. The
  /// window shows the value given last; cells outside `area` do not matter.
  virtual void requireGivenOnce(const Area& area) const { (void)area; }
  /// Walk: calls `visit` with the displayed text of every cell of `area`, row by row from the
  /// top, left to right, empty cells included ("" for them). The view is valid during the call;
  /// `visit` returns false to stop early. Throws as requireGivenOnce does, before any visit.
  virtual void forEachText(const Area& area,
                           const std::function<bool(std::string_view text)>& visit) const = 0;
};

/// An opened workbook. Opening reads only the workbook-level parts; a sheet is read when first
/// asked for, and no further than the rows asked for.
class BuiltinWorkbook {
 public:
  /// Opens the file at `path`, recognising its format by content. Throws lomandra::Failure.
  static std::unique_ptr<BuiltinWorkbook> open(const std::string& path);
  virtual ~BuiltinWorkbook() = default;

  virtual const std::vector<model::SheetInfo>& sheets() const = 0;
  virtual int activeSheet() const = 0;
  /// The grid of the format the workbook was read from (65,536 x 256 for .xls).
  virtual model::Grid grid() const = 0;
  /// The file name without its folder, as a window title shows it.
  virtual std::string fileName() const = 0;
  /// The cells of sheet `index`, read at least through row `lastRow`. Throws lomandra::Failure.
  const SheetData& sheet(int index, std::uint32_t lastRow = model::kAllRows) {
    return sheet(index, {0, 0, std::min(lastRow, model::kMaxRows - 1), model::kMaxColumns - 1});
  }
  /// The cells of sheet `index` within `bounds` at least (cells outside may be missing): memory
  /// and time stay proportional to what is asked. Throws lomandra::Failure.
  virtual const SheetData& sheet(int index, const model::CellBounds& bounds) = 0;

  /// Reads sheet `index` on a worker thread for a window: its rows can be shown while more
  /// arrive, and `listener` hears of each block of rows (see SheetReading). The workbook must
  /// outlive the reading; reading a sheet meanwhile waits for it. This default reads the sheet
  /// at once and throws lomandra::Failure as sheet() does.
  virtual std::unique_ptr<SheetReading> readInBackground(int index,
                                                         std::function<void()> listener);

  /// Resolve: the sheet (index) and areas a Range Reference names in this workbook, within its
  /// grid; without a sheet part, the active sheet. Throws lomandra::Failure (no such sheet,
  /// malformed text, a cell past the grid).
  struct Resolved {
    int sheet = 0;
    std::vector<Area> areas;
  };
  virtual Resolved resolve(std::string_view reference) const = 0;

  /// The formula cells met so far (in the sheets read) that could not be computed.
  virtual UncomputedFormulas uncomputedFormulas() const { return {}; }
};

}  // namespace lomandra::engine
