#pragma once

// A workbook held in memory for the window tests: sheets with texts, widths and hidden rows
// and columns, standing in for a file the engine opened.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/engine/SheetReading.h"

namespace lomandra::window::testing {

class FakeSheet : public engine::SheetData {
 public:
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> texts;
  std::map<std::uint32_t, double> widths;
  std::map<std::uint32_t, bool> hiddenColumns, hiddenRows;
  std::uint32_t rows = 0, columns = 0;
  model::Grid gridSize = model::kLargeGrid;
  std::vector<engine::Area> merges;
  std::optional<model::SheetView> view;  ///< the saved view, when the file keeps one

  model::Grid grid() const override { return gridSize; }
  void set(std::uint32_t row, std::uint32_t column, std::string text) {
    texts[{row, column}] = std::move(text);
    rows = std::max(rows, row + 1);
    columns = std::max(columns, column + 1);
  }
  std::uint32_t usedRows() const override { return rows; }
  std::uint32_t usedColumns() const override { return columns; }
  std::string text(std::uint32_t row, std::uint32_t column) const override {
    auto it = texts.find({row, column});
    return it == texts.end() ? std::string() : it->second;
  }
  double columnWidth(std::uint32_t column) const override {
    auto it = widths.find(column);
    return it == widths.end() ? 8.43 : it->second;
  }
  bool columnHidden(std::uint32_t column) const override { return hiddenColumns.count(column) > 0; }
  bool rowHidden(std::uint32_t row) const override { return hiddenRows.count(row) > 0; }
  const std::vector<engine::Area>& mergedAreas() const override { return merges; }
  std::optional<model::SheetView> savedView() const override { return view; }
  void forEachText(const engine::Area& area,
                   const std::function<bool(std::string_view)>& visit) const override {
    for (auto r = area.firstRow; r <= area.lastRow; ++r)
      for (auto c = area.firstColumn; c <= area.lastColumn; ++c)
        if (!visit(text(r, c))) return;
  }
};

class FakeWorkbook final : public engine::BuiltinWorkbook {
 public:
  std::vector<model::SheetInfo> infos;
  std::vector<FakeSheet> data;
  int active = 0;
  std::string name = "Book.xlsx";
  int failingSheet = -1;  ///< sheet() throws for this index
  int sheetCalls = 0;
  model::Grid gridSize = model::kLargeGrid;
  /// When set, makes the background readings (a test stands in for the worker).
  std::function<std::unique_ptr<engine::SheetReading>(int, std::function<void()>)> reading;

  FakeSheet& addSheet(std::string sheetName, bool visible = true) {
    infos.push_back({std::move(sheetName), visible});
    data.emplace_back();
    return data.back();
  }
  const std::vector<model::SheetInfo>& sheets() const override { return infos; }
  int activeSheet() const override { return active; }
  model::Grid grid() const override { return gridSize; }
  std::string fileName() const override { return name; }
  using engine::BuiltinWorkbook::sheet;
  const engine::SheetData& sheet(int index, const model::CellBounds&) override {
    ++sheetCalls;
    if (index == failingSheet) throw Failure("The sheet's data is damaged.");
    return data.at(static_cast<std::size_t>(index));
  }
  std::unique_ptr<engine::SheetReading> readInBackground(int index,
                                                         std::function<void()> listener) override {
    if (reading) return reading(index, std::move(listener));
    return BuiltinWorkbook::readInBackground(index, std::move(listener));
  }
  Resolved resolve(std::string_view) const override { return {}; }
};

}  // namespace lomandra::window::testing
