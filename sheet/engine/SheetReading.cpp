#include "sheet/engine/SheetReading.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <thread>
#include <vector>

#include "sheet/Failure.h"
#include "sheet/engine/FormulaCells.h"
#include "sheet/engine/SheetStore.h"

namespace lomandra::engine {

namespace {

class FinishedReading final : public SheetReading {
 public:
  explicit FinishedReading(const SheetData& sheet) : sheet_(sheet) {}
  const SheetData& data() const override { return sheet_; }
  ReadProgress progress() const override {
    return {sheet_.usedRows(), 100, true, {}};
  }

 private:
  const SheetData& sheet_;
};

/// The rows published so far: blocks of rows, each a finished SheetStore, appended under a
/// mutex by the worker and read under it by the window's thread. A block is never changed once
/// published, so publishing costs a pointer move, whatever the block's size.
class PublishedSheet final : public SheetData {
 public:
  PublishedSheet(const CellFormatter& formatter, model::Grid grid)
      : layout_(formatter, grid), grid_(grid) {}

  // --- the worker's side
  void publish(std::unique_ptr<SheetStore> block, std::uint32_t firstRow, std::uint32_t lastRow) {
    std::lock_guard lock(mutex_);
    // Rows that come back below a published block (a file writing its rows out of order) make
    // blocks overlap: lookups then ask every block, the later one winning.
    if (!blocks_.empty() && firstRow <= maxRow_) overlapping_ = true;
    lowestNew_ = std::min(lowestNew_, firstRow);
    usedColumns_ = std::max(usedColumns_, block->usedColumns());
    usedRows_ = std::max(usedRows_, lastRow + 1);
    maxRow_ = std::max(maxRow_, lastRow);
    blocks_.push_back({firstRow, lastRow, std::move(block)});
  }
  // A computed formula value, put into the published block that holds the cell.
  void setComputed(std::uint32_t row, std::uint32_t column, const model::CellRef& value) {
    std::lock_guard lock(mutex_);
    for (auto at = blocks_.rbegin(); at != blocks_.rend(); ++at) {
      if (row >= at->firstRow && row <= at->lastRow && at->cells->holdsCell(row, column)) {
        at->cells->setComputed(row, column, value);
        return;
      }
    }
  }
  template <typename Change>
  void changeLayout(Change&& change) {
    std::lock_guard lock(mutex_);
    change(layout_);
  }
  // The lowest row published since the last call, and forgets it: what a window redraws.
  std::uint32_t takeLowestNew() const {
    std::lock_guard lock(mutex_);
    const std::uint32_t lowest = std::min(lowestNew_, usedRows_);
    lowestNew_ = std::numeric_limits<std::uint32_t>::max();
    return lowest;
  }
  // The worker's last word: nothing of the layout changes after it, so the merged areas can be
  // handed out by reference from then on.
  void complete() { complete_.store(true, std::memory_order_release); }

  // --- SheetData, the window's side
  model::Grid grid() const override { return grid_; }
  std::uint32_t usedRows() const override {
    std::lock_guard lock(mutex_);
    return usedRows_;
  }
  std::uint32_t usedColumns() const override {
    std::lock_guard lock(mutex_);
    return usedColumns_;
  }
  std::string text(std::uint32_t row, std::uint32_t column) const override {
    std::lock_guard lock(mutex_);
    const SheetStore* block = blockHolding(row, column);
    return block ? block->text(row, column) : std::string();
  }
  double columnWidth(std::uint32_t column) const override {
    std::lock_guard lock(mutex_);
    return layout_.columnWidth(column);
  }
  bool columnHidden(std::uint32_t column) const override {
    std::lock_guard lock(mutex_);
    return layout_.columnHidden(column);
  }
  bool rowHidden(std::uint32_t row) const override {
    std::lock_guard lock(mutex_);
    return layout_.rowHidden(row);
  }
  std::vector<std::uint32_t> hiddenRows(std::uint32_t first, std::uint32_t last) const override {
    std::lock_guard lock(mutex_);
    return layout_.hiddenRows(first, last);
  }
  CellLook look(std::uint32_t row, std::uint32_t column) const override {
    std::lock_guard lock(mutex_);
    const SheetStore* block = blockHolding(row, column);
    return block ? block->look(row, column) : CellLook();
  }
  bool holds(std::uint32_t row, std::uint32_t column) const override {
    std::lock_guard lock(mutex_);
    const SheetStore* block = blockHolding(row, column);
    return block && block->holds(row, column);
  }
  // Merged areas come with the sheet's end in the files that have them; they are shown once
  // reading is complete.
  const std::vector<Area>& mergedAreas() const override {
    static const std::vector<Area> kNone;
    return complete_.load(std::memory_order_acquire) ? layout_.mergedAreas() : kNone;
  }
  std::optional<model::SheetView> savedView() const override {
    std::lock_guard lock(mutex_);
    return layout_.savedView();
  }
  void forEachText(const Area& area,
                   const std::function<bool(std::string_view text)>& visit) const override {
    // Cell by cell, the lock held for one lookup at a time: `visit` may read the sheet too.
    for (std::uint64_t row = area.firstRow; row <= area.lastRow; ++row)
      for (std::uint64_t column = area.firstColumn; column <= area.lastColumn; ++column)
        if (!visit(text(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column))))
          return;
  }

