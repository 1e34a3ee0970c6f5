// The rendering locale: where it comes from (tags, the environment, Windows' facts), what it is
// made of (checked against QLocale, the CLDR source they share) and what the parser keeps apart.

#include <gtest/gtest.h>

#include <QLocale>
#include <cstdlib>

#include "sheet/numfmt/Locale.h"
#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {
namespace {

QLocale qtLocale(const char* tag) { return QLocale(QString::fromLatin1(tag).replace(u'-', u'_')); }

TEST(Locale, EnUsGivesEveryBuiltinItsCodeOfOld) {
  for (int id = 0; id < 200; ++id) EXPECT_EQ(builtinFormatCode(id, Locale::enUS()), builtinFormatCode(id)) << id;
}

TEST(Locale, TagsAndWhatTheyName) {
  const std::pair<const char*, const char*> rows[] = {  // tag, the locale ("" en-US, "?" unknown)
      {"de_DE.UTF-8@euro", "de-DE"}, {"DE-de", "de-DE"}, {"de", "de-DE"},   {"ja_JP.eucJP", "ja-JP"},
      {"C", ""},                      {"POSIX", ""},      {"C.UTF-8", ""},  {"en_US.UTF-8", ""},
      {"fr_CA", "fr-CA"},             {"uk_UA.UTF-8", "uk-UA"}, {"xx-QQ", "?"}, {"klingon", "?"}};
  for (const auto& [tag, expected] : rows) {
    bool known = false;
    const Locale l = Locale::fromTag(tag, &known);
    EXPECT_EQ(known, *expected != '?') << tag;
    EXPECT_EQ(l.isEnUS() ? "" : l.tag(), *expected == '?' ? "" : expected) << tag;
  }
}

TEST(Locale, FactsAgreeWithQtWhereWindowsAndCldrAgree) {
  for (const char* tag : {"de-DE", "fr-FR", "es-ES", "it-IT", "pt-BR", "nl-NL", "pl-PL", "tr-TR", "uk-UA"}) {
    const Locale l = Locale::fromTag(tag);
    EXPECT_EQ(l.decimal(), qtLocale(tag).decimalPoint().toStdString()) << tag;
    EXPECT_EQ(l.group(), qtLocale(tag).groupSeparator().toStdString()) << tag;
    EXPECT_EQ(l.longDateCode(), codeOfDatePicture(qtLocale(tag).dateFormat(QLocale::LongFormat).toStdString()))
        << tag;
  }
  // A language without a table of its own takes QLocale's names, and its short date in full.
  const Locale ukrainian = Locale::fromTag("uk-UA");
  EXPECT_EQ(formatValue(46000, "mmmm", false, ukrainian), qtLocale("uk-UA").standaloneMonthName(12).toStdString());
  EXPECT_EQ(formatValue(46000, builtinFormatCode(14, ukrainian), false, ukrainian), "09.12.2025");
}

TEST(Locale, DatePicturesBecomeFormatCodes) {
  const std::pair<const char*, const char*> rows[] = {
      {"dddd, d. MMMM yyyy", "dddd, d. mmmm yyyy"}, {"HH:mm:ss", "hh:mm:ss"},
      {"tt h:mm:ss", "AM/PM h:mm:ss"},              {"d MMMM yyyy 'г.'", "d mmmm yyyy \"г.\""},
      {"yyyy'年'M'月'd'日'", "yyyy\"年\"m\"月\"d\"日\""}, {"'den 'd MMMM", "\"den \"d mmmm"},
      {"HH 'h' mm", "hh \"h\" mm"},                 {"dd/MM/yy gg", "dd/mm/yy "},
      {"''yy", "\"'\"yy"}};
  for (const auto& [picture, code] : rows) EXPECT_EQ(codeOfDatePicture(picture), code) << picture;
}

TEST(Locale, AWindowsLocaleWithItsOwnSeparators) {
  // Facts as GetLocaleInfoEx gives them for a Finnish installation: '.' separates the time.
  Locale::Facts f{"fi-FI", ",", "\xC2\xA0", "d.M.yyyy", "dddd d. MMMM yyyy", "H.mm.ss", "ap.", "ip.", "€", 3, 8, "."};
  const Locale fi = Locale::fromFacts(f);
  const std::pair<const char*, const char*> rows[] = {  // code on 46000.5, then what it shows
      {"h:mm", "12.00"},           {"[$-F800]", "tiistai 9. joulukuu 2025"}, {"d/m/yy", "9.12.25"},
      {"d\\/m", "9/12"},           {"\"d/m h:m\" 0.0", "d/m h:m 46000,5"},     {"0:00", "460:01"},
      {"h:mm:ss.00", "12.00.00,00"}, {"[$-409]mmmm", "December"}};
  for (const auto& [code, expected] : rows) EXPECT_EQ(formatValue(46000.5, code, false, fi), expected) << code;
  EXPECT_EQ(formatValue(46000, builtinFormatCode(14, fi), false, fi), "9.12.2025");
  EXPECT_EQ(formatValue(-1234567, builtinFormatCode(5, fi), false, fi), "-1\xC2\xA0" "234\xC2\xA0" "567 €");
}

TEST(Locale, EveryNegativeCurrencyPattern) {
  const char* const expected[] = {"($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
                                  "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
  for (int pattern = 0; pattern < 16; ++pattern) {
    const Locale l = Locale::fromFacts({"xx-test", ".", ",", "d/M/yyyy", "d MMMM yyyy", "H:mm:ss", "AM", "PM", "$", 0,
                                        pattern, "-"});
    EXPECT_EQ(formatValue(-1, builtinFormatCode(5, l), false, l), expected[pattern]) << pattern;
  }
}

TEST(Locale, TheEnvironmentChoosesEachPart) {
  struct Row {
    const char* variables[5];  // LC_ALL, LC_NUMERIC, LC_TIME, LC_MONETARY, LANG
    const char* expected;      // 1234.5 with #,##0.00, 46000 with id 14, -1 with id 5
  };
  const Row rows[] = {
      {{nullptr, nullptr, nullptr, nullptr, nullptr}, "1,234.50 12/9/2025 ($1)"},
      {{nullptr, nullptr, nullptr, nullptr, "de_DE.UTF-8"}, "1.234,50 09.12.2025 -1 €"},
      {{"C", "de_DE", "de_DE", "de_DE", "de_DE"}, "1,234.50 12/9/2025 ($1)"},
      {{nullptr, "de_DE", nullptr, nullptr, "C"}, "1.234,50 12/9/2025 ($1)"},
      {{nullptr, nullptr, "ja_JP", "en_GB", "fr_FR"}, "1\xE2\x80\xAF" "234,50 2025/12/09 -£1"},
  };
  const char* const names[] = {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY", "LANG"};
  for (const Row& row : rows) {
    for (int i = 0; i < 5; ++i) row.variables[i] ? setenv(names[i], row.variables[i], 1) : unsetenv(names[i]);
    const Locale l = Locale::fromSystem();
    EXPECT_EQ(formatValue(1234.5, "#,##0.00", false, l) + " " + formatValue(46000, builtinFormatCode(14, l), false, l) +
                  " " + formatValue(-1, builtinFormatCode(5, l), false, l),
              row.expected);
  }
  for (const char* name : names) unsetenv(name);
}

}  // namespace
}  // namespace lomandra::numfmt
