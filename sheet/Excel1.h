#pragma once

#include "sheet/Spreadsheet.h"

namespace lomandra::sheet {

/// OpenWorkbook: creates an instance and opens the workbook at `path` in it. A failure is
/// passed to the caller; the instance created for it is released without being told to quit.
std::unique_ptr<Application> OpenWorkbook(Automation& automation, const QString& path);

}  // namespace lomandra::sheet
