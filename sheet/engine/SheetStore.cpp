#include "sheet/engine/SheetStore.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>

#include "sheet/Failure.h"

namespace lomandra::engine {

using model::CellKind;

namespace {

// Areas of at least this many cells are walked with a second thread formatting, in blocks of
// about kWalkBlockCells cells (where the machine has a second core).
constexpr std::uint64_t kParallelWalkCells = 1u << 16;
constexpr std::uint64_t kWalkBlockCells = 1u << 13;
std::atomic<bool> parallelWalk{std::thread::hardware_concurrency() > 1};

static_assert(SheetStore::kMaxTextBytes < UINT32_MAX, "text offsets fit in 32 bits");

// Texts at least this long are looked up before being added to the pool.
constexpr std::size_t kSharedTextBytes = 64;
// The most cells room is set aside for before they arrive (256 MiB of address space, touched
// only as cells come).
constexpr std::uint64_t kMaxExpectedCells = 16u << 20;
// Vectors at least this large keep their spare room: it lies in pages never touched, which take
// no memory, while trimming would copy every element.
constexpr std::size_t kTrimBytes = 1u << 20;

template <typename T, typename Allocator>
void trim(std::vector<T, Allocator>& items) {
  if (items.capacity() * sizeof(T) < kTrimBytes) items.shrink_to_fit();
}

}  // namespace

SheetStore::SheetStore(const CellFormatter& formatter, model::Grid grid,
                       const model::CellBounds& bounds)
    : formatter_(formatter),
      grid_(grid),
      bounds_(bounds),
      positions_((std::uint64_t{bounds.lastRow} - bounds.firstRow + 1) *
                 (std::uint64_t{bounds.lastColumn} - bounds.firstColumn + 1)) {
  grid_.rows = std::min(grid_.rows, model::kMaxRows);
  grid_.columns = std::min(grid_.columns, model::kMaxColumns);
}

void SheetStore::givenTwice(std::uint32_t row, std::uint32_t column) {
  if (twice_.size() < kMaxTwice) twice_.emplace_back(row, column);
}

void SheetStore::requireGivenOnce(const Area& area) const {
  // Ascending by row, then column: the first position in the area's rows that lies within it.
  auto at = std::lower_bound(twice_.begin(), twice_.end(), std::make_pair(area.firstRow, 0u));
  for (; at != twice_.end() && at->first <= area.lastRow; ++at)
    if (at->second >= area.firstColumn && at->second <= area.lastColumn)
      throw Failure("The sheet is damaged: it gives cell " + columnName(at->second) +
                    std::to_string(at->first + 1) + " twice.");
}

std::uint32_t SheetStore::keepText(std::string_view text) {
  const auto index = static_cast<std::uint32_t>(textOffsets_.size() - 1);
  std::uint64_t hash = 0;
  if (text.size() >= kSharedTextBytes) {
    hash = std::hash<std::string_view>{}(text);
    const auto found = longTexts_.find(hash);
    if (found != longTexts_.end() && textAt(found->second) == text) return found->second;
  }
  if (pool_.size() + text.size() > kMaxTextBytes)
    throw Failure("The sheet holds more text than this program reads (over " +
                  std::to_string(kMaxTextBytes >> 20) + " MB in the cells asked for).");
  pool_.insert(pool_.end(), text.begin(), text.end());
  textOffsets_.push_back(static_cast<std::uint32_t>(pool_.size()));
  if (text.size() >= kSharedTextBytes) longTexts_[hash] = index;
  return index;
}

void SheetStore::expectCells(std::uint64_t atMost) {
  const std::uint64_t room = std::min({atMost, positions_, kMaxExpectedCells});
  if (room > cells_.capacity()) cells_.reserve(static_cast<std::size_t>(room));
}

void SheetStore::columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) {
  if (first >= grid_.columns || last < first) return;
  last = std::min(last, grid_.columns - 1);
  if (widths_.empty()) {
    widths_.assign(grid_.columns, -1.0f);
    hiddenColumns_.assign(grid_.columns, false);
  }
  for (std::uint32_t c = first; c <= last; ++c) {
    if (width >= 0) widths_[c] = static_cast<float>(width);
    hiddenColumns_[c] = hidden || width == 0;
  }
}

