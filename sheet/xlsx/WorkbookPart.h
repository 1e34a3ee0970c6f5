#pragma once

// The workbook part (xl/workbook.xml): the sheets in order, the active tab and the date system.

#include <functional>
#include <string>
#include <vector>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::container {
class XmlHandler;
}

namespace lomandra::xlsx {

/// Runs an XML parse of one part through the handler it is given (from the package or memory).
using PartParser = std::function<void(container::XmlHandler&)>;

/// One sheet the workbook part lists.
struct WorkbookSheet {
  model::SheetInfo info;
  std::string relationshipId;  ///< r:id, naming the sheet's part in the relationships
};

/// What the workbook part says.
struct WorkbookDescription {
  std::vector<WorkbookSheet> sheets;
  int activeTab = 0;
  bool date1904 = false;
  bool fullCalcOnLoad = false;  ///< the writer declares every saved formula value stale
  std::vector<model::DefinedName> names;
};

/// Reads the workbook part through `parse`. Throws lomandra::Failure when it is damaged.
WorkbookDescription readWorkbookPart(const PartParser& parse);

}  // namespace lomandra::xlsx