 private:
  struct Block {
    std::uint32_t firstRow, lastRow;
    std::unique_ptr<SheetStore> cells;
  };

  const SheetStore* blockHolding(std::uint32_t row, std::uint32_t column) const {
    if (row > maxRow_ || blocks_.empty()) return nullptr;
    if (overlapping_) {
      for (auto at = blocks_.rbegin(); at != blocks_.rend(); ++at)
        if (row >= at->firstRow && row <= at->lastRow && at->cells->holdsCell(row, column))
          return at->cells.get();
      return nullptr;
    }
    // Blocks in ascending, separate row spans: the last one starting at or before the row.
    auto at = std::upper_bound(blocks_.begin(), blocks_.end(), row,
                               [](std::uint32_t r, const Block& b) { return r < b.firstRow; });
    if (at == blocks_.begin()) return nullptr;
    --at;
    return row <= at->lastRow ? at->cells.get() : nullptr;
  }

  mutable std::mutex mutex_;
  std::vector<Block> blocks_;
  SheetStore layout_;  // column widths, hidden columns and rows, merged areas, view; no cells
  model::Grid grid_;
  std::atomic<bool> complete_{false};
  std::uint32_t usedRows_ = 0, usedColumns_ = 0, maxRow_ = 0;
  mutable std::uint32_t lowestNew_ = std::numeric_limits<std::uint32_t>::max();
  bool overlapping_ = false;
};

/// Receives the reader's cells on the worker thread and publishes them in blocks of rows.
class BlockCollector final : public model::SheetVisitor {
 public:
  BlockCollector(PublishedSheet& sheet, const CellFormatter& formatter, PublishRule rule,
                 const std::atomic<bool>& stop, std::atomic<int>& percent,
                 const ReadingListener& listener)
      : sheet_(sheet), formatter_(formatter), grid_(sheet.grid()), rule_(rule), stop_(stop),
        percent_(percent), listener_(listener), lastPublished_(std::chrono::steady_clock::now()) {}

  void columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) override {
    sheet_.changeLayout([&](SheetStore& layout) { layout.columns(first, last, width, hidden); });
  }
  void defaultColumnWidth(double width) override {
    sheet_.changeLayout([&](SheetStore& layout) { layout.defaultColumnWidth(width); });
  }
  void hiddenRow(std::uint32_t row) override {
    sheet_.changeLayout([&](SheetStore& layout) { layout.hiddenRow(row); });
  }
  void mergedCells(std::uint32_t firstRow, std::uint32_t firstColumn, std::uint32_t lastRow,
                   std::uint32_t lastColumn) override {
    sheet_.changeLayout([&](SheetStore& layout) {
      layout.mergedCells(firstRow, firstColumn, lastRow, lastColumn);
    });
  }
  void view(const model::SheetView& saved) override {
    sheet_.changeLayout([&](SheetStore& layout) { layout.view(saved); });
  }
  void progress(std::uint64_t done, std::uint64_t total) override {
    if (total > 0)
      percent_.store(static_cast<int>(std::min<std::uint64_t>(99, done * 100 / total)),
                     std::memory_order_relaxed);
  }

