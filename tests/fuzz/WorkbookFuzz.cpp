// libFuzzer target: any bytes as a workbook file, opened by content through the built-in engine
// (every reader, the format sniffing and the sheet store) and read for a range on every sheet,
// as "Start Merging" reads 'Sheet'!$A$1:$Z$100.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lomandra;
  const std::string path = fuzz::writeInput(data, size, ".workbook");
  try {
    const auto book = engine::BuiltinWorkbook::open(path);
    const engine::Area area{0, 0, 99, 25};
    for (int i = 0; i < static_cast<int>(book->sheets().size()) && i < 4; ++i) {
      try {
        std::size_t cells = 0;
        book->sheet(i, area.lastRow).forEachText(area, [&](std::string_view text) {
          if (text.size() > 4 * 32767 + 64) std::abort();
          ++cells;
          return true;
        });
        if (cells != engine::cellCount(area)) std::abort();  // every cell of the range, once
      } catch (const Failure&) {
      }
    }
  } catch (const Failure&) {
  }
  return 0;
}
