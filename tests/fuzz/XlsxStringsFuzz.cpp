// libFuzzer target: any bytes as a shared-strings part, read straight by the shared-string
// table, first only as far as a few strings and then to the end.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sheet/Failure.h"
#include "sheet/xlsx/SharedStringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  constexpr std::size_t kMaxBytes = 1000;
  lomandra::xlsx::SharedStringTable strings(xml, kMaxBytes, 1u << 16);
  try {
    for (const std::size_t index : {std::size_t{2}, std::size_t{0}, std::size_t{5000}, std::size_t{70000}})
      if (strings.at(index).size() > kMaxBytes) std::abort();
  } catch (const lomandra::Failure&) {
  }
  return 0;
}
