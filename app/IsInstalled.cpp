#include "app/IsInstalled.h"

#include <QStringList>

namespace lomandra::app {

QString notInstalledMessage() {
  return QStringList{
      QStringLiteral("Error 842001. A normal instance of Excel could not be created."),
      QStringLiteral("1. Please make sure Excel is installed on this computer."),
      QStringLiteral("2. Please open Excel normally and make sure a blank spreadsheet opens "
                     "immediately without any interrupting window (such as an Excel file "
                     "recovery window)."),
      QStringLiteral("3. Please make sure that when you double-click on a XLS or XLSX file that "
                     "Excel opens normally without any interrupting messages."),
      QStringLiteral("4. All versions of Excel are supported by this software except for the "
                     "rare Excel Starter and Student editions."),
  }
      .join(QStringLiteral("\r\n\r\n"));
}

bool IsInstalled(MainForm& form) {
  try {
    if (form.automation().create()) return true;  // released at once, not told to quit
  } catch (...) {
  }
  try {
    form.msgBox(notInstalledMessage(), mb::OkOnly);
  } catch (...) {
  }
  return false;
}

}  // namespace lomandra::app
