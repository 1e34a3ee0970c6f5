#pragma once

#include "app/core/MainForm.h"

namespace lomandra::merge {

void PushButton2_Click(MainForm& form);  ///< "Start Merging"
void PushButton3_Click(MainForm& form);  ///< "Clear List" (results)

/// True when a running spreadsheet application reports the name "Microsoft Excel"; never throws.
bool IsExcelRunning(sheet::Automation& automation);
/// Asks whether to go on when the spreadsheet application is running; true: the run must stop.
bool ExcelOpenWarning(MainForm& form);

}  // namespace lomandra::merge
