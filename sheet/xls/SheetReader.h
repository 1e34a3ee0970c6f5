#pragma once

// Reads the records of one sheet of an .xls workbook stream and hands its layout and cells to a
// visitor, rows ascending and cells left to right.

#include <cstdint>
#include <string_view>

#include "sheet/model/WorkbookFile.h"
#include "sheet/xls/WorkbookGlobals.h"

namespace lomandra::xls {

/// Reads sheet `index` of `stream` through row `lastRow`. Throws lomandra::Failure when the
/// sheet's records are damaged.
void readXlsSheet(const WorkbookGlobals& globals, std::string_view stream, int index,
                  model::SheetVisitor& visitor, std::uint32_t lastRow);

}  // namespace lomandra::xls
