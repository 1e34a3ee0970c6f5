// libFuzzer target: the workbook part and its relationships, fed straight to their parsers. The
// input is the workbook XML, a NUL byte, then the relationships XML (and the content types
// parser reads the first half too); target resolution is checked to stay inside the package.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/xlsx/PackageParts.h"
#include "sheet/xlsx/WorkbookPart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view workbook = input.substr(0, nul);
  const std::string_view rels = nul == std::string_view::npos ? input : input.substr(nul + 1);
  try {
    (void)lomandra::xlsx::readWorkbookPart([&](lomandra::container::XmlHandler& h) {
      lomandra::container::parseXmlText(workbook, "xl/workbook.xml", h);
    });
  } catch (const lomandra::Failure&) {
  }
  try {
    for (const auto& r : lomandra::xlsx::parseRelationships("xl/workbook.xml", rels))
      if (!r.external && (r.target.starts_with('/') || r.target.find("..") != std::string::npos))
        std::abort();  // a resolved part name never climbs out of the package
  } catch (const lomandra::Failure&) {
  }
  try {
    (void)lomandra::xlsx::parseContentTypes(workbook);
  } catch (const lomandra::Failure&) {
  }
  return 0;
}
