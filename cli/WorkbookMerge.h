#pragma once

// One workbook of a lomandra-merge run: opened once, every reference resolved and walked into a
// MergeSink; and a sink that keeps what a workbook gave until its turn to be written comes.

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/MergeSink.h"
#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::cli {

/// Most cells one workbook's references read: sixteen whole columns. A reference past it fails.
constexpr std::uint64_t kMaxCellsPerRun = engine::kMaxWalkCells;

/// How the cells of an area are walked and which are given.
struct WalkOptions {
  bool byColumn = false;   ///< column by column, top to bottom, instead of row by row
  bool skipEmpty = false;  ///< leave out cells whose text is empty
  /// Failure lines name the workbook ("PATH: REFERENCE: description", "PATH: description")
  /// instead of the one-workbook form's "REFERENCE: description" and
  /// "lomandra-merge: PATH: description".
  bool nameWorkbook = false;
};

/// How reading one workbook went.
struct WorkbookOutcome {
  bool opened = false;     ///< false: the workbook could not be opened (reported to the sink)
  bool anyFailed = false;  ///< a reference failed (reported to the sink)
};

/// Opens the workbook at `path` and gives every cell of every reference to `sink`, references
/// in order, texts read before a failure kept. Adds the cells walked to `cellsRead` as it goes.
WorkbookOutcome mergeWorkbook(const QString& path, const QStringList& references,
                              const WalkOptions& walk, MergeSink& sink,
                              std::atomic<std::uint64_t>& cellsRead);

/// A MergeSink that keeps everything in one buffer and gives it again, in the same order.
class KeptMerge final : public MergeSink {
 public:
  void text(const CellSource& source, std::string_view text) override;
  void failure(std::string_view line) override;
  /// Gives everything kept to `sink`, in the order it came.
  void replay(MergeSink& sink) const;
  /// Bytes held.
  std::size_t bytes() const { return pool_.size() + items_.size() * sizeof(Item); }

 private:
  struct Item {
    std::uint32_t row, column;  // for a failure line: unused
    std::uint32_t sheet;        // index into sheets_, or kFailure
    std::uint64_t begin, end;   // the text or line in pool_
  };
  static constexpr std::uint32_t kFailure = 0xFFFFFFFF;

  std::string workbook_;
  std::vector<std::string> sheets_;
  std::vector<Item> items_;
  std::string pool_;
};

}  // namespace lomandra::cli
