// libFuzzer target: any bytes as an .xlsx package, opened and every sheet read under tight
// limits. Build with clang (see tests/sheet/xlsx/CMakeLists.txt); run:
//   fuzz_xlsx -max_len=65536 -rss_limit_mb=1024 CORPUS_DIR

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "sheet/Failure.h"
#include "sheet/xlsx/XlsxWorkbook.h"

namespace {

class Sink : public lomandra::model::SheetVisitor {
 public:
  std::size_t bytes = 0;
  bool cell(std::uint32_t, std::uint32_t, const lomandra::model::CellRef& value) override {
    bytes += value.text.size();
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The reader opens files by path, so each input goes through a private file.
  static const std::string path = "/tmp/lomandra-fuzz-" + std::to_string(getpid()) + ".xlsx";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  lomandra::xlsx::XlsxLimits limits;
  limits.workbookPartBytes = 4u << 20;
  limits.sharedStringBytes = 16u << 20;
  limits.sheetPartBytes = 64u << 20;
  try {
    auto book = lomandra::xlsx::openXlsx(path, limits);
    for (int i = 0; i < static_cast<int>(book->sheets().size()) && i < 8; ++i) {
      Sink sink;
      try {
        book->readSheet(i, sink);
      } catch (const lomandra::Failure&) {
      }
      for (std::uint32_t f = 0; f < 4; ++f) (void)book->formatCode(f);
    }
  } catch (const lomandra::Failure&) {
  }
  return 0;
}
