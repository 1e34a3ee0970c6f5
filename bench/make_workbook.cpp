// Writes a benchmark workbook: `rows` numbers down column A of one sheet (default 1,000,000),
// or down each of the first `columns` columns (default 1).
//   make_workbook OUT.xlsx [rows] [columns]
// The numbers vary in magnitude and decimals so that General formatting does real work.

#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_workbook OUT.xlsx [rows] [columns]\n");
    return 2;
  }
  const long rows = argc > 2 ? std::atol(argv[2]) : 1000000L;
  if (rows < 1 || rows > 1048576L) {
    std::fprintf(stderr, "rows must be 1..1048576\n");
    return 2;
  }
  const long columns = argc > 3 ? std::atol(argv[3]) : 1L;
  if (columns < 1 || columns > 16384L) {
    std::fprintf(stderr, "columns must be 1..16384\n");
    return 2;
  }
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(argv[1], &options);
  if (!workbook) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Numbers");
  for (long r = 0; r < rows; ++r) {
    for (long c = 0; c < columns; ++c) {
      const double value =
          static_cast<double>((r + 7919 * c) % 100000) * 1.25 + static_cast<double>(r + c) / 7.0;
      worksheet_write_number(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), value, nullptr);
    }
  }
  const lxw_error error = workbook_close(workbook);
  if (error != LXW_NO_ERROR) {
    std::fprintf(stderr, "cannot write %s: %s\n", argv[1], lxw_strerror(error));
    return 1;
  }
  return 0;
}
