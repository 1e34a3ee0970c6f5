#pragma once

// The selected cells of one sheet as a spreadsheet application keeps them: one or more areas,
// the active cell, and the corner the next extension moves. Mouse, header and keyboard actions
// of the workbook window map onto the operations below.

#include <cstdint>
#include <vector>

#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::window {

/// A cell position, 0-based.
struct CellPos {
  std::uint32_t row = 0, column = 0;
  bool operator==(const CellPos&) const = default;
};

class GridSelection {
 public:
  /// What the last area spans: cells, whole columns (a column letter) or whole rows.
  enum class Span { Cells, Columns, Rows };

  /// A selection of cell A1 on a sheet of `grid` (whole columns and rows span it).
  explicit GridSelection(model::Grid grid = model::kLargeGrid) : grid_(grid) { select({0, 0}); }

  model::Grid grid() const { return grid_; }
  const std::vector<engine::Area>& areas() const { return areas_; }
  /// The active cell (where the last area was started).
  CellPos active() const { return anchor_; }
  /// The corner of the last area the extension moved to.
  CellPos cursor() const { return cursor_; }

  /// A plain click: just this cell. With `addArea` (Ctrl) it becomes a further area.
  void select(CellPos cell, bool addArea = false);
  /// Shift+click, a drag or Shift+arrow: the last area spans from the active cell to `cell`,
  /// in whole columns or rows when the area was started on a header.
  void extendTo(CellPos cell);
  /// A click on a column letter (Ctrl: a further area).
  void selectColumn(std::uint32_t column, bool addArea = false);
  /// A click on a row number (Ctrl: a further area).
  void selectRow(std::uint32_t row, bool addArea = false);
  /// An arrow key: moves the active cell by (rows, columns) and selects just it; with `extend`
  /// (Shift) moves the cursor corner instead and extends the last area to it.
  void move(int rows, int columns, bool extend);
  /// Ctrl+Space / Shift+Space: the last area grows to whole columns / rows (Span::Cells does
  /// nothing); the active cell stays where it is.
  void spanWhole(Span span);
  /// Replaces the last area with a larger one (covering merged areas); the active cell and the
  /// cursor corner stay.
  void widenLast(const engine::Area& area) { areas_.back() = area; }
  /// A typed reference: these areas; the last one is where a further extension continues.
  void setAreas(const std::vector<engine::Area>& areas);

  /// True for an area covering whole columns / whole rows of `grid`.
  static bool isWholeColumns(const engine::Area& area, model::Grid grid = model::kLargeGrid);
  static bool isWholeRows(const engine::Area& area, model::Grid grid = model::kLargeGrid);

 private:
  void begin(CellPos cell, Span span, bool addArea);
  std::uint32_t lastRow() const { return grid_.rows - 1; }
  std::uint32_t lastColumn() const { return grid_.columns - 1; }
  model::Grid grid_;
  std::vector<engine::Area> areas_;
  CellPos anchor_, cursor_;
  Span span_ = Span::Cells;
};

}  // namespace lomandra::window
