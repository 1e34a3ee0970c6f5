#pragma once

#include "sheet/Failure.h"
#include "sheet/Spreadsheet.h"

namespace lomandra::sheet {

/// OpenWorkbook: creates an instance and opens the workbook at `path` in it. A failure is
/// passed to the caller; the instance created for it is released without being told to quit.
std::unique_ptr<Application> OpenWorkbook(Automation& automation, const QString& path);

/// Why a command has no instance to use: the workbook was not opened.
inline constexpr const char* kNoInstance =
    "Object variable not set: the workbook was not opened, so there is no spreadsheet "
    "application instance to use.";

/// A handle (instance, range, walk) that an earlier step should have produced. A handle the
/// failed step left empty fails every later step that needs it, with `missing` as the reason.
template <typename Handle>
Handle& need(const std::unique_ptr<Handle>& handle, const char* missing) {
  if (!handle) throw Failure(missing);
  return *handle;
}

}  // namespace lomandra::sheet
