// libFuzzer target for the .xls reader: opens the input as a workbook and reads every sheet.
// Built with clang only (see sheet/xls/CMakeLists.txt):  fuzz_xls -max_len=65536 CORPUS_DIR

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "sheet/Failure.h"
#include "sheet/xls/XlsWorkbook.h"

namespace {

class Sink : public lomandra::model::SheetVisitor {
 public:
  bool cell(std::uint32_t, std::uint32_t, const lomandra::model::CellRef& value) override {
    checksum += value.text.size() + value.format;
    return true;
  }
  std::size_t checksum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/fuzz_xls_" + std::to_string(::getpid()) + ".xls";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    auto book = lomandra::xls::openXls(path);
    Sink sink;
    for (std::size_t i = 0; i < book->sheets().size(); ++i) {
      book->readSheet(static_cast<int>(i), sink, i % 2 ? 10 : lomandra::model::kAllRows);
      for (std::uint32_t f = 0; f < 4; ++f) sink.checksum += book->formatCode(f).size();
    }
  } catch (const lomandra::Failure&) {
  }
  return 0;
}
