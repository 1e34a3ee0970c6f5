#include "cli/JsonText.h"

#include <cstdint>

namespace lomandra::cli {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence starting at `at`, or 0 when the bytes there are not
// one (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t validSequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  return length;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  std::size_t at = 0;
  while (at < text.size()) {
    // A run of characters that stand as they are, appended at once.
    std::size_t plain = at;
    while (plain < text.size()) {
      const auto b = static_cast<std::uint8_t>(text[plain]);
      if (b < 0x20 || b >= 0x7F || b == '"' || b == '\\') break;
      ++plain;
    }
    if (plain > at) {
      out.append(text.substr(at, plain - at));
      at = plain;
      if (at == text.size()) break;
    }
    const auto c = static_cast<std::uint8_t>(text[at]);
    if (c >= 0x80) {
      const std::size_t length = validSequenceLength(text, at);
      if (length == 0) {
        out += kReplacement;
        ++at;
      } else {
        out.append(text.substr(at, length));
        at += length;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++at;
  }
  out += '"';
}

}  // namespace lomandra::cli
