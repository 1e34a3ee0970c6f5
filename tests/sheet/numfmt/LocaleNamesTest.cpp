// The locale tables against Qt's QLocale (CLDR), which they were taken from: every name that
// the tables take over as it stands must match it, so a slip in copying shows here. Where the
// application shows another form (Windows' abbreviations, Russian capitals, Greek genitives),
// the row says which fields keep their own form.

#include <gtest/gtest.h>

#include <QLocale>
#include <QString>

#include "sheet/numfmt/LocaleNames.h"

namespace lomandra::numfmt {
namespace {

enum Field : unsigned {
  kMonthsFull = 1,
  kMonthsShort = 2,
  kDaysFull = 4,
  kDaysShort = 8,
};

struct Row {
  std::uint32_t lcid;
  const char* qtLocale;
  unsigned fromCldr;   // fields equal to QLocale's names
  bool genitive;       // full months are CLDR's formatting (genitive) forms, else stand-alone
};

// Stand-alone full names everywhere they are CLDR's; short forms only where the application's
// agree with CLDR's.
const Row kRows[] = {
    {0x407, "de_DE", kMonthsFull | kDaysFull, false},
    {0x40C, "fr_FR", kMonthsFull | kMonthsShort | kDaysFull | kDaysShort, false},
    {0x410, "it_IT", kMonthsFull | kMonthsShort | kDaysFull | kDaysShort, false},
    {0xC0A, "es_ES", kMonthsFull | kDaysFull, false},
    {0x416, "pt_BR", kMonthsFull | kDaysFull, false},
    {0x816, "pt_PT", kMonthsFull | kDaysFull, false},
    {0x413, "nl_NL", kMonthsFull | kDaysFull | kDaysShort, false},
    {0x41D, "sv_SE", kMonthsFull | kDaysFull, false},
    {0x406, "da_DK", kMonthsFull | kDaysFull, false},
    {0x414, "nb_NO", kMonthsFull | kDaysFull, false},
    {0x40B, "fi_FI", kMonthsFull | kDaysFull | kDaysShort, false},
    {0x415, "pl_PL", kMonthsFull | kMonthsShort | kDaysFull | kDaysShort, false},
    {0x405, "cs_CZ", kMonthsFull | kDaysFull | kDaysShort, false},
    {0x40E, "hu_HU", kMonthsFull | kMonthsShort | kDaysFull | kDaysShort, false},
    {0x419, "ru_RU", kDaysFull, false},
    {0xFC19, "ru_RU", kMonthsFull | kDaysFull, true},
    {0x41F, "tr_TR", kMonthsFull | kMonthsShort | kDaysFull | kDaysShort, false},
    {0x408, "el_GR", kMonthsFull | kDaysFull, true},
    {0x411, "ja_JP", kMonthsFull | kDaysFull | kDaysShort, false},
    {0x804, "zh_CN", kMonthsFull | kMonthsShort | kDaysFull | kDaysShort, false},
    {0x404, "zh_TW", kDaysFull | kDaysShort, false},
    {0x412, "ko_KR", kMonthsFull | kDaysFull | kDaysShort, false},
};

TEST(LocaleNames, NamesTakenFromCldrMatchQLocale) {
  for (const Row& row : kRows) {
    const LocaleNames& names = localeNames(row.lcid);
    const QLocale qt(QString::fromLatin1(row.qtLocale));
    for (int m = 1; m <= 12; ++m) {
      const QString full = row.genitive ? qt.monthName(m, QLocale::LongFormat) : qt.standaloneMonthName(m, QLocale::LongFormat);
      if (row.fromCldr & kMonthsFull) {
        EXPECT_EQ(QString::fromUtf8(names.monthsFull[m - 1]), full) << row.qtLocale << " month " << m;
      }
      if (row.fromCldr & kMonthsShort) {
        EXPECT_EQ(QString::fromUtf8(names.monthsShort[m - 1]), qt.monthName(m, QLocale::ShortFormat)) << row.qtLocale << " month " << m;
      }
    }
    for (int d = 0; d < 7; ++d) {
      const int qtDay = d == 0 ? 7 : d;  // the tables start on Sunday, Qt's week on Monday
      if (row.fromCldr & kDaysFull) {
        EXPECT_EQ(QString::fromUtf8(names.daysFull[d]), qt.standaloneDayName(qtDay, QLocale::LongFormat)) << row.qtLocale << " day " << d;
      }
      if (row.fromCldr & kDaysShort) {
        EXPECT_EQ(QString::fromUtf8(names.daysShort[d]), qt.dayName(qtDay, QLocale::ShortFormat)) << row.qtLocale << " day " << d;
      }
    }
  }
}

TEST(LocaleNames, RussianMonthsAreCldrsCapitalised) {
  const LocaleNames& names = localeNames(0x419);
  const QLocale qt(QStringLiteral("ru_RU"));
  for (int m = 1; m <= 12; ++m) {
    QString expected = qt.standaloneMonthName(m, QLocale::LongFormat);
    expected[0] = expected[0].toUpper();
    EXPECT_EQ(QString::fromUtf8(names.monthsFull[m - 1]), expected) << m;
  }
}

}  // namespace
}  // namespace lomandra::numfmt
