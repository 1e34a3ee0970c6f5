// libFuzzer target: encoding detection, decoding in uneven chunks, separator detection and
// parsing of arbitrary bytes must neither crash nor grow without bound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sheet/csv/CsvParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lomandra::csv;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const TextEncoding encoding = detectEncoding(bytes);
  TextDecoder decoder(encoding);
  std::string text;
  // Chunks of 1, 2, 3, ... bytes put character boundaries everywhere.
  std::size_t offset = byteOrderMarkLength(encoding), step = 1;
  while (offset < bytes.size()) {
    const std::size_t n = std::min(step++, bytes.size() - offset);
    decoder.decode(bytes.substr(offset, n), offset + n == bytes.size(), text);
    offset += n;
  }
  const char separator = detectSeparator(text, true, size % 2 == 0);
  CsvParser parser(separator, 1000, 64, [](std::uint32_t, std::uint32_t, std::string_view field) {
    return field.size() <= 4 * CsvParser::kMaxFieldCharacters;
  });
  parser.feed(text);
  parser.finish();
  return 0;
}