  bool cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) override {
    if (stop_.load(std::memory_order_relaxed)) return false;
    const bool formula = !value.formula.text.empty();
    if ((value.kind == model::CellKind::Empty && !formula) || row >= grid_.rows) return true;
    if (formula && column < grid_.columns) pending_.emplace_back(row, column);
    if (block_ && row > lastRow_ && dueForPublishing()) publish();
    if (!block_) {
      block_ = std::make_unique<SheetStore>(formatter_, grid_);
      // Room for a block's worth of cells: they never move as the block fills.
      block_->expectCells(rule_.cells);
      firstRow_ = lastRow_ = row;
    }
    // The bounds one sheet's store keeps, over all blocks together.
    if (++cells_ > SheetStore::kMaxCells)
      throw Failure("The sheet holds more cells than this program can read (over " +
                    std::to_string(SheetStore::kMaxCells) + ").");
    textBytes_ += value.text.size();
    if (textBytes_ > SheetStore::kMaxTextBytes)
      throw Failure("The sheet holds more text than this program can read.");
    firstRow_ = std::min(firstRow_, row);
    lastRow_ = std::max(lastRow_, row);
    return block_->cell(row, column, value);
  }

  /// The formula cells read that are to be computed.
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& pendingFormulas() const {
    return pending_;
  }

  /// Publishes the rows read since the last block.
  void publish() {
    if (!block_) return;
    block_->finish();
    sheet_.publish(std::move(block_), firstRow_, lastRow_);
    lastPublished_ = std::chrono::steady_clock::now();
    wait_ = std::min(wait_ * 2, std::max(rule_.longestMilliseconds, rule_.milliseconds));
    if (listener_) listener_();
  }

 private:
  bool dueForPublishing() {
    if (block_->cellCount() >= rule_.cells) return true;
    // The clock is read every few rows rather than at each: a row takes microseconds.
    if (++rowsSinceClock_ < kRowsPerClockReading) return false;
    rowsSinceClock_ = 0;
    return std::chrono::steady_clock::now() - lastPublished_ >= std::chrono::milliseconds(wait_);
  }
  static constexpr int kRowsPerClockReading = 32;

  PublishedSheet& sheet_;
  const CellFormatter& formatter_;
  model::Grid grid_;
  PublishRule rule_;
  const std::atomic<bool>& stop_;
  std::atomic<int>& percent_;
  const ReadingListener& listener_;
  std::unique_ptr<SheetStore> block_;
  std::uint32_t firstRow_ = 0, lastRow_ = 0;
  std::size_t cells_ = 0, textBytes_ = 0;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> pending_;
  std::chrono::steady_clock::time_point lastPublished_;
  int rowsSinceClock_ = 0;
  int wait_ = rule_.milliseconds;  // before the next block, in milliseconds
};

class ThreadedReading final : public SheetReading {
 public:
  ThreadedReading(model::WorkbookFile& file, std::mutex& fileLock, const CellFormatter& formatter,
                  int index, ReadingListener listener, PublishRule rule, FormulaCells* formulas)
      : sheet_(formatter, file.grid()), listener_(std::move(listener)), formulas_(formulas) {
    worker_ = std::thread([this, &file, &fileLock, &formatter, index, rule] {
      run(file, fileLock, formatter, index, rule);
    });
  }

  ~ThreadedReading() override {
    stop_.store(true);
    worker_.join();
  }

  const SheetData& data() const override { return sheet_; }

  ReadProgress progress() const override {
    ReadProgress now;
    now.changedFrom = sheet_.takeLowestNew();
    now.rows = sheet_.usedRows();
    std::lock_guard lock(stateMutex_);
    now.finished = finished_;
    now.failure = failure_;
    now.percent = finished_ ? 100 : percent_.load(std::memory_order_relaxed);
    return now;
  }

 private:
  void run(model::WorkbookFile& file, std::mutex& fileLock, const CellFormatter& formatter,
           int index, PublishRule rule) {
    std::string failure;
    BlockCollector collector(sheet_, formatter, rule, stop_, percent_, listener_);
    {
      std::lock_guard lock(fileLock);
      try {
        file.readSheet(index, collector, model::kAllRows);
      } catch (const std::exception& e) {
        failure = e.what();
      } catch (...) {
        failure = "The sheet could not be read.";
      }
      // The rows read before a failure stay readable.
      try {
        collector.publish();
      } catch (const std::exception& e) {
        if (failure.empty()) failure = e.what();
      }
      // Formulas are computed once every row is in: they may read any of them.
      if (failure.empty()) failure = computeFormulas(index, collector);
    }
    sheet_.complete();
    {
      std::lock_guard lock(stateMutex_);
      finished_ = true;
      failure_ = failure;
    }
    if (listener_) listener_();
  }

  // Gives the formula cells read their computed values; a failure's description, or "".
  std::string computeFormulas(int index, const BlockCollector& collector) {
    if (!formulas_ || collector.pendingFormulas().empty()) return {};
    try {
      model::CellRef cell;
      std::string text;
      for (const auto& [row, column] : collector.pendingFormulas()) {
        if (stop_.load(std::memory_order_relaxed)) return {};
        if (formulas_->value(index, row, column, cell, text)) sheet_.setComputed(row, column, cell);
      }
    } catch (const std::exception& e) {
      return e.what();
    }
    return {};
  }

  PublishedSheet sheet_;
  ReadingListener listener_;
  FormulaCells* formulas_;
  std::atomic<bool> stop_{false};
  std::atomic<int> percent_{-1};
  mutable std::mutex stateMutex_;
  bool finished_ = false;
  std::string failure_;
  std::thread worker_;  // last: started once everything it uses exists
};

}  // namespace

std::unique_ptr<SheetReading> finishedReading(const SheetData& sheet) {
  return std::make_unique<FinishedReading>(sheet);
}

std::unique_ptr<SheetReading> startReading(model::WorkbookFile& file, std::mutex& fileLock,
                                           const CellFormatter& formatter, int index,
                                           ReadingListener listener, PublishRule rule,
                                           FormulaCells* formulas) {
  return std::make_unique<ThreadedReading>(file, fileLock, formatter, index, std::move(listener),
                                           rule, formulas);
}

}  // namespace lomandra::engine
