// libFuzzer target: any bytes as a Range Reference. Parsing either gives areas within the sheet
// whose address reads back to the same areas, or fails with lomandra::Failure.
//   fuzz_reference -max_len=256 CORPUS_DIR

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const auto ref = lomandra::engine::parseReference(text);
    for (const auto& area : ref.areas) {
      if (area.firstRow > area.lastRow || area.firstColumn > area.lastColumn ||
          area.lastRow >= lomandra::model::kMaxRows || area.lastColumn >= lomandra::model::kMaxColumns)
        std::abort();
    }
    const auto again = lomandra::engine::parseReference(lomandra::engine::formatAddress(ref.areas));
    if (again.areas != ref.areas) std::abort();
  } catch (const lomandra::Failure&) {
  }
  return 0;
}
