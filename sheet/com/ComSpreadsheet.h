#pragma once

// The spreadsheet application through COM automation behind the spreadsheet interface: the
// program's back end on Windows.

#include <memory>

#include "sheet/Spreadsheet.h"

namespace lomandra::com {

/// "Excel.Application" as the spreadsheet application. Create starts a new local-server
/// instance; Attach finds the running one through the running-object table.
std::unique_ptr<sheet::Automation> createComAutomation();

}  // namespace lomandra::com
