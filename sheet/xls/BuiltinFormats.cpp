#include "sheet/xls/BuiltinFormats.h"

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::xls {

std::string_view builtinFormatCode(std::uint32_t id) {
  // The binary workbook shares the built-in ids 0-49 of the XML workbook; an en-US installation
  // shows the same codes for both, and General for every id it has no code of its own for.
  if (id < 50) {
    const std::string_view code = numfmt::builtinFormatCode(static_cast<int>(id));
    if (!code.empty()) return code;
  }
  return "General";
}

}  // namespace lomandra::xls
