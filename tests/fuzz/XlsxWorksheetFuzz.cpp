// libFuzzer target: any bytes as a worksheet part, read by the worksheet reader with a small
// shared-string table, for all rows and for the first ten, with its usual cells read straight
// from the bytes and through the XML events: both must report the same cells and failure.

#include <cstddef>
#include <cstdint>
#include <string>
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
  using lomandra::xlsx::CellReading;
  for (const std::uint32_t lastRow : {lomandra::model::kAllRows, std::uint32_t{9}}) {
    // The cells read straight from the bytes must be the cells the XML events give.
    std::uint64_t digests[2] = {};
    std::string failures[2];
    for (const CellReading reading : {CellReading::Direct, CellReading::ThroughEvents}) {
      const auto k = static_cast<std::size_t>(reading);
      lomandra::xlsx::SharedStringTable strings(kStrings, limits.cellTextBytes, 16);
      lomandra::fuzz::CheckingVisitor visitor(1000);
      try {
        lomandra::xlsx::readWorksheetText(xml, "xl/worksheets/sheet1.xml", strings, size % 2 == 0,
                                          limits, visitor, lastRow, false, reading);
      } catch (const lomandra::Failure& failure) {
        failures[k] = failure.what();
      }
      digests[k] = visitor.digest;
    }
    if (digests[0] != digests[1] || failures[0] != failures[1]) std::abort();
  }
  return 0;
}
