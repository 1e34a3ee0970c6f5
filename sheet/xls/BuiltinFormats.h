#pragma once

#include <cstdint>
#include <string_view>

namespace lomandra::xls {

/// The format code an en-US installation shows for a built-in number format id of the binary
/// workbook (0-49); "General" for ids without a code of their own.
std::string_view builtinFormatCode(std::uint32_t id);

}  // namespace lomandra::xls
