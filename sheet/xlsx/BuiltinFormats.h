#pragma once

#include <string>

namespace lomandra::xlsx {

/// The format code an en-US installation shows for built-in number format `id` ("General" for
/// ids it does not define).
std::string builtinFormat(int id);

}  // namespace lomandra::xlsx
