#pragma once

#include <QStringList>
#include <cstdint>
#include <functional>
#include <string_view>

#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::cli {

/// Where lomandra-merge writes: standard output and standard error, as byte sinks.
struct ToolStreams {
  std::function<void(std::string_view)> out;
  std::function<void(std::string_view)> err;
};

/// Most cells one run reads: sixteen whole columns. A reference past it fails.
constexpr std::uint64_t kMaxCellsPerRun = engine::kMaxWalkCells;

/// Runs lomandra-merge on `arguments` (without the program name) and returns its exit status:
/// 0 when every reference was read, 1 when some failed, 2 for bad usage, a workbook that cannot
/// be opened or has a sheet that cannot be read, or a --save FILE that cannot be written.
int runMergeTool(const QStringList& arguments, const ToolStreams& streams);

}  // namespace lomandra::cli
