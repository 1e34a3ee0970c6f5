#include "app/SpreadsheetApplication.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "sheet/com/ComSpreadsheet.h"
#else
#include "sheet/builtin/BuiltinAutomation.h"
#endif

namespace lomandra::app {

std::unique_ptr<sheet::Automation> createSpreadsheetApplication() {
#ifdef Q_OS_WIN
  return com::createComAutomation();  // "Excel.Application", driven through COM automation
#else
  return builtin::createBuiltinAutomation();
#endif
}

}  // namespace lomandra::app
