#include "sheet/xlsx/BuiltinFormats.h"

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::xlsx {

std::string builtinFormat(int id) {
  const std::string_view code = numfmt::builtinFormatCode(id);
  return code.empty() ? std::string("General") : std::string(code);
}

}  // namespace lomandra::xlsx
