#pragma once

// Text as .xls files store it: UTF-16LE, "compressed" UTF-16 (one byte per character, the high
// byte zero) and, before BIFF8, 8-bit text in the workbook's code page.

#include <cstdint>
#include <string>
#include <string_view>

namespace lomandra::xls {

/// Appends one UTF-16 code unit sequence (little-endian bytes) as UTF-8; unpaired surrogates
/// become U+FFFD.
void appendUtf16Le(std::string& out, std::string_view bytes);

/// Appends bytes that each stand for the code point of the same value (compressed UTF-16).
void appendLatin1(std::string& out, std::string_view bytes);

/// Decodes 8-bit text written in the Windows code page `codePage` (a CODEPAGE record's value:
/// 1252, 1251, 10000 for Mac Roman, 932, ...). Unknown code pages decode as Windows-1252.
std::string decodeCodePage(std::string_view bytes, std::uint16_t codePage);

}  // namespace lomandra::xls
