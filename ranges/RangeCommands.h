#pragma once

#include "app/core/MainForm.h"

// Source workbook selection, range picking and Range List editing: the handlers of Form1's
// controls for them. Each button handler runs under its own error trap.
namespace lomandra::ranges {

void PushButton1_Click(MainForm& form);   ///< "..."
void PushButton10_Click(MainForm& form);  ///< "Load Sample/Example File"
void PushButton11_Click(MainForm& form);  ///< "Clear File"
void PushButton5_Click(MainForm& form);   ///< "Add Range Of Cells To Merge"
void PushButton6_Click(MainForm& form);   ///< "Delete Selected"
void PushButton7_Click(MainForm& form);   ///< "Clear List" (ranges)
void ListView1_KeyDown(MainForm& form, int keyCode);  ///< untrapped; 46 is the Delete key
void ListView1_DblClick(MainForm& form);              ///< untrapped

}  // namespace lomandra::ranges
