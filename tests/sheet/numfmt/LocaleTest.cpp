// The rendering locale: where it comes from (tags, the environment), the facts it is made of
// (checked against QLocale, the CLDR source they share), and what it changes in a text.

#include <gtest/gtest.h>

#include <QLocale>
#include <cstdlib>
#include <string>

#include "sheet/numfmt/Locale.h"
#include "sheet/numfmt/LocaleNames.h"
#include "sheet/numfmt/NumberFormat.h"
#include "sheet/numfmt/WrittenNumber.h"

namespace lomandra::numfmt {
namespace {

const char* const kOracleLocales[] = {"de-DE", "fr-FR", "es-ES", "it-IT", "pt-BR", "nl-NL", "pl-PL",
                                      "ru-RU", "sv-SE", "tr-TR", "ja-JP", "zh-CN", "ko-KR", "en-GB"};

TEST(Locale, EnUsIsTodaysRenderingForEveryBuiltinId) {
  const Locale& us = Locale::enUS();
  EXPECT_TRUE(us.isEnUS());
  for (int id = 0; id < 200; ++id) EXPECT_EQ(builtinFormatCode(id, us), builtinFormatCode(id)) << id;
  EXPECT_EQ(us.decimal(), ".");
  EXPECT_EQ(us.group(), ",");
  EXPECT_EQ(us.dateSeparator(), "/");
  EXPECT_EQ(us.timeSeparator(), ":");
  EXPECT_EQ(&us.names(), &englishNames());
  EXPECT_EQ(formatValue(45000.5, "[$-F800]dddd", false, us), "Wednesday, March 15, 2023");
  EXPECT_EQ(formatValue(45000.5, "[$-F400]", false, us), "12:00:00 PM");
}

TEST(Locale, TagsAndWhatTheyName) {
  struct Row {
    const char* tag;
    const char* expected;  // the locale's tag; "" for en-US
    bool known;
  };
  const Row rows[] = {
      {"de-DE", "de-DE", true}, {"de_DE.UTF-8", "de-DE", true}, {"de_DE.UTF-8@euro", "de-DE", true},
      {"DE-de", "de-DE", true}, {"de", "de-DE", true},           {"ja_JP.eucJP", "ja-JP", true},
      {"C", "", true},          {"POSIX", "", true},             {"C.UTF-8", "", true},
      {"", "", true},           {"en_US.UTF-8", "", true},       {"en", "", true},
      {"fr_CA", "fr-CA", true}, {"uk_UA.UTF-8", "uk-UA", true},  {"xx-QQ", "", false},
      {"klingon", "", false},
  };
  for (const Row& row : rows) {
    bool known = false;
    const Locale l = Locale::fromTag(row.tag, &known);
    EXPECT_EQ(known, row.known) << row.tag;
    if (*row.expected == 0) EXPECT_TRUE(l.isEnUS()) << row.tag;
    else EXPECT_EQ(l.tag(), row.expected) << row.tag;
  }
}

TEST(Locale, SeparatorsAndNamesAreQtsWhereTheTableHasNone) {
  // The oracle's locales and two it does not hold: separators always QLocale's (CLDR), the
  // names the language tables' (themselves checked against QLocale) or QLocale's own.
  for (const char* tag : {"de-DE", "fr-FR", "pl-PL", "ru-RU", "sv-SE", "ja-JP", "fr-CA", "uk-UA"}) {
    const Locale l = Locale::fromTag(tag);
    const QLocale q(QString::fromLatin1(tag).replace(u'-', u'_'));
    EXPECT_EQ(l.decimal(), q.decimalPoint().toStdString()) << tag;
    EXPECT_EQ(l.group(), q.groupSeparator().toStdString()) << tag;
  }
  const Locale ukrainian = Locale::fromTag("uk-UA");
  EXPECT_EQ(std::string(ukrainian.names().monthsFull[2]),
            QLocale(QStringLiteral("uk_UA")).standaloneMonthName(3).toStdString());
  EXPECT_EQ(formatValue(46000, "dd/mm/yyyy", false, ukrainian), "09.12.2025");
}

TEST(Locale, LongDatesAgreeWithQtWhereWindowsAndCldrAgree) {
  // For these locales Windows' long date is CLDR's: the table's picture must be QLocale's.
  for (const char* tag : {"de-DE", "fr-FR", "es-ES", "it-IT", "pt-BR", "nl-NL", "pl-PL", "tr-TR"}) {
    const Locale l = Locale::fromTag(tag);
    const QLocale q(QString::fromLatin1(tag).replace(u'-', u'_'));
    EXPECT_EQ(l.longDateCode(), codeOfDatePicture(q.dateFormat(QLocale::LongFormat).toStdString())) << tag;
  }
}

TEST(Locale, DatePicturesBecomeFormatCodes) {
  struct Row {
    const char* picture;
    const char* code;
  };
  const Row rows[] = {
      {"dd.MM.yyyy", "dd.mm.yyyy"},
      {"dddd, d. MMMM yyyy", "dddd, d. mmmm yyyy"},
      {"dddd, d' de 'MMMM' de 'yyyy", "dddd, d\" de \"mmmm\" de \"yyyy"},
      {"HH:mm:ss", "hh:mm:ss"},
      {"h:mm:ss tt", "h:mm:ss AM/PM"},
      {"tt h:mm", "AM/PM h:mm"},
      {"d MMMM yyyy 'г.'", "d mmmm yyyy \"г.\""},
      {"yyyy'年'M'月'd'日'", "yyyy\"年\"m\"月\"d\"日\""},
      {"M/d/yy", "m/d/yy"},
      {"'den 'd MMMM yyyy", "\"den \"d mmmm yyyy"},
      {"d 'of' MMMM, yyyy", "d \"of\" mmmm, yyyy"},
      {"HH 'h' mm", "hh \"h\" mm"},
      {"dd/MM/yyyy gg", "dd/mm/yyyy "},
      {"''yy", "\"'\"yy"},
  };
  for (const Row& row : rows) EXPECT_EQ(codeOfDatePicture(row.picture), row.code) << row.picture;
}

TEST(Locale, WhatAGermanInstallationShows) {
  const Locale de = Locale::fromTag("de-DE");
  struct Row {
    const char* code;
    int id;  // a built-in id instead of the code, or -1
    double value;
    const char* expected;
  };
  // 46000 is Tuesday, 9 December 2025.
  const Row rows[] = {
      {"#,##0.00", -1, 1234567.891, "1.234.567,89"},
      {"General", -1, 1234.5, "1234,5"},
      {"General", -1, 1.23456789e-12, "1,23457E-12"},
      {nullptr, 14, 46000, "09.12.2025"},
      {nullptr, 22, 46000.5, "09.12.2025 12:00"},
      {nullptr, 17, 46000, "Dez 25"},
      {nullptr, 20, 0.3, "07:12"},
      {"mmmm", -1, 46000, "Dezember"},
      {"[$-407]mmmm", -1, 46000, "Dezember"},
      {"[$-409]mmmm", -1, 46000, "December"},
      {nullptr, 5, -1234, "-1.234 €"},
      {nullptr, 6, 1234, "1.234 €"},
      {nullptr, 44, -1234.5, "-1.234,50 € "},
      {nullptr, 38, -1234, "-1.234"},
      {"[$-F800]", -1, 46000, "Dienstag, 9. Dezember 2025"},
      {"[$-F400]h:mm AM/PM", -1, 46000.75, "18:00:00"},
      {"d/m/yy h:mm", -1, 46000.75, "9.12.25 18:00"},
      {"d\\/m", -1, 46000, "9/12"},
      {"\"d/m\" 0.0", -1, 2.25, "d/m 2,3"},
      {"h:mm:ss.00", -1, 0.5, "12:00:00,00"},
      {"0.0,", -1, 12345, "12,3"},
      {"# ?/?", -1, 1.5, "1 1/2"},
      {"0.00E+00", -1, 12345, "1,23E+04"},
      {"[h]:mm", -1, 1.5, "36:00"},
      {"0\" h:m\"", -1, 3, "3 h:m"},
      {"0:00", -1, 1234, "12:34"},
  };
  for (const Row& row : rows) {
    const std::string code = row.id >= 0 ? builtinFormatCode(row.id, de) : std::string(row.code);
    EXPECT_EQ(formatValue(row.value, code, false, de), row.expected) << code;
  }
}

TEST(Locale, AWindowsLocaleWithItsOwnSeparators) {
  // Facts as GetLocaleInfoEx gives them, here for a Finnish installation: '.' as the time
  // separator, a space group, the euro after the number.
  Locale::Facts f;
  f.tag = "fi-FI";
  f.decimal = ",";
  f.group = "\xC2\xA0";
  f.shortDate = "d.M.yyyy";
  f.longDate = "dddd d. MMMM yyyy";
  f.time = "H.mm.ss";
  f.currency = "\xE2\x82\xAC";
  f.currencyPositive = 3;
  f.currencyNegative = 8;
  f.dayMonthSeparator = ".";
  const Locale fi = Locale::fromFacts(f);
  EXPECT_EQ(fi.timeSeparator(), ".");
  EXPECT_EQ(fi.dateSeparator(), ".");
  EXPECT_EQ(formatValue(0.5, "h:mm", false, fi), "12.00");
  EXPECT_EQ(formatValue(46000, builtinFormatCode(14, fi), false, fi), "9.12.2025");
  EXPECT_EQ(formatValue(46000, "[$-F800]", false, fi), "tiistai 9. joulukuu 2025");
  EXPECT_EQ(formatValue(-1234567, builtinFormatCode(5, fi), false, fi), "-1\xC2\xA0" "234\xC2\xA0" "567 €");
}

TEST(Locale, CurrencyPatternsOfEveryNegativeForm) {
  // Windows' sixteen negative currency patterns, on a locale whose symbol is "$".
  const char* const expected[] = {"($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
                                  "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
  for (int pattern = 0; pattern < 16; ++pattern) {
    Locale::Facts f;
    f.tag = "xx-test";
    f.shortDate = "d/M/yyyy";
    f.longDate = "d MMMM yyyy";
    f.time = "H:mm:ss";
    f.currencyNegative = pattern;
    const Locale l = Locale::fromFacts(f);
    EXPECT_EQ(formatValue(-1, builtinFormatCode(5, l), false, l), expected[pattern]) << pattern;
  }
}

TEST(Locale, TheEnvironmentChoosesEachPart) {
  struct Row {
    const char* all;
    const char* numeric;
    const char* time;
    const char* monetary;
    const char* lang;
    const char* number;    // 1234.5 with #,##0.00
    const char* date;      // 46000 with id 14
    const char* currency;  // -1 with id 5
  };
  const Row rows[] = {
      {nullptr, nullptr, nullptr, nullptr, nullptr, "1,234.50", "12/9/2025", "($1)"},
      {"de_DE.UTF-8", nullptr, nullptr, nullptr, nullptr, "1.234,50", "09.12.2025", "-1 €"},
      {nullptr, nullptr, nullptr, nullptr, "de_DE.UTF-8", "1.234,50", "09.12.2025", "-1 €"},
      {"C", "de_DE", "de_DE", "de_DE", "de_DE", "1,234.50", "12/9/2025", "($1)"},
      {nullptr, "de_DE", nullptr, nullptr, "C", "1.234,50", "12/9/2025", "($1)"},
      {nullptr, nullptr, "ja_JP", "en_GB", "fr_FR", "1\xE2\x80\xAF" "234,50", "2025/12/09", "-£1"},
      {"POSIX", nullptr, nullptr, nullptr, "ko_KR", "1,234.50", "12/9/2025", "($1)"},
  };
  for (const Row& row : rows) {
    const auto set = [](const char* name, const char* value) {
      if (value) setenv(name, value, 1);
      else unsetenv(name);
    };
    set("LC_ALL", row.all);
    set("LC_NUMERIC", row.numeric);
    set("LC_TIME", row.time);
    set("LC_MONETARY", row.monetary);
    set("LANG", row.lang);
    const Locale l = Locale::fromSystem();
    EXPECT_EQ(formatValue(1234.5, "#,##0.00", false, l), row.number) << (row.all ? row.all : "") << (row.lang ? row.lang : "");
    EXPECT_EQ(formatValue(46000, builtinFormatCode(14, l), false, l), row.date);
    EXPECT_EQ(formatValue(-1, builtinFormatCode(5, l), false, l), row.currency);
  }
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY", "LANG"}) unsetenv(name);
}

TEST(Locale, TheDisplayLocaleIsSharedAndReplaceable) {
  EXPECT_TRUE(Locale::display()->isEnUS());
  const auto before = Locale::display();
  Locale::setDisplay(Locale::fromTag("fr-FR"));
  EXPECT_EQ(Locale::display()->tag(), "fr-FR");
  EXPECT_TRUE(before->isEnUS());  // a holder keeps the locale it took
  Locale::setDisplay(Locale::enUS());
  EXPECT_TRUE(Locale::display()->isEnUS());
}

TEST(Locale, WrittenNumbersReadTheLocalesGeneral) {
  const Locale de = Locale::fromTag("de-DE");
  const Locale fr = Locale::fromTag("fr-FR");
  struct Row {
    const char16_t* text;
    const Locale* locale;
    bool number;
    double value;
  };
  const Row rows[] = {
      {u"1234,5", &de, true, 1234.5}, {u"1234.5", &de, false, 0},  {u"-0,25", &de, true, -0.25},
      {u"1,5E+20", &de, true, 1.5e20}, {u"1.234", &de, false, 0},  {u"1234,50", &de, false, 0},
      {u"42", &de, true, 42},          {u"0,5", &fr, true, 0.5},    {u"1234.5", &Locale::enUS(), true, 1234.5},
      {u"1234,5", &Locale::enUS(), false, 0},
  };
  for (const Row& row : rows) {
    const auto got = numberWrittenAs(QStringView(row.text), *row.locale);
    EXPECT_EQ(got.has_value(), row.number) << QString::fromUtf16(row.text).toStdString();
    if (got && row.number) {
      EXPECT_EQ(*got, row.value);
    }
  }
}

TEST(Locale, EveryOracleLocaleHasItsOwnSystemFormats) {
  for (const char* tag : kOracleLocales) {
    const Locale l = Locale::fromTag(tag);
    EXPECT_FALSE(l.isEnUS()) << tag;
    EXPECT_NE(builtinFormatCode(14, l), builtinFormatCode(14)) << tag;
    // The compiled system formats show a date and a time, never General.
    EXPECT_TRUE(l.longDateFormat().isDateTime()) << tag;
    EXPECT_TRUE(l.timeFormat().isDateTime()) << tag;
  }
}

}  // namespace
}  // namespace lomandra::numfmt
