// libFuzzer target: any bytes as a styles part, read straight, and the number format code of
// the first cell formats looked up.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/xlsx/StylesPart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  try {
    const auto formats = lomandra::xlsx::readStylesPart([&](lomandra::container::XmlHandler& h) {
      lomandra::container::parseXmlText(xml, "xl/styles.xml", h);
    });
    for (std::uint32_t f = 0; f < 8; ++f) (void)formats.code(f);
    (void)formats.code(0xFFFFFFFFu);
  } catch (const lomandra::Failure&) {
  }
  return 0;
}
