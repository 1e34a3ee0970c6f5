// The engine's locale rendering against the numfmt oracle: LocaleGolden.tsv holds generated cells
// (codes and built-in ids by values) in fourteen locales with the oracle's texts, made by
// locale_oracle.mjs. Every locale must agree on at least 99.5 % of its cells; the cells that
// differ are printed (sheet/numfmt/README.md gives the reasons). LOMANDRA_LOCALE_GOLDEN in the
// environment names a fresh table instead (scripts/locale-oracle).

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <charconv>
#include <cstdlib>
#include <map>

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {
namespace {

TEST(LocaleGolden, AgreesWithTheOracleInEveryLocale) {
  const char* fresh = std::getenv("LOMANDRA_LOCALE_GOLDEN");
  QFile file(QString::fromLocal8Bit(fresh && *fresh ? fresh : LOMANDRA_LOCALE_GOLDEN));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
  std::map<std::string, std::pair<int, int>> tally;  // agreeing cells, all cells
  std::map<std::string, Locale> locales;
  while (!file.atEnd()) {
    const QList<QByteArray> f = file.readLine().chopped(1).split('\t');
    if (f.size() != 5) continue;
    const std::string tag = f[0].toStdString();
    auto it = locales.find(tag);
    if (it == locales.end()) it = locales.emplace(tag, Locale::fromTag(tag)).first;
    const std::string code = f[1] == "id" ? builtinFormatCode(f[2].toInt(), it->second) : f[2].toStdString();
    double value = 0;
    std::from_chars(f[3].constData(), f[3].constData() + f[3].size(), value);
    std::string got = formatValue(value, code, false, it->second);
    // The oracle writes one '#' for a date out of range, the engine the application's run.
    if (got == std::string(kInvalidDateHashCount, '#')) got = "#";
    const std::string expected = QByteArray(f[4]).replace("\\t", "\t").replace("\\n", "\n").replace("\\\\", "\\").toStdString();
    auto& [agree, all] = tally[tag];
    ++all;
    if (got == expected) ++agree;
    else std::printf("%s %s [%s] %s: engine [%s] oracle [%s]\n", tag.c_str(), f[1].constData(), f[2].constData(),
                     f[3].constData(), got.c_str(), expected.c_str());
  }
  EXPECT_EQ(tally.size(), 14u);
  for (const auto& [tag, counts] : tally) {
    const double share = 100.0 * counts.first / counts.second;
    std::printf("%s: %d of %d cells agree (%.2f %%)\n", tag.c_str(), counts.first, counts.second, share);
    EXPECT_GE(share, 99.5) << tag;
  }
}

}  // namespace
}  // namespace lomandra::numfmt
