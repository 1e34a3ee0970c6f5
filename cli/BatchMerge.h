#pragma once

// Many workbooks of one lomandra-merge run, read in parallel and given in the order named.

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "cli/WorkbookMerge.h"

namespace lomandra::cli {

/// How reading the workbooks of a run went.
struct BatchOutcome {
  std::size_t opened = 0;  ///< workbooks that could be opened
  bool anyFailed = false;  ///< a workbook could not be opened or a reference failed
};

/// Told how far a run has come: workbooks finished and cells read so far. Called on the thread
/// that called mergeWorkbooks.
using BatchProgress = std::function<void(std::size_t workbooksDone, std::uint64_t cellsRead)>;

/// Reads every reference from each workbook of `paths` and gives the results to `sink`, workbook
/// after workbook in the order of `paths`: the same calls, in the same order, whatever `jobs` is.
/// Up to `jobs` workbooks are read at a time on threads of their own, and no more than 2 x `jobs`
/// finished workbooks wait for their turn, which bounds the memory held. `sink` is only called
/// on the calling thread.
BatchOutcome mergeWorkbooks(const QStringList& paths, const QStringList& references,
                            const WalkOptions& walk, int jobs, MergeSink& sink,
                            const BatchProgress& progress = {});

}  // namespace lomandra::cli
