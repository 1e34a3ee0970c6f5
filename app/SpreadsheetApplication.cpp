#include "app/SpreadsheetApplication.h"

#include "sheet/builtin/BuiltinAutomation.h"

namespace lomandra::app {

std::unique_ptr<sheet::Automation> createSpreadsheetApplication() {
  return builtin::createBuiltinAutomation();
}

}  // namespace lomandra::app
