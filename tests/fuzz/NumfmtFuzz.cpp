// libFuzzer target: compiles arbitrary bytes as a format code and renders a few values and a
// text with it. Built only with clang (-fsanitize=fuzzer); not part of the test run.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "sheet/numfmt/NumberFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  double value = 12345.678;
  if (size >= sizeof(double)) {
    std::memcpy(&value, data, sizeof(double));
    data += sizeof(double);
    size -= sizeof(double);
  }
  const std::string_view code(reinterpret_cast<const char*>(data), size);
  const auto f = lomandra::numfmt::NumberFormat::compile(code);
  for (double v : {value, -value, 0.0, 45000.5}) {
    for (bool d1904 : {false, true}) {
      if (f->formatNumber(v, d1904).size() > lomandra::numfmt::kMaxDisplayedLength) __builtin_trap();
    }
  }
  (void)f->formatText(code);
  (void)f->isDateTime();
  return 0;
}