void SheetStore::defaultColumnWidth(double width) {
  if (width >= 0 && width <= 255) defaultWidth_ = width;
}

void SheetStore::hiddenRow(std::uint32_t row) {
  if (row >= grid_.rows) return;
  if (hiddenRows_.empty() || hiddenRows_.back() < row) {
    hiddenRows_.push_back(row);
  } else {
    const auto at = std::lower_bound(hiddenRows_.begin(), hiddenRows_.end(), row);
    if (at == hiddenRows_.end() || *at != row) hiddenRows_.insert(at, row);
  }
}

bool SheetStore::cell(std::uint32_t row, std::uint32_t column, const model::CellRef& given) {
  const bool formula = !given.formula.text.empty();
  if ((given.kind == CellKind::Empty && !formula) || row >= grid_.rows || column >= grid_.columns)
    return true;  // a cell without a value shows nothing whatever its format
  if (row < bounds_.firstRow || row > bounds_.lastRow || column < bounds_.firstColumn ||
      column > bounds_.lastColumn)
    return true;  // not asked for
  if (cells_.size() >= kMaxCells)
    throw Failure("The sheet holds more cells than this program reads (over " +
                  std::to_string(kMaxCells) + ").");
  // A formula without a saved value holds an empty text until it is computed.
  model::CellRef value = given;
  if (formula) {
    pending_.emplace_back(row, column);
    if (value.kind == CellKind::Empty) value.kind = CellKind::Text;
  }
  Cell c{column | (static_cast<std::uint32_t>(value.kind) << 16), value.format, value.number};
  if (value.kind == CellKind::Text || value.kind == CellKind::Error)
    c.value = keepText(model::cellTextPrefix(value.text));
  if (rowNumbers_.empty() || row != rowNumbers_.back() || !ordered_) {
    if (!rowNumbers_.empty() && row <= rowNumbers_.back()) ordered_ = false;
    rowNumbers_.push_back(row);
    rowStarts_.push_back(static_cast<std::uint32_t>(cells_.size()));
  } else if (cells_.back().column() >= column) {
    if (cells_.back().column() == column) {  // the same cell again: its last value is kept
      givenTwice(row, column);
      cells_.back() = c;
      return true;
    }
    ordered_ = false;
    rowNumbers_.push_back(row);
    rowStarts_.push_back(static_cast<std::uint32_t>(cells_.size()));
  }
  cells_.push_back(c);
  usedColumns_ = std::max(usedColumns_, column + 1);
  // More cells than the bounds have places: some cell came twice, which ordering folds now
  // rather than after the file has filled memory with repeats.
  if (!ordered_ && cells_.size() > positions_) finish();
  return true;
}

void SheetStore::finish() {
  if (!ordered_) {
    // Rebuild in (row, column) order; of two cells at one position the later one stays.
    std::vector<std::uint32_t> rowOf(cells_.size());
    for (std::size_t r = 0; r < rowNumbers_.size(); ++r) {
      const std::size_t end = r + 1 < rowStarts_.size() ? rowStarts_[r + 1] : cells_.size();
      for (std::size_t i = rowStarts_[r]; i < end; ++i) rowOf[i] = rowNumbers_[r];
    }
    std::vector<std::uint32_t> order(cells_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      if (rowOf[a] != rowOf[b]) return rowOf[a] < rowOf[b];
      return cells_[a].column() < cells_[b].column();
    });
    Cells sorted;
    sorted.reserve(cells_.size());
    rowNumbers_.clear();
    rowStarts_.clear();
    for (std::size_t k = 0; k < order.size(); ++k) {
      const std::uint32_t i = order[k];
      const bool sameAsNext = k + 1 < order.size() && rowOf[order[k + 1]] == rowOf[i] &&
                              cells_[order[k + 1]].column() == cells_[i].column();
      if (sameAsNext) {
        givenTwice(rowOf[i], cells_[i].column());
        continue;
      }
      if (rowNumbers_.empty() || rowNumbers_.back() != rowOf[i]) {
        rowNumbers_.push_back(rowOf[i]);
        rowStarts_.push_back(static_cast<std::uint32_t>(sorted.size()));
      }
      sorted.push_back(cells_[i]);
    }
    cells_ = std::move(sorted);
    ordered_ = true;
  }
  std::sort(twice_.begin(), twice_.end());
  twice_.erase(std::unique(twice_.begin(), twice_.end()), twice_.end());
  trim(cells_);
  // Room set aside that no cell took: a partly used huge page gives back its unused part.
  LargeAllocator<Cell>::releaseUnused(cells_.data(), cells_.size(), cells_.capacity());
  trim(rowNumbers_);
  trim(rowStarts_);
  trim(textOffsets_);
  trim(pool_);
  longTexts_ = {};
}

