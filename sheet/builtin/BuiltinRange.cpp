#include "sheet/builtin/BuiltinRange.h"

#include <algorithm>
#include <string>

#include "sheet/Failure.h"

namespace lomandra::builtin {

namespace {

class BuiltinWalk final : public sheet::CellWalk {
 public:
  BuiltinWalk(std::shared_ptr<engine::BuiltinWorkbook> workbook, int sheet,
              std::vector<engine::Area> areas)
      : workbook_(std::move(workbook)),
        sheet_(sheet),
        bounds_(engine::boundsOf(areas)),
        areas_(std::move(areas)) {
    // Only the cells of the areas are read, however large the sheet.
    const engine::SheetData& data = workbook_->sheet(sheet_, bounds_);
    for (const engine::Area& area : areas_) data.requireGivenOnce(area);
    usedRows_ = data.usedRows();
    usedColumns_ = data.usedColumns();
  }

  bool next() override {
    if (area_ >= areas_.size()) return false;
    if (!started_) {
      started_ = true;
      enterArea();
      return area_ < areas_.size();
    }
    const engine::Area& area = areas_[area_];
    if (column_ < area.lastColumn) {
      ++column_;
    } else if (row_ < area.lastRow) {
      ++row_;
      column_ = area.firstColumn;
    } else {
      ++area_;
      enterArea();
    }
    return area_ < areas_.size();
  }

  QString text() override {
    if (!started_ || area_ >= areas_.size()) throw Failure("The walk has no current cell.");
    // Most cells of a whole column or row lie beyond the used part: no lookup for those.
    if (row_ >= usedRows_ || column_ >= usedColumns_) return {};
    // Asked for each cell rather than kept: the workbook replaces a sheet it reads further
    // (for the window, say), and the cells this walk needs are the same in the new one.
    return QString::fromStdString(workbook_->sheet(sheet_, bounds_).text(row_, column_));
  }

 private:
  void enterArea() {
    if (area_ < areas_.size()) {
      row_ = areas_[area_].firstRow;
      column_ = areas_[area_].firstColumn;
    }
  }

  std::shared_ptr<engine::BuiltinWorkbook> workbook_;
  int sheet_;
  model::CellBounds bounds_;
  std::vector<engine::Area> areas_;
  std::uint32_t usedRows_ = 0, usedColumns_ = 0;
  std::size_t area_ = 0;
  std::uint32_t row_ = 0, column_ = 0;
  bool started_ = false;
};

}  // namespace

BuiltinRange::BuiltinRange(std::shared_ptr<engine::BuiltinWorkbook> workbook, int sheet,
                           std::vector<engine::Area> areas)
    : workbook_(std::move(workbook)), sheet_(sheet), areas_(std::move(areas)) {
  for (engine::Area& area : areas_) {
    if (area.firstRow > area.lastRow) std::swap(area.firstRow, area.lastRow);
    if (area.firstColumn > area.lastColumn) std::swap(area.firstColumn, area.lastColumn);
  }
}

QString BuiltinRange::sheetName() {
  const auto& sheets = workbook_->sheets();
  if (sheet_ < 0 || static_cast<std::size_t>(sheet_) >= sheets.size())
    throw Failure("The range's sheet is not in the workbook.");
  return QString::fromStdString(sheets[static_cast<std::size_t>(sheet_)].name);
}

QString BuiltinRange::address() {
  return QString::fromStdString(engine::formatAddress(areas_, workbook_->grid()));
}

std::unique_ptr<sheet::CellWalk> BuiltinRange::walk() {
  std::uint64_t cells = 0;
  for (const engine::Area& area : areas_) cells += engine::cellCount(area);
  if (cells > engine::kMaxWalkCells)
    throw Failure("The range holds " + withThousands(cells) + " cells, more than the " +
                  withThousands(engine::kMaxWalkCells) +
                  " (sixteen whole columns) a merge reads. Pick a smaller range.");
  return std::make_unique<BuiltinWalk>(workbook_, sheet_, areas_);
}

}  // namespace lomandra::builtin
