#pragma once

#include <string>
#include <string_view>

namespace lomandra::cli {

/// Appends `text` (UTF-8) to `out` as one JSON string literal: quotes and backslashes escaped,
/// control characters as \n, \t, ... or \u00XX, every other character as its UTF-8 bytes. Bytes
/// that are not valid UTF-8 become U+FFFD, so the output is always valid JSON.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace lomandra::cli
