// The close-spreadsheet warning: before a merge run touches the Result List, a spreadsheet
// application that is already running (the user's own window, say) is pointed out and the
// user decides whether to go on.

#include "merge/MergeCommands.h"

namespace lomandra::merge {

bool IsExcelRunning(sheet::Automation& automation) {
  // Whatever fails (nothing running, nothing installed, a name that cannot be read) means
  // "not running". The attached instance is only looked at, and released on return. On
  // Windows attach() finds the instance in the running-object table (GetActiveObject) and
  // name() reads its default member.
  try {
    const std::unique_ptr<sheet::Application> running = automation.attach();
    return running && running->name() == QStringLiteral("Microsoft Excel");
  } catch (...) {
    return false;
  }
}

bool ExcelOpenWarning(MainForm& form) {
  if (!IsExcelRunning(form.automation())) return false;
  // The first two sentences are parted by a lone CR, the question by CR LF CR LF.
  const QString message =
      QStringLiteral("Excel may be open. It is recommended that you close Excel first.") +
      QStringLiteral("\r") + QStringLiteral("Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.") +
      QStringLiteral("\r\n\r\n") + QStringLiteral("Would you like to proceed anyway?");
  // Yes and No, Yes the default, no icon, the application title. Only Yes goes on.
  return form.msgBox(message, mb::YesNo) != mb::Yes;
}

}  // namespace lomandra::merge
