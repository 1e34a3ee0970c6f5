// Writes a benchmark workbook: `rows` numbers down column A of one sheet (default 1,000,000),
// or down each of the first `columns` columns (default 1). With "mixed" the columns take turns:
// numbers, percentages, dates and texts, as a report would hold them. With "formulas", each row
// holds a number and after it `columns` formulas of a generated report (saved as 0, the values
// declared stale as libxlsxwriter declares them): arithmetic, ROUND, IF, a running total down
// the sheet, VLOOKUP and SUMIF into a 100-row table on a second sheet, text joins, in turn.
//   make_workbook OUT.xlsx [rows] [columns] [mixed|formulas]
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
  const bool mixed = argc > 4 && std::string(argv[4]) == "mixed";
  const bool formulas = argc > 4 && std::string(argv[4]) == "formulas";
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Numbers");
  lxw_format* percent = workbook_add_format(workbook);
  format_set_num_format(percent, "0.0%");
  lxw_format* date = workbook_add_format(workbook);
  format_set_num_format(date, "yyyy-mm-dd");
  static const char* const kWords[] = {"North", "South", "East", "West", "Central region",
                                       "Overseas", "Head office", "Warehouse 7"};
  if (formulas) {
    static const char* const kFormulas[] = {
        "=A%ld*2+1", "=ROUND(B%ld/3,2)", "=IF(C%ld>1000,\"big\",\"small\")", "=B%ld+E%ld",
        "=VLOOKUP(MOD(A%ld,100),Table!$A$1:$B$100,2,FALSE)", "=SUMIF(Table!$B$1:$B$100,\">\"&MOD(A%ld,50))",
        "=D%ld&\" \"&TEXT(A%ld,\"0.00\")", "=COUNTIF(Table!$A$1:$A$100,\"<\"&MOD(A%ld,100))"};
    constexpr long kKinds = sizeof kFormulas / sizeof *kFormulas;
    for (long r = 0; r < rows; ++r) {
      const auto row = static_cast<lxw_row_t>(r);
      worksheet_write_number(sheet, row, 0, static_cast<double>((r * 37) % 1000), nullptr);
      for (long c = 0; c < columns; ++c) {
        char text[160];
        // The running total (kind 3) reads the row above; the first row starts it.
        const long kind = c % kKinds;
        if (kind == 3 && r == 0)
          std::snprintf(text, sizeof text, "=B1");
        else
          std::snprintf(text, sizeof text, kFormulas[kind], r + 1, kind == 3 ? r : r + 1);
        worksheet_write_formula(sheet, row, static_cast<lxw_col_t>(c + 1), text, nullptr);
      }
    }
    lxw_worksheet* table = workbook_add_worksheet(workbook, "Table");
    for (long r = 0; r < 100; ++r) {
      worksheet_write_number(table, static_cast<lxw_row_t>(r), 0, static_cast<double>(r), nullptr);
      worksheet_write_number(table, static_cast<lxw_row_t>(r), 1, static_cast<double>(r * 3 % 70), nullptr);
    }
  }
  for (long r = 0; r < rows && !formulas; ++r) {
    for (long c = 0; c < columns; ++c) {
      const auto row = static_cast<lxw_row_t>(r);
      const auto column = static_cast<lxw_col_t>(c);
      const double value =
          static_cast<double>((r + 7919 * c) % 100000) * 1.25 + static_cast<double>(r + c) / 7.0;
      switch (mixed ? c % 4 : 0) {
        case 1: worksheet_write_number(sheet, row, column, value / 1000.0, percent); break;
        case 2: worksheet_write_number(sheet, row, column, 36526 + (r * 13 + c) % 9000, date); break;
        case 3: worksheet_write_string(sheet, row, column, kWords[(r + c) % 8], nullptr); break;
        default: worksheet_write_number(sheet, row, column, value, nullptr); break;
      }
    }
  }
  const lxw_error error = workbook_close(workbook);
  if (error != LXW_NO_ERROR) {
    std::fprintf(stderr, "cannot write %s: %s\n", argv[1], lxw_strerror(error));
    return 1;
  }
  return 0;
}
