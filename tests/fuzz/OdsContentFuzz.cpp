// libFuzzer target: arbitrary bytes as a flat document or content part, through the table
// scanner, the sheet-list handler and the sheet handler. Failures are expected; crashes and
// unbounded work are not.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/ods/OdsContentReader.h"
#include "sheet/ods/OdsTableScanner.h"
#include "sheet/ods/OdsWorkbook.h"

namespace {
class CountingVisitor : public lomandra::model::SheetVisitor {
 public:
  bool cell(std::uint32_t, std::uint32_t, const lomandra::model::CellRef&) override {
    return ++cells < 100000;
  }
  std::size_t cells = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  (void)lomandra::ods::looksLikeFlatOds(xml);
  {
    lomandra::ods::OdsTableScanner scanner("table");
    for (std::size_t i = 0, step = 1; i < xml.size(); i += step++)
      if (!scanner.feed(xml.substr(i, step))) break;
  }
  try {
    lomandra::ods::OdsIndexHandler index;
    lomandra::container::parseXmlText(xml, "content.xml", index);
  } catch (const lomandra::Failure&) {
  }
  try {
    CountingVisitor visitor;
    lomandra::ods::OdsSheetHandler sheet(0, "Sheet1", visitor, 5000);
    lomandra::container::parseXmlText(xml, "content.xml", sheet);
  } catch (const lomandra::Failure&) {
  }
  return 0;
}
