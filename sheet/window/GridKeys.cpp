#include "sheet/window/GridKeys.h"

#include <algorithm>

namespace lomandra::window {

namespace {

bool filled(const KeySheet& sheet, long long row, long long column) {
  if (row < 0 || column < 0 || row >= sheet.usedRows || column >= sheet.usedColumns) return false;
  return sheet.holds(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column));
}

bool intersects(const engine::Area& a, const engine::Area& b) {
  return a.firstRow <= b.lastRow && b.firstRow <= a.lastRow && a.firstColumn <= b.lastColumn &&
         b.firstColumn <= a.lastColumn;
}

}  // namespace

CellPos dataEdge(const KeySheet& sheet, CellPos from, int rowStep, int columnStep) {
  const long long lastRow = sheet.last.row, lastColumn = sheet.last.column;
  long long row = from.row, column = from.column;
  auto inside = [&](long long r, long long c) { return r >= 0 && c >= 0 && r <= lastRow && c <= lastColumn; };
  if (!inside(row + rowStep, column + columnStep)) return from;
  if (filled(sheet, row, column) && filled(sheet, row + rowStep, column + columnStep)) {
    // Along the run of filled cells to its last one.
    while (filled(sheet, row + rowStep, column + columnStep)) row += rowStep, column += columnStep;
    return {static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column)};
  }
  // To the next filled cell; past the used cells there is none, so the sheet's edge.
  row += rowStep, column += columnStep;
  // Back from beyond the used cells: nothing lies between, so start at the last used one.
  if (rowStep < 0 && row >= sheet.usedRows) row = std::max<long long>(0, sheet.usedRows - 1LL);
  if (columnStep < 0 && column >= sheet.usedColumns)
    column = std::max<long long>(0, sheet.usedColumns - 1LL);
  const long long endRow = rowStep > 0 ? std::min<long long>(lastRow, sheet.usedRows) : 0;
  const long long endColumn = columnStep > 0 ? std::min<long long>(lastColumn, sheet.usedColumns) : 0;
  while (!filled(sheet, row, column)) {
    if ((rowStep != 0 && row == endRow) || (columnStep != 0 && column == endColumn) ||
        (rowStep > 0 && row > endRow) || (columnStep > 0 && column > endColumn)) {
      if (rowStep > 0) row = lastRow;
      if (rowStep < 0) row = 0;
      if (columnStep > 0) column = lastColumn;
      if (columnStep < 0) column = 0;
      break;
    }
    row += rowStep, column += columnStep;
  }
  return {static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column)};
}

CellPos lastUsedCell(const KeySheet& sheet) {
  if (sheet.usedRows == 0 || sheet.usedColumns == 0) return {0, 0};
  return {std::min(sheet.usedRows - 1, sheet.last.row), std::min(sheet.usedColumns - 1, sheet.last.column)};
}

engine::Area currentRegion(const KeySheet& sheet, CellPos cell) {
  long long top = cell.row, bottom = cell.row, left = cell.column, right = cell.column;
  auto rowHas = [&](long long row, long long from, long long to) {
    for (long long c = std::max(0LL, from); c <= to; ++c)
      if (filled(sheet, row, c)) return true;
    return false;
  };
  auto columnHas = [&](long long column, long long from, long long to) {
    for (long long r = std::max(0LL, from); r <= to; ++r)
      if (filled(sheet, r, column)) return true;
    return false;
  };
  for (bool grew = true; grew;) {
    grew = false;
    while (top > 0 && rowHas(top - 1, left - 1, right + 1)) --top, grew = true;
    while (bottom < sheet.usedRows && rowHas(bottom + 1, left - 1, right + 1)) ++bottom, grew = true;
    while (left > 0 && columnHas(left - 1, top - 1, bottom + 1)) --left, grew = true;
    while (right < sheet.usedColumns && columnHas(right + 1, top - 1, bottom + 1)) ++right, grew = true;
  }
  return {static_cast<std::uint32_t>(top), static_cast<std::uint32_t>(left),
          static_cast<std::uint32_t>(bottom), static_cast<std::uint32_t>(right)};
}

const engine::Area* mergedAreaAt(const std::vector<engine::Area>& merges, CellPos cell) {
  for (const engine::Area& area : merges)
    if (cell.row >= area.firstRow && cell.row <= area.lastRow && cell.column >= area.firstColumn &&
        cell.column <= area.lastColumn)
      return &area;
  return nullptr;
}

CellPos arrowStep(const KeySheet& sheet, CellPos active, int rowStep, int columnStep,
                  const std::vector<engine::Area>& merges) {
  engine::Area from{active.row, active.column, active.row, active.column};
  if (const engine::Area* merged = mergedAreaAt(merges, active)) from = *merged;
  const long long row = rowStep > 0 ? from.lastRow + 1LL : rowStep < 0 ? from.firstRow - 1LL : active.row;
  const long long column =
      columnStep > 0 ? from.lastColumn + 1LL : columnStep < 0 ? from.firstColumn - 1LL : active.column;
  return {static_cast<std::uint32_t>(std::clamp<long long>(row, 0, sheet.last.row)),
          static_cast<std::uint32_t>(std::clamp<long long>(column, 0, sheet.last.column))};
}

engine::Area coverMerges(engine::Area area, const std::vector<engine::Area>& merges) {
  for (bool grew = true; grew;) {
    grew = false;
    for (const engine::Area& merged : merges) {
      if (!intersects(area, merged)) continue;
      const engine::Area wider{std::min(area.firstRow, merged.firstRow),
                               std::min(area.firstColumn, merged.firstColumn),
                               std::max(area.lastRow, merged.lastRow),
                               std::max(area.lastColumn, merged.lastColumn)};
      if (!(wider == area)) area = wider, grew = true;
    }
  }
  return area;
}

}  // namespace lomandra::window
