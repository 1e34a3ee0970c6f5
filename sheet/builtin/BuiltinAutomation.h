#pragma once

// The built-in spreadsheet engine behind the spreadsheet interface: workbooks are opened and
// read in this process, and Show, Pick range, Add, Write and Fit use the engine's own windows.

#include <memory>

#include "sheet/Spreadsheet.h"

namespace lomandra::window {
class WorkbookDialogs;
}

namespace lomandra::builtin {

/// The name every built-in instance reports.
inline constexpr const char* kEngineName = "Lomandra Workbook Engine";

/// The built-in engine as the spreadsheet application. Create gives a new, hidden instance;
/// Attach fails, as no outside spreadsheet application is ever running for it.
std::unique_ptr<sheet::Automation> createBuiltinAutomation();

/// The same, with the questions of added workbooks' windows (save changes, save as) answered
/// by `dialogs` (for tests).
std::unique_ptr<sheet::Automation> createBuiltinAutomation(
    std::shared_ptr<window::WorkbookDialogs> dialogs);

}  // namespace lomandra::builtin