void SheetStore::setParallelWalk(bool on) { parallelWalk.store(on); }

std::uint32_t SheetStore::usedRows() const {
  return rowNumbers_.empty() ? 0 : rowNumbers_.back() + 1;
}

std::size_t SheetStore::findRow(std::uint32_t row) const {
  const auto at = std::lower_bound(rowNumbers_.begin(), rowNumbers_.end(), row);
  if (at == rowNumbers_.end() || *at != row) return rowNumbers_.size();
  return static_cast<std::size_t>(at - rowNumbers_.begin());
}

std::string_view SheetStore::textOf(const Cell& c) const {
  return textAt(static_cast<std::size_t>(c.value));
}

std::string_view SheetStore::textAt(std::size_t index) const {
  return std::string_view(pool_.data(), pool_.size()).substr(textOffsets_[index],
                                        textOffsets_[index + 1] - textOffsets_[index]);
}

void SheetStore::render(const Cell& c, std::string& out) const {
  const CellKind kind = c.kind();
  const bool hasText = kind == CellKind::Text || kind == CellKind::Error;
  formatter_.format(kind, hasText ? 0 : c.value, hasText ? textOf(c) : std::string_view(),
                    c.format, out);
}

const SheetStore::Cell* SheetStore::findCell(std::uint32_t row, std::uint32_t column) const {
  const std::size_t r = findRow(row);
  if (r == rowNumbers_.size()) return nullptr;
  const auto begin = cells_.begin() + rowStarts_[r];
  const auto end = r + 1 < rowStarts_.size() ? cells_.begin() + rowStarts_[r + 1] : cells_.end();
  const auto at = std::lower_bound(begin, end, column,
                                   [](const Cell& c, std::uint32_t col) { return c.column() < col; });
  if (at == end || at->column() != column) return nullptr;
  return &*at;
}

void SheetStore::setComputed(std::uint32_t row, std::uint32_t column, const model::CellRef& value) {
  Cell* cell = const_cast<Cell*>(findCell(row, column));
  if (!cell || value.kind == CellKind::Empty) return;
  cell->columnAndKind = column | (static_cast<std::uint32_t>(value.kind) << 16);
  cell->value = value.number;
  if (value.kind == CellKind::Text || value.kind == CellKind::Error)
    cell->value = keepText(model::cellTextPrefix(value.text));
}

bool SheetStore::holdsCell(std::uint32_t row, std::uint32_t column) const {
  return findCell(row, column) != nullptr;
}

std::string SheetStore::text(std::uint32_t row, std::uint32_t column) const {
  const Cell* cell = findCell(row, column);
  if (!cell) return {};
  std::string out;
  render(*cell, out);
  return out;
}

bool SheetStore::holds(std::uint32_t row, std::uint32_t column) const {
  const Cell* at = findCell(row, column);
  if (!at) return false;
  // A text cell may be empty (a formula giving ""): it holds nothing to show.
  const CellKind kind = at->kind();
  return !(kind == CellKind::Text && textOf(*at).empty()) || !formatter_.isGeneral(at->format);
}

CellLook SheetStore::look(std::uint32_t row, std::uint32_t column) const {
  CellLook look;
  look.typed = true;
  const Cell* at = findCell(row, column);
  if (!at) return look;
  look.kind = at->kind();
  const model::CellStyle style = formatter_.style(at->format);
  look.align = style.align;
  if (look.kind == CellKind::Number || look.kind == CellKind::Boolean) {
    look.number = at->value;
    look.generalNumber = look.kind == CellKind::Number && formatter_.isGeneral(at->format);
  }
  look.numericText = look.kind == CellKind::Text && style.numericText;
  look.color = formatter_.color(look.kind, at->value, at->format);
  return look;
}

