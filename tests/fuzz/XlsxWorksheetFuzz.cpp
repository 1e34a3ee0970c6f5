// libFuzzer target: any bytes as a worksheet part, read straight by the worksheet reader with a
// small shared-string table, for all rows and for the first ten.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sheet/Failure.h"
#include "sheet/xlsx/SharedStringTable.h"
#include "sheet/xlsx/WorksheetReader.h"
#include "sheet/xlsx/XlsxWorkbook.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {
constexpr std::string_view kStrings =
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<si><t>one</t></si><si><r><t>t</t></r><r><t>wo</t></r></si><si><t>_x0033_</t></si></sst>";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  lomandra::xlsx::XlsxLimits limits;
  for (const std::uint32_t lastRow : {lomandra::model::kAllRows, std::uint32_t{9}}) {
    lomandra::xlsx::SharedStringTable strings(kStrings, limits.cellTextBytes, 16);
    lomandra::fuzz::CheckingVisitor visitor;
    try {
      lomandra::xlsx::readWorksheetText(xml, "xl/worksheets/sheet1.xml", strings, size % 2 == 0,
                                        limits, visitor, lastRow);
    } catch (const lomandra::Failure&) {
    }
  }
  return 0;
}
