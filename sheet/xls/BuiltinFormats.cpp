#include "sheet/xls/BuiltinFormats.h"

#include <array>

namespace lomandra::xls {

std::string_view builtinFormatCode(std::uint32_t id) {
  // Ids 23-36 are kept for East Asian installations; an en-US installation shows them as
  // General, like every id it does not know.
  static constexpr std::array<std::string_view, 50> kCodes = {
      "General",
      "0",
      "0.00",
      "#,##0",
      "#,##0.00",
      "\"$\"#,##0_);\\(\"$\"#,##0\\)",
      "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)",
      "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)",
      "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)",
      "0%",
      "0.00%",
      "0.00E+00",
      "# ?/?",
      "# ?\?/??",
      "m/d/yyyy",
      "d-mmm-yy",
      "d-mmm",
      "mmm-yy",
      "h:mm AM/PM",
      "h:mm:ss AM/PM",
      "h:mm",
      "h:mm:ss",
      "m/d/yyyy h:mm",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "General",
      "#,##0_);(#,##0)",
      "#,##0_);[Red](#,##0)",
      "#,##0.00_);(#,##0.00)",
      "#,##0.00_);[Red](#,##0.00)",
      "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)",
      "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)",
      "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)",
      "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)",
      "mm:ss",
      "[h]:mm:ss",
      "mm:ss.0",
      "##0.0E+0",
      "@",
  };
  return id < kCodes.size() ? kCodes[id] : kCodes[0];
}

}  // namespace lomandra::xls