void SheetStore::mergedCells(std::uint32_t firstRow, std::uint32_t firstColumn,
                             std::uint32_t lastRow, std::uint32_t lastColumn) {
  if (firstRow > lastRow || firstColumn > lastColumn || firstRow >= model::kMaxRows ||
      firstColumn >= model::kMaxColumns || merged_.size() >= kMaxMergedAreas)
    return;
  lastRow = std::min(lastRow, model::kMaxRows - 1);
  lastColumn = std::min(lastColumn, model::kMaxColumns - 1);
  if (firstRow == lastRow && firstColumn == lastColumn) return;  // one cell: nothing merged
  merged_.push_back({firstRow, firstColumn, lastRow, lastColumn});
}

template <typename Emit>
bool SheetStore::walkRows(const Area& area, std::uint32_t first, std::uint32_t last,
                          std::string& scratch, Emit&& emit) const {
  std::size_t r = static_cast<std::size_t>(
      std::lower_bound(rowNumbers_.begin(), rowNumbers_.end(), first) - rowNumbers_.begin());
  for (std::uint64_t row = first; row <= last; ++row) {
    if (r < rowNumbers_.size() && rowNumbers_[r] == row) {
      const Cell* p = cells_.data() + rowStarts_[r];
      const Cell* end = cells_.data() + (r + 1 < rowStarts_.size() ? rowStarts_[r + 1] : cells_.size());
      p = std::lower_bound(p, end, area.firstColumn,
                           [](const Cell& c, std::uint32_t col) { return c.column() < col; });
      for (std::uint64_t column = area.firstColumn; column <= area.lastColumn; ++column) {
        if (p != end && p->column() == column) {
          render(*p, scratch);
          ++p;
          if (!emit(std::string_view(scratch))) return false;
        } else if (!emit(std::string_view())) {
          return false;
        }
      }
      ++r;
    } else {
      for (std::uint64_t column = area.firstColumn; column <= area.lastColumn; ++column)
        if (!emit(std::string_view())) return false;
    }
  }
  return true;
}

void SheetStore::forEachText(const Area& area,
                             const std::function<bool(std::string_view text)>& visit) const {
  if (area.firstRow > area.lastRow || area.firstColumn > area.lastColumn) return;
  requireGivenOnce(area);
  if (engine::cellCount(area) >= kParallelWalkCells && parallelWalk.load(std::memory_order_relaxed) &&
      forEachTextInParallel(area, visit))
    return;
  walkRows(area, area.firstRow, area.lastRow, scratch_, visit);
}

