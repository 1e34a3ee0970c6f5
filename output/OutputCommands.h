#pragma once

#include "app/core/ListSource.h"
#include "app/core/MainForm.h"

namespace lomandra::output {

void PushButton4_Click(MainForm& form);   ///< "Save Results As Text File"
void PushButton8_Click(MainForm& form);   ///< "Copy Results To Clipboard"
void PushButton13_Click(MainForm& form);  ///< "Send Results As Excel File"
/// The probe of the spreadsheet export: true when an instance can be created; otherwise it
/// shows its message and returns false.
bool SaveResultsAsExcelFileIsExcelInstalled(MainForm& form);
/// The steps of "Send Results As Excel File" over a given list (PushButton13_Click passes the
/// Result List); its Error Reports name PushButton13_Click.
void SendListToNewWorkbook(MainForm& form, const ListSource& list);

}  // namespace lomandra::output
