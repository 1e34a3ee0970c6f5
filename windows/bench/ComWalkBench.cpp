// The merge run's walk through the automation core against the fake spreadsheet application
// with a delay per call (about what the real application costs a local call): round trips per
// non-empty and per empty cell, and the time.
//   ComWalkBench.exe <rows> <columns> <fast|each> <latency µs>
// A sheet of rows x columns cells, half empty, a quarter General numbers, a quarter texts, is
// walked whole; then a range of the same size inside the used range with every cell empty; then
// a whole column. "fast" is the merge run's walk, "each" asks every cell through the range's
// enumerator (the way every cell was read before).

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FakeServer.h"
#include "FakeWorkbook.h"
#include "sheet/com/CellAreas.h"
#include "sheet/com/ComAutomation.h"

namespace {

using namespace lomandra::com;

// The mixed sheet, and the same size again, empty, between two filled corners (inside the used
// range).
std::string workbook(long rows, long columns) {
  std::string book = fake_test::mixedSheet(rows, columns);
  char line[160];
  std::snprintf(line, sizeof line, "sheet\tSparse\ngrid\t1\t1\t1\n[\"corner\"]\ngrid\t%ld\t%ld\t1\n[\"corner\"]\n", rows + 2,
                columns + 1);
  return book + line;
}

struct Result {
  long cells = 0, filled = 0;
  fake_test::Counters counted;
  double seconds = 0;
};

Result walk(ComApplication& app, const std::wstring& reference, bool fast) {
  fake_test::configure(app, L"latency=" + std::to_wstring(std::atol(std::getenv("BENCH_LATENCY") ? std::getenv("BENCH_LATENCY") : "200")) + L";reset");
  const auto start = std::chrono::steady_clock::now();
  ComRange range = app.resolve(reference);
  const std::unique_ptr<ComCellWalk> cells = fast ? range.walk() : range.walkEachCell();
  Result result;
  while (cells->next()) {
    ++result.cells;
    if (!cells->text().empty()) ++result.filled;
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.counted = fake_test::counters(app);
  return result;
}

void print(const char* what, const Result& r) {
  const long empty = r.cells - r.filled;
  std::printf("%s: %ld cells (%ld non-empty, %ld empty): %ld round trips (%ld GetIDsOfNames, %ld Invoke, %ld "
              "enumerator), %ld objects released, %.1f s\n",
              what, r.cells, r.filled, empty, r.counted.roundTrips(), r.counted.ids, r.counted.invokes,
              r.counted.enumCalls, r.counted.released, r.seconds);
  if (r.filled > 0)
    std::printf("  %.3f round trips per non-empty cell (every call counted against the non-empty cells)\n",
                static_cast<double>(r.counted.roundTrips()) / static_cast<double>(r.filled));
  if (empty > 0 && r.filled * 10 < r.cells)
    std::printf("  %.5f round trips per empty cell\n", static_cast<double>(r.counted.roundTrips()) / static_cast<double>(empty));
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000;
  const long columns = argc > 2 ? std::atol(argv[2]) : 100;
  const bool fast = argc <= 3 || std::string(argv[3]) != "each";
  const std::wstring path = fake_test::writeTempFile(workbook(rows, columns));
  ComApplication app = createApplication();
  app.open(path);
  const std::wstring corner = areaAddress({rows, columns, rows, columns}).substr(0);
  std::printf("walk: %s, latency %s µs per call\n", fast ? "fast" : "each cell",
              std::getenv("BENCH_LATENCY") ? std::getenv("BENCH_LATENCY") : "200");
  print("mixed", walk(app, L"'Big'!$A$1:" + corner, fast));
  print("empty", walk(app, L"'Sparse'!" + areaAddress({2, 1, rows + 1, columns}), fast));
  if (fast) print("whole column", walk(app, L"'Big'!$C:$C", fast));
  app.quit();
  return 0;
}
