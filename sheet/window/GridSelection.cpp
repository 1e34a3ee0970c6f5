#include "sheet/window/GridSelection.h"

#include <algorithm>

namespace lomandra::window {

namespace {

std::uint32_t stepped(std::uint32_t value, int by, std::uint32_t last) {
  const long long moved = static_cast<long long>(value) + by;
  return static_cast<std::uint32_t>(std::clamp<long long>(moved, 0, last));
}

}  // namespace

bool GridSelection::isWholeColumns(const engine::Area& area, model::Grid grid) {
  return area.firstRow == 0 && area.lastRow == grid.rows - 1;
}

bool GridSelection::isWholeRows(const engine::Area& area, model::Grid grid) {
  return area.firstColumn == 0 && area.lastColumn == grid.columns - 1;
}

void GridSelection::begin(CellPos cell, Span span, bool addArea) {
  if (!addArea || areas_.empty()) areas_.clear();
  areas_.emplace_back();
  anchor_ = cursor_ = cell;
  span_ = span;
  extendTo(cell);
}

void GridSelection::select(CellPos cell, bool addArea) {
  cell.row = std::min(cell.row, lastRow());
  cell.column = std::min(cell.column, lastColumn());
  begin(cell, Span::Cells, addArea);
}

void GridSelection::selectColumn(std::uint32_t column, bool addArea) {
  begin({0, std::min(column, lastColumn())}, Span::Columns, addArea);
}

void GridSelection::selectRow(std::uint32_t row, bool addArea) {
  begin({std::min(row, lastRow()), 0}, Span::Rows, addArea);
}

void GridSelection::extendTo(CellPos cell) {
  cell.row = std::min(cell.row, lastRow());
  cell.column = std::min(cell.column, lastColumn());
  cursor_ = cell;
  engine::Area& area = areas_.back();
  area.firstRow = std::min(anchor_.row, cell.row);
  area.lastRow = std::max(anchor_.row, cell.row);
  area.firstColumn = std::min(anchor_.column, cell.column);
  area.lastColumn = std::max(anchor_.column, cell.column);
  if (span_ == Span::Columns) area.firstRow = 0, area.lastRow = lastRow();
  if (span_ == Span::Rows) area.firstColumn = 0, area.lastColumn = lastColumn();
}

void GridSelection::spanWhole(Span span) {
  engine::Area& area = areas_.back();
  if (span == Span::Columns) area.firstRow = 0, area.lastRow = lastRow();
  if (span == Span::Rows) area.firstColumn = 0, area.lastColumn = lastColumn();
  if (span != Span::Cells) span_ = span;
}

void GridSelection::move(int rows, int columns, bool extend) {
  if (extend) {
    extendTo({stepped(cursor_.row, rows, lastRow()), stepped(cursor_.column, columns, lastColumn())});
  } else {
    select({stepped(anchor_.row, rows, lastRow()), stepped(anchor_.column, columns, lastColumn())});
  }
}

void GridSelection::setAreas(const std::vector<engine::Area>& areas) {
  if (areas.empty()) return;
  areas_ = areas;
  const engine::Area& last = areas_.back();
  anchor_ = {last.firstRow, last.firstColumn};
  cursor_ = {last.lastRow, last.lastColumn};
  span_ = isWholeColumns(last, grid_) ? Span::Columns
          : isWholeRows(last, grid_)  ? Span::Rows
                                      : Span::Cells;
}

}  // namespace lomandra::window
