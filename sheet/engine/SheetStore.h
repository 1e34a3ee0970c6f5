#pragma once

// The cells of one sheet held compactly in memory: 16 bytes a cell, texts in one pool, rows
// indexed for lookup; the displayed text is made on demand through a CellFormatter.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/engine/CellFormatter.h"
#include "sheet/engine/LargeAllocator.h"

namespace lomandra::engine {

class SheetStore : public SheetData, public model::SheetVisitor {
 public:
  /// Upper bounds on what one sheet may make the store keep.
  static constexpr std::size_t kMaxCells = 64u << 20;
  static constexpr std::size_t kMaxTextBytes = 256u << 20;
  static constexpr std::size_t kMaxMergedAreas = 1u << 20;

  /// A store keeping the cells within `grid` and `bounds` (the whole sheet by default) that
  /// the reader hands on; the rest pass by.
  explicit SheetStore(const CellFormatter& formatter, model::Grid grid = model::kLargeGrid,
                      const model::CellBounds& bounds = {});

  // SheetVisitor: filled by a workbook reader; finish() once reading ends.
  void columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) override;
  void defaultColumnWidth(double width) override;
  void hiddenRow(std::uint32_t row) override;
  /// Keeps a cell, its text cut to the cell limit. A cell the file gives twice keeps the value
  /// given last and is noted (see requireGivenOnce). Throws lomandra::Failure past the bounds on
  /// cells and text.
  bool cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) override;
  void mergedCells(std::uint32_t firstRow, std::uint32_t firstColumn, std::uint32_t lastRow,
                   std::uint32_t lastColumn) override;
  void view(const model::SheetView& saved) override { view_ = saved; }
  /// Sets room aside for the cells the sheet can hold within the bounds (up to a cap): the
  /// cells then never move as they arrive, and room never used is never touched.
  void expectCells(std::uint64_t atMost) override;
  model::CellBounds bounds() const override { return bounds_; }
  /// Orders cells that arrived out of order (a cell given twice keeps its last value) and trims
  /// spare capacity.
  void finish();

  // SheetData
  model::Grid grid() const override { return grid_; }
  std::uint32_t usedRows() const override;
  std::uint32_t usedColumns() const override { return usedColumns_; }
  std::string text(std::uint32_t row, std::uint32_t column) const override;
  double columnWidth(std::uint32_t column) const override;
  bool columnHidden(std::uint32_t column) const override;
  bool rowHidden(std::uint32_t row) const override;
  std::vector<std::uint32_t> hiddenRows(std::uint32_t first, std::uint32_t last) const override;
  CellLook look(std::uint32_t row, std::uint32_t column) const override;
  bool holds(std::uint32_t row, std::uint32_t column) const override;
  const std::vector<Area>& mergedAreas() const override { return merged_; }
  std::optional<model::SheetView> savedView() const override { return view_; }
  void forEachText(const Area& area,
                   const std::function<bool(std::string_view text)>& visit) const override;
  void requireGivenOnce(const Area& area) const override;
  /// Whether a large area's walk formats on a second thread (on by default, where the machine
  /// has more than one core); for comparisons.
  static void setParallelWalk(bool on);

  /// The cells holding a formula to compute (the file saved no value, or a stale one), in the
  /// order they came; each shows its saved value (or nothing) until setComputed() is called.
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& pendingFormulas() const {
    return pending_;
  }
  /// Gives a formula cell its computed value (kind, number and text of `value`; its format
  /// stays). Cells the store does not hold are passed by.
  void setComputed(std::uint32_t row, std::uint32_t column, const model::CellRef& value);
  /// Forgets the pending formulas once they are computed.
  void clearPending() { pending_ = {}; }

  /// True when the store holds a cell at that position (whatever its displayed text).
  bool holdsCell(std::uint32_t row, std::uint32_t column) const;
  /// Cells held (cells with a value).
  std::size_t cellCount() const { return cells_.size(); }
  /// Bytes held for cells, texts and indexes.
  std::size_t memoryUsed() const;

 private:
  struct Cell {
    std::uint32_t columnAndKind;  // column in the low 16 bits, CellKind above
    std::uint32_t format;
    double value;                 // the number, or the index of the text in the pool
    std::uint32_t column() const { return columnAndKind & 0xFFFF; }
    model::CellKind kind() const { return static_cast<model::CellKind>(columnAndKind >> 16); }
  };
  static_assert(sizeof(Cell) == 16);

  std::string_view textOf(const Cell& c) const;
  std::string_view textAt(std::size_t index) const;
  // The pool index of `text`, added unless a long text equal to it is held already.
  std::uint32_t keepText(std::string_view text);
  // Notes a position the file gives a second time.
  void givenTwice(std::uint32_t row, std::uint32_t column);
  void render(const Cell& c, std::string& out) const;
  // Gives emit(text) the displayed text of each cell of `area` in rows first..last, row by
  // row; false when emit asked to stop.
  template <typename Emit>
  bool walkRows(const Area& area, std::uint32_t first, std::uint32_t last, std::string& scratch,
                Emit&& emit) const;
  // The walk of a large area with a second thread formatting some of its blocks of rows; false
  // when the area's formats cannot be shared between threads.
  bool forEachTextInParallel(const Area& area,
                             const std::function<bool(std::string_view text)>& visit) const;
  // The cell at a position, or null.
  const Cell* findCell(std::uint32_t row, std::uint32_t column) const;
  // Index into rows_ of `row`, or rows_.size() when the row holds no cells.
  std::size_t findRow(std::uint32_t row) const;

  const CellFormatter& formatter_;
  model::Grid grid_;
  model::CellBounds bounds_;
  std::uint64_t positions_;  // the number of cells within the bounds
  using Cells = std::vector<Cell, LargeAllocator<Cell>>;
  Cells cells_;
  using Indexes = std::vector<std::uint32_t, LargeAllocator<std::uint32_t>>;
  Indexes rowNumbers_;  // rows holding cells, ascending after finish()
  Indexes rowStarts_;   // index of each row's first cell in cells_
  std::vector<char, LargeAllocator<char>> pool_;  // the cells' texts, one after another
  Indexes textOffsets_{0};  // the pool holds at most kMaxTextBytes
  // Long texts by hash: a text repeated over many cells (a shared string, a repeated .ods cell)
  // is held once.
  std::unordered_map<std::uint64_t, std::uint32_t> longTexts_;
  bool ordered_ = true;
  // Positions the file gives more than once (ascending after finish()), at most kMaxTwice.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> twice_;
  static constexpr std::size_t kMaxTwice = 1u << 16;
  std::uint32_t usedColumns_ = 0;

  double defaultWidth_ = 8.0 + 5.0 / 7.0;
  std::vector<float> widths_;  // per column, negative for the default; empty when none set
  std::vector<bool> hiddenColumns_;
  std::vector<std::uint32_t> hiddenRows_;
  std::vector<Area> merged_;
  std::optional<model::SheetView> view_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> pending_;
  mutable std::string scratch_;
};

}  // namespace lomandra::engine
