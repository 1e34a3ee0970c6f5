#include "sheet/Excel1.h"

namespace lomandra::sheet {

std::unique_ptr<Application> OpenWorkbook(Automation& automation, const QString& path) {
  std::unique_ptr<Application> instance = automation.create();
  instance->open(path);  // on failure the unique_ptr releases the instance without quit()
  return instance;
}

}  // namespace lomandra::sheet
