#pragma once

// Streams one worksheet part to a SheetVisitor: column layout, hidden rows and every cell kind.

#include <cstdint>
#include <string>
#include <string_view>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::container {
class ZipArchive;
}

namespace lomandra::xlsx {

class SharedStringTable;
struct XlsxLimits;

/// Reads worksheet part `part` into `visitor` through row `lastRow` (0-based), in whatever order
/// the part holds its rows: the read ends a little past `lastRow` when the rows come in order,
/// and reads the whole part when they do not. Cells outside the sheet's limits are left out. Throws lomandra::Failure when the part is
/// damaged or a cell names a shared text the workbook does not hold.
/// A formula cell carries its formula when the part holds no value for it, or when
/// `valuesStale` (the workbook declares every saved value stale).
void readWorksheet(const container::ZipArchive& zip, const std::string& part,
                   SharedStringTable& strings, bool date1904, const XlsxLimits& limits,
                   model::SheetVisitor& visitor, std::uint32_t lastRow, bool valuesStale = false);

/// How the usual cells (a value or an inline text, no formula) are read: straight from the
/// part's bytes, or through the XML events like every other element. Both give the same cells;
/// the events, as every reader of the part, are kept selectable so the two can be compared.
enum class CellReading { Direct, ThroughEvents };

/// Reads a worksheet part's XML held in memory, named `part` in descriptions, like readWorksheet.
void readWorksheetText(std::string_view xml, const std::string& part, SharedStringTable& strings,
                       bool date1904, const XlsxLimits& limits, model::SheetVisitor& visitor,
                       std::uint32_t lastRow, bool valuesStale = false,
                       CellReading reading = CellReading::Direct);

}  // namespace lomandra::xlsx
