#pragma once

// The one sheet of a workbook the built-in engine adds for the export: cells are written one at
// a time, held sparsely, and shown through the same model as a file's sheet.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::window {

/// One written cell: a number, or a text kept exactly as written.
struct WrittenCell {
  bool isNumber = false;
  double number = 0;
  std::string text;  ///< UTF-8: the text as written, which a number also shows
};

/// Sparse cell storage of the added workbook's sheet, with the column widths Fit gives.
class WrittenSheet final : public engine::SheetData {
 public:
  /// The longest text one cell holds, as in a spreadsheet application.
  static constexpr int kMaxCellText = static_cast<int>(model::kMaxCellCharacters);
  /// The default column width, in characters.
  static constexpr double kDefaultWidth = 8.43;

  /// Puts a text into a cell (0-based): as a number when General shows that number as the very
  /// same text (numfmt::numberWrittenAs), otherwise as the literal text, so the cell always
  /// shows what was written ("00123" keeps its zeros, "1/2" is no date, "=A1" no formula).
  /// Throws lomandra::Failure for a cell outside the sheet or a text longer than a cell holds.
  void write(std::uint32_t row, std::uint32_t column, const QString& text);
  /// The cell at (row, column), or null when nothing was written there.
  const WrittenCell* cell(std::uint32_t row, std::uint32_t column) const;
  /// Every written cell's position, rows ascending and left to right within a row.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> cellsInOrder() const;
  std::size_t cellCount() const { return cells_.size(); }

  /// Sizes every column holding a cell to its widest text; `widthInCharacters` measures one
  /// shown text. Columns without cells keep their width.
  void fit(const std::function<double(const QString&)>& widthInCharacters);
  /// True when the column's width differs from the default (Fit set it).
  bool hasWidth(std::uint32_t column) const;

  std::uint32_t usedRows() const override { return usedRows_; }
  std::uint32_t usedColumns() const override { return usedColumns_; }
  std::string text(std::uint32_t row, std::uint32_t column) const override;
  double columnWidth(std::uint32_t column) const override;
  bool columnHidden(std::uint32_t) const override { return false; }
  bool rowHidden(std::uint32_t) const override { return false; }
  /// Numbers written are General numbers, everything else text.
  engine::CellLook look(std::uint32_t row, std::uint32_t column) const override {
    engine::CellLook look;
    look.typed = true;
    if (const WrittenCell* written = cell(row, column)) {
      look.kind = written->isNumber ? model::CellKind::Number : model::CellKind::Text;
      look.number = written->number;
      look.generalNumber = written->isNumber;
    }
    return look;
  }
  void forEachText(const engine::Area& area,
                   const std::function<bool(std::string_view text)>& visit) const override;

 private:
  static std::uint64_t key(std::uint32_t row, std::uint32_t column) {
    return (std::uint64_t{row} << 16) | column;
  }
  std::unordered_map<std::uint64_t, WrittenCell> cells_;
  std::vector<double> widths_;  ///< by column; 0 = the default width
  std::uint32_t usedRows_ = 0, usedColumns_ = 0;
};

}  // namespace lomandra::window
