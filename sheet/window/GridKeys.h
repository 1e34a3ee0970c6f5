#pragma once

// Where the spreadsheet application's movement keys take the active cell, given which cells
// hold something: Ctrl+arrows to the edge of the data region, Ctrl+End to the last used cell,
// Ctrl+A to the current region, and arrows stepping out of a merged area.

#include <functional>
#include <vector>

#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/window/GridSelection.h"

namespace lomandra::window {

/// What the keys need to know of a sheet.
struct KeySheet {
  std::function<bool(std::uint32_t row, std::uint32_t column)> holds;  ///< the cell shows something
  std::uint32_t usedRows = 0, usedColumns = 0;  ///< one past the last row / column holding a cell
  CellPos last;                                 ///< the sheet's last row and column
};

/// Ctrl+arrow from `from`, one of rowStep / columnStep being -1 or 1: along a run of filled
/// cells to its last one; from an empty cell or the end of a run to the next filled cell; to the
/// sheet's edge when there is none.
CellPos dataEdge(const KeySheet& sheet, CellPos from, int rowStep, int columnStep);

/// Ctrl+End: the last used cell (the last used row and column); A1 on an empty sheet.
CellPos lastUsedCell(const KeySheet& sheet);

/// Ctrl+A: the block round `cell` bounded by empty rows and columns (the cell alone when all
/// round it is empty).
engine::Area currentRegion(const KeySheet& sheet, CellPos cell);

/// An arrow from the active cell, stepping over the merged area it stands in.
CellPos arrowStep(const KeySheet& sheet, CellPos active, int rowStep, int columnStep,
                  const std::vector<engine::Area>& merges);

/// The merged area holding `cell`, or null.
const engine::Area* mergedAreaAt(const std::vector<engine::Area>& merges, CellPos cell);

/// Grows `area` until every merged area it touches lies wholly inside it.
engine::Area coverMerges(engine::Area area, const std::vector<engine::Area>& merges);

}  // namespace lomandra::window
