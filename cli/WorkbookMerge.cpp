#include "cli/WorkbookMerge.h"

#include <algorithm>
#include <exception>

#include "app/core/ErrorTrap.h"
#include "sheet/Failure.h"

namespace lomandra::cli {

namespace {

// At most 2^34 for an area within the workbook's grid (1,048,576 rows by 16,384 columns at most).
std::uint64_t checkedCellCount(const engine::Area& area, model::Grid grid) {
  if (area.lastRow < area.firstRow || area.lastColumn < area.firstColumn ||
      area.lastRow >= grid.rows || area.lastColumn >= grid.columns)
    throw Failure("The range names cells outside the sheet.");
  return engine::cellCount(area);
}

// Walks one area in the asked order, giving each cell with its position.
void walkArea(const engine::SheetData& sheet, const engine::Area& area, const WalkOptions& walk,
              CellSource& source, MergeSink& sink, std::uint64_t& walked) {
  const auto give = [&](std::string_view text) {
    if (!(walk.skipEmpty && text.empty())) sink.text(source, text);
    ++walked;
  };
  if (walk.byColumn) {
    for (std::uint32_t column = area.firstColumn;; ++column) {
      source.column = column;
      source.row = area.firstRow;
      sheet.forEachText({area.firstRow, column, area.lastRow, column}, [&](std::string_view text) {
        give(text);
        ++source.row;
        return true;
      });
      if (column == area.lastColumn) break;
    }
    return;
  }
  source.row = area.firstRow;
  source.column = area.firstColumn;
  sheet.forEachText(area, [&](std::string_view text) {
    give(text);
    if (source.column == area.lastColumn) {
      source.column = area.firstColumn;
      ++source.row;
    } else {
      ++source.column;
    }
    return true;
  });
}

// One Range Reference: resolved in the open workbook, each area walked, every cell once,
// empty cells included unless skipped.
void mergeReference(engine::BuiltinWorkbook& workbook, std::string_view reference,
                    const WalkOptions& walk, std::uint64_t& cellsLeft, CellSource& source,
                    MergeSink& sink, std::atomic<std::uint64_t>& cellsRead) {
  const engine::BuiltinWorkbook::Resolved resolved = workbook.resolve(reference);
  std::uint64_t cells = 0;
  for (const engine::Area& area : resolved.areas) cells += checkedCellCount(area, workbook.grid());
  if (cells > cellsLeft)
    throw Failure("The range holds " + withThousands(cells) + " cells, more than the " +
                  withThousands(cellsLeft) + " this run has left: a run reads at most " +
                  withThousands(kMaxCellsPerRun) + " cells of a workbook in all.");
  cellsLeft -= cells;

  // Only the cells the areas need are read; a damaged sheet fails this reference alone.
  const engine::SheetData* sheet = &workbook.sheet(resolved.sheet, engine::boundsOf(resolved.areas));
  source.sheet = workbook.sheets().at(static_cast<std::size_t>(resolved.sheet)).name;
  for (const engine::Area& area : resolved.areas) {
    std::uint64_t walked = 0;
    walkArea(*sheet, area, walk, source, sink, walked);
    cellsRead.fetch_add(walked, std::memory_order_relaxed);
  }
}

// A path or reference as a one-line message shows it: control characters escaped.
QString escaped(const QString& text) { return QString::fromStdString(oneLine(text.toStdString())); }

// The line that says which formula cells show their saved value because the engine could not
// compute them; not a failure: the workbook is valid, and the exit status stays.
std::string uncomputedNotice(const engine::UncomputedFormulas& uncomputed) {
  std::string line = std::to_string(uncomputed.cells) +
                     (uncomputed.cells == 1 ? " formula cell was" : " formula cells were") +
                     " not computed and show the value the file saved";
  std::string causes;
  if (!uncomputed.functions.empty()) {
    causes = uncomputed.functions.size() == 1 ? "function " : "functions ";
    for (std::size_t i = 0; i < uncomputed.functions.size(); ++i)
      causes += (i ? ", " : "") + uncomputed.functions[i];
  }
  for (const std::string& reason : uncomputed.reasons) causes += (causes.empty() ? "" : "; ") + reason;
  return line + (causes.empty() ? "." : " (" + causes + ").");
}

}  // namespace

WorkbookOutcome mergeWorkbook(const QString& path, const QStringList& references,
                              const WalkOptions& walk, MergeSink& sink,
                              std::atomic<std::uint64_t>& cellsRead) {
  WorkbookOutcome outcome;
  const std::string pathText = path.toStdString();
  std::unique_ptr<engine::BuiltinWorkbook> workbook;
  try {
    workbook = engine::BuiltinWorkbook::open(path.toStdString());
    if (!workbook) throw Failure("The workbook cannot be opened.");
  } catch (...) {
    const QString line = (walk.nameWorkbook ? QString() : QStringLiteral("lomandra-merge: ")) +
                         escaped(path) + QStringLiteral(": ") + describeCurrentException();
    sink.failure(line.toStdString());
    return outcome;
  }
  outcome.opened = true;

  // One opening serves every reference: the built-in engine reads the same texts from it as
  // from a fresh opening per reference.
  std::uint64_t cellsLeft = kMaxCellsPerRun;
  CellSource source;
  source.workbook = pathText;
  for (const QString& reference : references) {
    // Texts read before a failure stay, as in the window's Result List.
    const auto report = [&] {
      outcome.anyFailed = true;
      QString line = escaped(reference) + QStringLiteral(": ") + describeCurrentException();
      if (walk.nameWorkbook) line = escaped(path) + QStringLiteral(": ") + line;
      sink.failure(line.toStdString());
    };
    try {
      mergeReference(*workbook, reference.toStdString(), walk, cellsLeft, source, sink, cellsRead);
    } catch (...) {
      report();
    }
  }
  const engine::UncomputedFormulas uncomputed = workbook->uncomputedFormulas();
  if (uncomputed.cells > 0) {
    const QString prefix = (walk.nameWorkbook ? QString() : QStringLiteral("lomandra-merge: ")) +
                           path + QStringLiteral(": ");
    sink.failure(prefix.toStdString() + uncomputedNotice(uncomputed));
  }
  return outcome;
}

void KeptMerge::text(const CellSource& source, std::string_view text) {
  if (workbook_.empty()) workbook_ = source.workbook;
  if (sheets_.empty() || sheets_.back() != source.sheet) sheets_.emplace_back(source.sheet);
  const std::uint64_t begin = pool_.size();
  pool_.append(text);
  items_.push_back({source.row, source.column, static_cast<std::uint32_t>(sheets_.size() - 1),
                    begin, pool_.size()});
}

void KeptMerge::failure(std::string_view line) {
  const std::uint64_t begin = pool_.size();
  pool_.append(line);
  items_.push_back({0, 0, kFailure, begin, pool_.size()});
}

void KeptMerge::replay(MergeSink& sink) const {
  CellSource source;
  source.workbook = workbook_;
  for (const Item& item : items_) {
    const std::string_view bytes(pool_.data() + item.begin, item.end - item.begin);
    if (item.sheet == kFailure) {
      sink.failure(bytes);
      continue;
    }
    source.sheet = sheets_[item.sheet];
    source.row = item.row;
    source.column = item.column;
    sink.text(source, bytes);
  }
}

}  // namespace lomandra::cli
