// Times the number-format engine: a million values rendered with date formats (one with a
// locale tag), "#,##0.00", a fraction and General, once through a compiled NumberFormat and once through the cached formatValue.
//   build/bin/numfmt_bench [count]

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "sheet/numfmt/NumberFormat.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

/// CPU time of this thread: on a machine shared with other work the wall time overstates.
double threadCpuMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
  // An optional locale tag (de-DE): the rendering locale of every text; en-US without one.
  const lomandra::numfmt::Locale locale = lomandra::numfmt::Locale::fromTag(argc > 2 ? argv[2] : "");
  std::printf("locale %s\n", locale.tag().c_str());
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> dates(1.0, 60000.0);
  std::uniform_real_distribution<double> amounts(-1e7, 1e7);
  std::vector<double> dateValues(count);
  std::vector<double> amountValues(count);
  for (std::size_t i = 0; i < count; ++i) {
    dateValues[i] = dates(rng);
    amountValues[i] = amounts(rng);
  }
  struct Case {
    const char* name;
    const char* code;
    const std::vector<double>* values;
  };
  const Case cases[] = {
      {"date yyyy-mm-dd hh:mm:ss", "yyyy-mm-dd hh:mm:ss", &dateValues},
      {"date m/d/yy", "m/d/yy", &dateValues},
      {"#,##0.00", "#,##0.00", &amountValues},
      {"General", "General", &amountValues},
      {"# \?\?/\?\?", "# \?\?/\?\?", &amountValues},
      {"[$-407]dddd, d. mmmm yyyy", "[$-407]dddd, d. mmmm yyyy", &dateValues},
  };
  std::size_t checksum = 0;
  std::printf("%-26s %9s %22s %22s\n", "format", "values", "compiled: wall/cpu ms", "formatValue: wall/cpu ms");
  for (const Case& c : cases) {
    const auto format = lomandra::numfmt::NumberFormat::compile(c.code);
    auto start = Clock::now();
    double cpu = threadCpuMilliseconds();
    for (double v : *c.values) checksum += format->formatNumber(v, false, locale).size();
    const double compiledMs = millisecondsSince(start);
    const double compiledCpu = threadCpuMilliseconds() - cpu;
    start = Clock::now();
    cpu = threadCpuMilliseconds();
    for (double v : *c.values) checksum += lomandra::numfmt::formatValue(v, c.code, false, locale).size();
    const double cachedMs = millisecondsSince(start);
    const double cachedCpu = threadCpuMilliseconds() - cpu;
    std::printf("%-26s %9zu %13.1f / %6.1f %15.1f / %6.1f\n", c.name, c.values->size(), compiledMs, compiledCpu, cachedMs,
                cachedCpu);
  }
  std::printf("(checksum %zu)\n", checksum);
  return 0;
}
