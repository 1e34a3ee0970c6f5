#pragma once

// Range and Walk of the built-in engine: a sheet of an opened workbook and its areas.

#include <memory>
#include <vector>

#include "sheet/Spreadsheet.h"
#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::builtin {

class BuiltinRange final : public sheet::Range {
 public:
  /// The range keeps the workbook alive, so it outlives a Quit of its instance.
  BuiltinRange(std::shared_ptr<engine::BuiltinWorkbook> workbook, int sheet,
               std::vector<engine::Area> areas);

  QString sheetName() override;
  QString address() override;
  /// Every cell of every area, row by row, left to right, areas in turn, empty cells included.
  /// Reads the sheet no further than the last row the areas need.
  std::unique_ptr<sheet::CellWalk> walk() override;

  int sheetIndex() const { return sheet_; }
  const std::vector<engine::Area>& areas() const { return areas_; }

 private:
  std::shared_ptr<engine::BuiltinWorkbook> workbook_;
  int sheet_;
  std::vector<engine::Area> areas_;
};

}  // namespace lomandra::builtin
