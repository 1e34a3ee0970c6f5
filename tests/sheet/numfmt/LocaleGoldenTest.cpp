// The engine's locale rendering against the numfmt oracle: LocaleGolden.tsv holds generated cells
// (codes and built-in ids by values) in fourteen locales with the oracle's texts, made by
// locale_oracle.mjs (which also says how to make it again). Every locale must agree on at least
// 99.5 % of its cells; the cells that differ are printed with the reason looked up in
// sheet/numfmt/README.md.

#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {
namespace {

struct GoldenCell {
  std::string locale, kind, what, value, expected;
};

std::string unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
  }
  return out;
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

/// The committed table, or the one the environment names (scripts/locale-oracle makes a fresh one).
std::string goldenPath() {
  const char* fresh = std::getenv("LOMANDRA_LOCALE_GOLDEN");
  return fresh && *fresh ? std::string(fresh) : std::string(LOMANDRA_LOCALE_GOLDEN);
}

std::vector<GoldenCell> readGolden() {
  std::ifstream in(goldenPath());
  std::vector<GoldenCell> cells;
  for (std::string line; std::getline(in, line);) {
    auto f = split(line);
    if (f.size() != 5) continue;
    cells.push_back({f[0], f[1], f[2], f[3], unescape(f[4])});
  }
  return cells;
}

std::string render(const GoldenCell& cell, const Locale& locale) {
  double value = 0;
  std::from_chars(cell.value.data(), cell.value.data() + cell.value.size(), value);
  std::string code = cell.what;
  if (cell.kind == "id") code = builtinFormatCode(std::stoi(cell.what), locale);
  std::string out = formatValue(value, code, false, locale);
  // The oracle writes one '#' where a date is out of range; the engine the application's run.
  if (out == std::string(kInvalidDateHashCount, '#')) out = "#";
  return out;
}

TEST(LocaleGolden, AgreesWithTheOracleInEveryLocale) {
  const std::vector<GoldenCell> cells = readGolden();
  ASSERT_GT(cells.size(), 10000u) << "the golden table " << goldenPath() << " is missing";
  std::map<std::string, std::pair<int, int>> tally;  // agreeing, all
  std::map<std::string, Locale> locales;
  for (const GoldenCell& cell : cells) {
    auto it = locales.find(cell.locale);
    if (it == locales.end()) it = locales.emplace(cell.locale, Locale::fromTag(cell.locale)).first;
    const std::string got = render(cell, it->second);
    auto& [agree, all] = tally[cell.locale];
    ++all;
    if (got == cell.expected) {
      ++agree;
    } else {
      std::printf("%s %s [%s] %s: engine [%s] oracle [%s]\n", cell.locale.c_str(), cell.kind.c_str(),
                  cell.what.c_str(), cell.value.c_str(), got.c_str(), cell.expected.c_str());
    }
  }
  EXPECT_EQ(tally.size(), 14u);
  for (const auto& [locale, counts] : tally) {
    const double share = 100.0 * counts.first / counts.second;
    std::printf("%s: %d of %d cells agree (%.2f %%)\n", locale.c_str(), counts.first, counts.second, share);
    EXPECT_GE(share, 99.5) << locale;
  }
}

}  // namespace
}  // namespace lomandra::numfmt
