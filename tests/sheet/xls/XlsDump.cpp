// xls_dump: prints what the .xls reader finds in a workbook (sheets, then every cell's raw value
// and format code, tab-separated), for comparing the reader with other tools by hand.

#include <cstdio>
#include <iostream>

#include "sheet/Failure.h"
#include "sheet/xls/XlsWorkbook.h"

namespace {

class Printer : public lomandra::model::SheetVisitor {
 public:
  explicit Printer(const lomandra::model::WorkbookFile& file) : file_(file) {}
  bool cell(std::uint32_t row, std::uint32_t column,
            const lomandra::model::CellRef& value) override {
    static const char* const kinds[] = {"empty", "number", "text", "boolean", "error"};
    std::printf("%u\t%u\t%s\t%.17g\t%.*s\t%s\n", row, column, kinds[static_cast<int>(value.kind)],
                value.number, static_cast<int>(value.text.size()), value.text.data(),
                file_.formatCode(value.format).c_str());
    return true;
  }
  void columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) override {
    std::printf("#columns\t%u\t%u\t%g\t%d\n", first, last, width, hidden);
  }
  void hiddenRow(std::uint32_t row) override { std::printf("#hidden-row\t%u\n", row); }
  void defaultColumnWidth(double width) override { std::printf("#default-width\t%g\n", width); }

 private:
  const lomandra::model::WorkbookFile& file_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: xls_dump WORKBOOK.xls\n";
    return 1;
  }
  try {
    auto file = lomandra::xls::openXls(argv[1]);
    std::printf("#active\t%d\n#date1904\t%d\n", file->activeSheet(), file->date1904());
    for (std::size_t i = 0; i < file->sheets().size(); ++i) {
      std::printf("#sheet\t%zu\t%s\t%s\n", i, file->sheets()[i].name.c_str(),
                  file->sheets()[i].visible ? "visible" : "hidden");
      Printer printer(*file);
      file->readSheet(static_cast<int>(i), printer);
    }
  } catch (const lomandra::Failure& failure) {
    std::cerr << failure.what() << "\n";
    return 2;
  }
  return 0;
}
