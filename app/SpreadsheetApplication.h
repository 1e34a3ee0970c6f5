#pragma once

#include <memory>

#include "sheet/Spreadsheet.h"

namespace lomandra::app {

/// The spreadsheet application the program drives: on Windows the installed application
/// ("Excel.Application") through COM automation, elsewhere the built-in engine.
std::unique_ptr<sheet::Automation> createSpreadsheetApplication();

}  // namespace lomandra::app
