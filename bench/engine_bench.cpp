// Times the built-in engine on one workbook: open, then for each Range Reference resolve it,
// read its sheet as far as needed and format every cell of every area.
//   engine_bench WORKBOOK REFERENCE...
// Prints one line per reference: cells, non-empty cells, characters and milliseconds.

#include <chrono>
#include <cstdio>
#include <exception>

#include "sheet/engine/BuiltinWorkbook.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: engine_bench WORKBOOK REFERENCE...\n");
    return 2;
  }
  try {
    for (int i = 2; i < argc; ++i) {
      // Each reference opens the workbook afresh, as a merge run does.
      const auto start = Clock::now();
      auto book = lomandra::engine::BuiltinWorkbook::open(argv[1]);
      const auto resolved = book->resolve(argv[i]);
      const auto& sheet = book->sheet(resolved.sheet, lomandra::engine::boundsOf(resolved.areas));
      std::size_t cells = 0, filled = 0, characters = 0;
      for (const auto& area : resolved.areas) {
        sheet.forEachText(area, [&](std::string_view text) {
          ++cells;
          filled += !text.empty();
          characters += text.size();
          return true;
        });
      }
      std::printf("%-24s cells %9zu  non-empty %9zu  chars %10zu  %9.1f ms\n", argv[i], cells,
                  filled, characters, msSince(start));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
