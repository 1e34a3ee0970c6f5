#pragma once

// A sheet read on a worker thread while a window shows it: the worker publishes the rows it
// has read in blocks, and the cells published so far can be read on the window's thread while
// more arrive. QtCore at most.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::engine {

class CellFormatter;
class FormulaCells;

/// How far the reading of a sheet has come.
struct ReadProgress {
  std::uint32_t rows = 0;  ///< one past the last row published so far
  int percent = -1;        ///< of the sheet's data read; -1 when the format does not tell
  bool finished = false;   ///< reading has ended, completely or with a failure
  std::string failure;     ///< why reading stopped early ("" when it did not)
  /// The lowest row published since progress() was last asked (rows written out of order may
  /// land above rows published before); past `rows` when none was.
  std::uint32_t changedFrom = 0;
};

/// A sheet being read. Destroying it stops the reading and waits for the worker.
class SheetReading {
 public:
  virtual ~SheetReading() = default;
  /// The cells published so far. Read it on one thread (the window's); it grows meanwhile.
  virtual const SheetData& data() const = 0;
  virtual ReadProgress progress() const = 0;
};

/// Runs on the worker thread each time rows are published and once when reading ends. It must
/// only pass the news on (post an event), never read the sheet itself.
using ReadingListener = std::function<void()>;

/// A reading of a sheet that is already in memory: finished from the start.
std::unique_ptr<SheetReading> finishedReading(const SheetData& sheet);

/// When the worker publishes: after this many cells, or at the first new row after this long.
/// The wait doubles after each block up to `longestMilliseconds`: the first rows come at once,
/// and a long sheet is handed over in fewer, larger blocks, each costing the window a layout.
struct PublishRule {
  std::size_t cells = 1u << 20;
  int milliseconds = 50;
  int longestMilliseconds = 400;
};

/// Starts reading sheet `index` of `file` on a worker thread, holding `fileLock` while it reads
/// (the file serves one reader at a time). Texts are made by `formatter` on the reading thread
/// of data(). Formula cells to compute are given their values by `formulas` (when given) once
/// the whole sheet is read. `file`, `formatter`, `fileLock` and `formulas` must outlive the
/// reading.
std::unique_ptr<SheetReading> startReading(model::WorkbookFile& file, std::mutex& fileLock,
                                           const CellFormatter& formatter, int index,
                                           ReadingListener listener, PublishRule rule = {},
                                           FormulaCells* formulas = nullptr);

}  // namespace lomandra::engine