// Formatting is most of a walk's work, and the cells are all read: a second thread formats
// two of every three blocks of rows into a few buffers ahead of this one, which formats the
// third itself and gives `visit` every text in order (so `visit` runs on this thread alone).
bool SheetStore::forEachTextInParallel(const Area& area,
                                       const std::function<bool(std::string_view text)>& visit) const {
  // Every format of the area compiled first, so that both threads only read the formatter.
  std::vector<bool> prepared;
  for (std::size_t r = static_cast<std::size_t>(
           std::lower_bound(rowNumbers_.begin(), rowNumbers_.end(), area.firstRow) - rowNumbers_.begin());
       r < rowNumbers_.size() && rowNumbers_[r] <= area.lastRow; ++r) {
    const std::size_t end = r + 1 < rowStarts_.size() ? rowStarts_[r + 1] : cells_.size();
    for (std::size_t i = rowStarts_[r]; i < end; ++i) {
      const std::uint32_t format = cells_[i].format;
      if (format < prepared.size() && prepared[format]) continue;
      if (!formatter_.prepare(format)) return false;
      if (format >= prepared.size()) prepared.resize(format + 1);
      prepared[format] = true;
    }
  }

  const std::uint64_t width = std::uint64_t{area.lastColumn} - area.firstColumn + 1;
  const auto rowsPerBlock = static_cast<std::uint32_t>(std::max<std::uint64_t>(1, kWalkBlockCells / width));
  const std::uint64_t blocks = (std::uint64_t{area.lastRow} - area.firstRow) / rowsPerBlock + 1;
  const auto firstOf = [&](std::uint64_t block) {
    return static_cast<std::uint32_t>(area.firstRow + block * rowsPerBlock);
  };
  const auto lastOf = [&](std::uint64_t block) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(area.lastRow, firstOf(block) + std::uint64_t{rowsPerBlock} - 1));
  };
  const auto helpers = [](std::uint64_t block) { return block % 3 != 0; };

  struct Slot {
    std::string texts;
    std::vector<std::uint32_t> ends;
    bool full = false;
  };
  constexpr std::size_t kSlots = 4;
  Slot slots[kSlots];
  std::mutex mutex;
  std::condition_variable changed;
  bool stop = false;
  std::exception_ptr failure;

  std::thread helper([&] {
    try {
      std::string scratch;
      std::size_t made = 0;
      for (std::uint64_t block = 0; block < blocks; ++block) {
        if (!helpers(block)) continue;
        Slot& slot = slots[made++ % kSlots];
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return stop || !slot.full; });
          if (stop) return;
        }
        slot.texts.clear();
        slot.ends.clear();
        walkRows(area, firstOf(block), lastOf(block), scratch, [&](std::string_view text) {
          slot.texts.append(text);
          slot.ends.push_back(static_cast<std::uint32_t>(slot.texts.size()));
          return true;
        });
        {
          std::lock_guard lock(mutex);
          slot.full = true;
        }
        changed.notify_all();
      }
    } catch (...) {
      std::lock_guard lock(mutex);
      failure = std::current_exception();
      changed.notify_all();
    }
  });
  // However this walk ends (visit stops it, or throws), the helper stops and is joined.
  struct Join {
    std::thread& thread;
    std::mutex& mutex;
    bool& stop;
    std::condition_variable& changed;
    ~Join() {
      {
        std::lock_guard lock(mutex);
        stop = true;
      }
      changed.notify_all();
      thread.join();
    }
  } join{helper, mutex, stop, changed};

  std::size_t taken = 0;
  for (std::uint64_t block = 0; block < blocks; ++block) {
    if (!helpers(block)) {
      if (!walkRows(area, firstOf(block), lastOf(block), scratch_, visit)) return true;
      continue;
    }
    Slot& slot = slots[taken++ % kSlots];
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return slot.full || failure; });
      if (failure) std::rethrow_exception(failure);
    }
    std::uint32_t begin = 0;
    for (const std::uint32_t end : slot.ends) {
      if (!visit(std::string_view(slot.texts).substr(begin, end - begin))) return true;
      begin = end;
    }
    {
      std::lock_guard lock(mutex);
      slot.full = false;
    }
    changed.notify_all();
  }
  return true;
}

double SheetStore::columnWidth(std::uint32_t column) const {
  if (column < widths_.size() && widths_[column] >= 0) return widths_[column];
  return defaultWidth_;
}

bool SheetStore::columnHidden(std::uint32_t column) const {
  return column < hiddenColumns_.size() && hiddenColumns_[column];
}

bool SheetStore::rowHidden(std::uint32_t row) const {
  return std::binary_search(hiddenRows_.begin(), hiddenRows_.end(), row);
}

std::vector<std::uint32_t> SheetStore::hiddenRows(std::uint32_t first, std::uint32_t last) const {
  if (first > last) return {};
  return {std::lower_bound(hiddenRows_.begin(), hiddenRows_.end(), first),
          std::upper_bound(hiddenRows_.begin(), hiddenRows_.end(), last)};
}

std::size_t SheetStore::memoryUsed() const {
  return cells_.capacity() * sizeof(Cell) + rowNumbers_.capacity() * 4 + rowStarts_.capacity() * 4 +
         pool_.capacity() + textOffsets_.capacity() * 4 + widths_.capacity() * 4 +
         hiddenRows_.capacity() * 4 + merged_.capacity() * sizeof(Area);
}

}  // namespace lomandra::engine
