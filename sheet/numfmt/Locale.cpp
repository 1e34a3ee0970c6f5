// Where a locale's facts come from:
// - Windows: the user's default locale and its GetLocaleInfoEx values, the very settings the
//   spreadsheet application renders with.
// - elsewhere, for the locales below: the Windows values of that locale (its short and long date
//   and time pictures, currency symbol and patterns), because the application shows Windows'
//   forms where CLDR differs (dd.MM.yyyy, not CLDR's dd.MM.yy); the decimal and group
//   separators are Qt's QLocale (CLDR), which agree with Windows for all of them (the French
//   group is the narrow no-break space U+202F); a test checks the table against QLocale.
// - any other locale: Qt's QLocale (CLDR) throughout.
// Month and day names and AM/PM markers are those of LocaleNames (Windows' abbreviations) for
// the languages it holds, QLocale's otherwise.

#include "sheet/numfmt/Locale.h"

#include <QLocale>
#include <QString>
#include <array>
#include <cctype>
#include <cstdlib>
#include <mutex>

#include "sheet/numfmt/LocaleNames.h"
#include "sheet/numfmt/NumberFormat.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lomandra::numfmt {

namespace {

/// Windows' values of the locales whose texts were checked against the numfmt oracle.
struct KnownLocale {
  const char* tag;
  const char* shortDate;
  const char* longDate;
  const char* time;
  const char* currency;
  int currencyPositive;
  int currencyNegative;
  const char* dayMonthSeparator;
};

constexpr KnownLocale kKnown[] = {
    {"en-US", "M/d/yyyy", "dddd, MMMM d, yyyy", "h:mm:ss tt", "$", 0, 0, "-"},
    {"en-GB", "dd/MM/yyyy", "dd MMMM yyyy", "HH:mm:ss", "\xC2\xA3", 0, 1, "-"},
    {"de-DE", "dd.MM.yyyy", "dddd, d. MMMM yyyy", "HH:mm:ss", "\xE2\x82\xAC", 3, 8, ". "},
    {"fr-FR", "dd/MM/yyyy", "dddd d MMMM yyyy", "HH:mm:ss", "\xE2\x82\xAC", 3, 8, "-"},
    {"es-ES", "dd/MM/yyyy", "dddd, d 'de' MMMM 'de' yyyy", "H:mm:ss", "\xE2\x82\xAC", 3, 8, "-"},
    {"it-IT", "dd/MM/yyyy", "dddd d MMMM yyyy", "HH:mm:ss", "\xE2\x82\xAC", 3, 8, "-"},
    {"pt-BR", "dd/MM/yyyy", "dddd, d 'de' MMMM 'de' yyyy", "HH:mm:ss", "R$", 2, 9, "/"},
    {"nl-NL", "d-M-yyyy", "dddd d MMMM yyyy", "HH:mm:ss", "\xE2\x82\xAC", 2, 12, "-"},
    {"pl-PL", "d.MM.yyyy", "dddd, d MMMM yyyy", "HH:mm:ss", "z\xC5\x82", 3, 8, "."},
    {"ru-RU", "dd.MM.yyyy", "d MMMM yyyy 'г.'", "H:mm:ss", "\xE2\x82\xBD", 3, 8, "."},
    {"sv-SE", "yyyy-MM-dd", "'den 'd MMMM yyyy", "HH:mm:ss", "kr", 3, 8, "-"},
    {"tr-TR", "d.MM.yyyy", "d MMMM yyyy dddd", "HH:mm:ss", "\xE2\x82\xBA", 0, 1, "."},
    {"ja-JP", "yyyy/MM/dd", "yyyy'年'M'月'd'日'", "H:mm:ss", "\xC2\xA5", 0, 1, "-"},
    {"zh-CN", "yyyy/M/d", "yyyy'年'M'月'd'日'", "H:mm:ss", "\xC2\xA5", 0, 2, "-"},
    {"ko-KR", "yyyy-MM-dd", "yyyy'년' M'월' d'일' dddd", "tt h:mm:ss", "\xE2\x82\xA9", 0, 1, "-"},
};

/// "de_DE.UTF-8@euro" -> "de-DE"; "C" and "POSIX" -> "".
std::string normalTag(std::string_view tag) {
  const std::size_t cut = tag.find_first_of(".@");
  if (cut != std::string_view::npos) tag = tag.substr(0, cut);
  if (tag == "C" || tag == "POSIX") return {};
  std::string out(tag);
  for (char& c : out)
    if (c == '_') c = '-';
  return out;
}

bool sameTag(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

const KnownLocale* knownLocale(std::string_view tag) {
  for (const KnownLocale& k : kKnown)
    if (sameTag(k.tag, tag)) return &k;
  return nullptr;
}

std::string utf8(const QString& s) { return s.toStdString(); }

/// Qt's pattern syntax as a Windows picture: AP/ap is Windows' tt, Qt's t (the time zone) goes.
std::string pictureOfQtPattern(QString pattern) {
  pattern.replace(QStringLiteral("AP"), QStringLiteral("tt")).replace(QStringLiteral("ap"), QStringLiteral("tt"));
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'\'') quoted = !quoted;
    // A lone t (not tt) outside quotes is the time zone, which no cell shows.
    if (!quoted && c == u't' && !(i + 1 < pattern.size() && pattern[i + 1] == u't') && !(i > 0 && pattern[i - 1] == u't')) {
      while (!out.isEmpty() && (out.back() == u' ' || out.back() == u'(')) out.chop(1);
      if (i + 1 < pattern.size() && pattern[i + 1] == u')') ++i;
      continue;
    }
    out += c;
  }
  return utf8(out.trimmed());
}

/// The date separator of a short date picture: the first character between two fields.
std::string separatorOf(std::string_view picture, std::string_view fields, std::string_view fallback) {
  bool seenField = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    if (fields.find(c) != std::string_view::npos) {
      seenField = true;
      continue;
    }
    if (seenField && c != '\'' && c != ' ') {
      std::size_t n = 1;
      const auto u = static_cast<unsigned char>(c);
      if (u >= 0xF0) n = 4;
      else if (u >= 0xE0) n = 3;
      else if (u >= 0xC0) n = 2;
      return std::string(picture.substr(i, n));
    }
  }
  return std::string(fallback);
}

/// Names built from QLocale for a language LocaleNames does not hold.
struct OwnedNames {
  std::array<std::string, 12> monthsFull, monthsShort;
  std::array<std::string, 7> daysFull, daysShort;
  std::string am, pm;
  LocaleNames names{};
};

std::shared_ptr<const LocaleNames> namesFromQt(const QLocale& q, const std::string& am, const std::string& pm) {
  auto owned = std::make_shared<OwnedNames>();
  for (int m = 0; m < 12; ++m) {
    owned->monthsFull[m] = utf8(q.standaloneMonthName(m + 1, QLocale::LongFormat));
    owned->monthsShort[m] = utf8(q.monthName(m + 1, QLocale::ShortFormat));
  }
  for (int d = 0; d < 7; ++d) {
    const int qtDay = d == 0 ? 7 : d;  // Qt counts from Monday (1) to Sunday (7)
    owned->daysFull[d] = utf8(q.dayName(qtDay, QLocale::LongFormat));
    owned->daysShort[d] = utf8(q.dayName(qtDay, QLocale::ShortFormat));
  }
  owned->am = am;
  owned->pm = pm;
  for (int m = 0; m < 12; ++m) {
    owned->names.monthsFull[m] = owned->monthsFull[m].c_str();
    owned->names.monthsShort[m] = owned->monthsShort[m].c_str();
  }
  for (int d = 0; d < 7; ++d) {
    owned->names.daysFull[d] = owned->daysFull[d].c_str();
    owned->names.daysShort[d] = owned->daysShort[d].c_str();
  }
  owned->names.am = owned->am.c_str();
  owned->names.pm = owned->pm.c_str();
  return std::shared_ptr<const LocaleNames>(owned, &owned->names);
}

/// Where Qt's currency string puts the symbol: Windows' LOCALE_ICURRENCY.
int currencyPositiveOf(const QLocale& q) {
  const QString symbol = q.currencySymbol();
  const QString shown = q.toCurrencyString(1.0);
  const qsizetype at = shown.indexOf(symbol);
  if (symbol.isEmpty() || at < 0) return 0;
  const bool before = at == 0;
  const qsizetype besideAt = before ? at + symbol.size() : at - 1;
  const QChar beside = besideAt >= 0 && besideAt < shown.size() ? shown[besideAt] : QChar();
  const bool spaced = beside.isSpace();
  return before ? (spaced ? 2 : 0) : (spaced ? 3 : 1);
}

std::string systemTagFor(const char* category) {
  const auto get = [](const char* name) -> std::string {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string();
  };
  std::string tag = get("LC_ALL");
  if (tag.empty()) tag = get(category);
  if (tag.empty()) tag = get("LANG");
  return tag;
}

std::mutex& displayMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<const Locale>& displaySlot() {
  static std::shared_ptr<const Locale> slot = std::make_shared<Locale>(Locale::enUS());
  return slot;
}

}  // namespace

std::string codeOfDatePicture(std::string_view picture) {
  std::string out;
  std::string pendingLiteral;
  const auto flushLiteral = [&] {
    if (pendingLiteral.empty()) return;
    out += '"';
    out += pendingLiteral;
    out += '"';
    pendingLiteral.clear();
  };
  std::size_t i = 0;
  while (i < picture.size()) {
    const char c = picture[i];
    std::size_t n = 1;
    while (i + n < picture.size() && picture[i + n] == c) ++n;
    if (c == '\'') {
      // 'text' is literal; '' is an apostrophe.
      if (n >= 2) {
        pendingLiteral.append(n / 2, '\'');
        i += n / 2 * 2;
        continue;
      }
      const std::size_t close = picture.find('\'', i + 1);
      const std::size_t end = close == std::string_view::npos ? picture.size() : close;
      pendingLiteral.append(picture.substr(i + 1, end - i - 1));
      i = end == picture.size() ? end : end + 1;
      continue;
    }
    const bool field = c == 'd' || c == 'M' || c == 'y' || c == 'h' || c == 'H' || c == 'm' || c == 's' || c == 't' || c == 'g';
    if (field) {
      flushLiteral();
      switch (c) {
        case 'd': out.append(std::min<std::size_t>(n, 4), 'd'); break;
        case 'M': out.append(std::min<std::size_t>(n, 4), 'm'); break;
        case 'y': out += n <= 2 ? "yy" : "yyyy"; break;
        case 'h': case 'H': out.append(std::min<std::size_t>(n, 2), 'h'); break;
        case 'm': out.append(std::min<std::size_t>(n, 2), 'm'); break;
        case 's': out.append(std::min<std::size_t>(n, 2), 's'); break;
        case 't': out += "AM/PM"; break;
        default: break;  // g: the era, none in the Gregorian calendar
      }
      i += n;
      continue;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '"' || c == '\\' || c == '@' || c == '0' ||
        c == '#' || c == '?' || c == '%' || c == '*' || c == '_' || c == '[' || c == ';' ||
        (c >= '1' && c <= '9')) {
      if (c != '"') pendingLiteral.append(n, c);
      i += n;
      continue;
    }
    flushLiteral();
    out.append(picture.substr(i, n));
    i += n;
  }
  flushLiteral();
  return out;
}

const Locale& Locale::enUS() {
  static const Locale instance = [] {
    Locale l;
    const KnownLocale& k = kKnown[0];
    l.facts_ = Facts{k.tag, ".", ",", k.shortDate, k.longDate, k.time, "AM", "PM", k.currency, 0, 0, "-"};
    l.enUS_ = true;
    l.finish();
    return l;
  }();
  return instance;
}

Locale Locale::fromFacts(const Facts& facts) {
  Locale l;
  l.facts_ = facts;
  l.enUS_ = sameTag(facts.tag, "en-US");
  l.finish();
  return l;
}

Locale Locale::fromTag(std::string_view tag, bool* known) {
  const std::string normal = normalTag(tag);
  if (known) *known = true;
  if (normal.empty() || sameTag(normal, "en-US") || sameTag(normal, "en")) return enUS();
  const QLocale q(QString::fromStdString(normal).replace(u'-', u'_'));
  const KnownLocale* k = knownLocale(normal);
  // "de" stands for QLocale's likeliest country of the language (de-DE).
  if (!k && q.language() != QLocale::C) k = knownLocale(utf8(q.name().replace(u'_', u'-')));
  if (!k && q.language() == QLocale::C) {
    if (known) *known = false;
    return enUS();
  }
  Facts f;
  f.tag = k ? std::string(k->tag) : utf8(q.bcp47Name());
  if (!k && f.tag.find('-') == std::string::npos) {
    // "fr" names QLocale's likeliest country: keep its full tag.
    f.tag = utf8(q.name().replace(u'_', u'-'));
  }
  f.decimal = utf8(q.decimalPoint());
  f.group = utf8(q.groupSeparator());
  f.am = utf8(q.amText());
  f.pm = utf8(q.pmText());
  if (k) {
    f.shortDate = k->shortDate;
    f.longDate = k->longDate;
    f.time = k->time;
    f.currency = k->currency;
    f.currencyPositive = k->currencyPositive;
    f.currencyNegative = k->currencyNegative;
    f.dayMonthSeparator = k->dayMonthSeparator;
  } else {
    f.shortDate = pictureOfQtPattern(q.dateFormat(QLocale::ShortFormat));
    // Windows writes the short date with the year in full where CLDR shortens it.
    if (f.shortDate.find("yyyy") == std::string::npos) {
      const std::size_t y = f.shortDate.find("yy");
      if (y != std::string::npos) f.shortDate.replace(y, 2, "yyyy");
    }
    f.longDate = pictureOfQtPattern(q.dateFormat(QLocale::LongFormat));
    f.time = pictureOfQtPattern(q.timeFormat(QLocale::LongFormat));
    f.currency = utf8(q.currencySymbol());
    f.currencyPositive = currencyPositiveOf(q);
    static constexpr int kNegativeFor[] = {1, 5, 9, 8};  // -$1, -1$, -$ 1, -1 $
    f.currencyNegative = kNegativeFor[f.currencyPositive];
    const std::string sep = separatorOf(f.shortDate, "dMy", "/");
    f.dayMonthSeparator = sep == "/" ? "-" : sep;
  }
  return fromFacts(f);
}

Locale Locale::combine(const Locale& numeric, const Locale& time, const Locale& monetary) {
  Facts f = time.facts_;
  f.decimal = numeric.facts_.decimal;
  f.group = numeric.facts_.group;
  f.currency = monetary.facts_.currency;
  f.currencyPositive = monetary.facts_.currencyPositive;
  f.currencyNegative = monetary.facts_.currencyNegative;
  Locale l = fromFacts(f);
  l.enUS_ = numeric.enUS_ && time.enUS_ && monetary.enUS_;
  if (time.ownedNames_) {
    l.ownedNames_ = time.ownedNames_;
    l.names_ = time.names_;
  }
  return l;
}

Locale Locale::fromSystem() {
#ifdef _WIN32
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) <= 0) return enUS();
  const auto info = [&](LCTYPE type) -> std::string {
    wchar_t buffer[128] = {};
    const int n = GetLocaleInfoEx(name, type, buffer, 128);
    return n > 1 ? QString::fromWCharArray(buffer, n - 1).toStdString() : std::string();
  };
  const auto number = [&](LCTYPE type, int fallback) {
    DWORD value = 0;
    if (GetLocaleInfoEx(name, type | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value),
                        sizeof value / sizeof(wchar_t)) <= 0)
      return fallback;
    return static_cast<int>(value);
  };
  Facts f;
  f.tag = QString::fromWCharArray(name).toStdString();
  if (sameTag(f.tag, "en-US")) return enUS();
  f.decimal = info(LOCALE_SDECIMAL);
  f.group = info(LOCALE_STHOUSAND);
  f.shortDate = info(LOCALE_SSHORTDATE);
  f.longDate = info(LOCALE_SLONGDATE);
  f.time = info(LOCALE_STIMEFORMAT);
  f.am = info(LOCALE_S1159);
  f.pm = info(LOCALE_S2359);
  f.currency = info(LOCALE_SCURRENCY);
  f.currencyPositive = number(LOCALE_ICURRENCY, 0);
  f.currencyNegative = number(LOCALE_INEGCURR, 1);
  if (const KnownLocale* k = knownLocale(f.tag)) f.dayMonthSeparator = k->dayMonthSeparator;
  else {
    const std::string sep = separatorOf(f.shortDate, "dMy", "/");
    f.dayMonthSeparator = sep == "/" ? "-" : sep;
  }
  return fromFacts(f);
#else
  const Locale numeric = fromTag(systemTagFor("LC_NUMERIC"));
  const Locale time = fromTag(systemTagFor("LC_TIME"));
  const Locale monetary = fromTag(systemTagFor("LC_MONETARY"));
  if (numeric.tag() == time.tag() && time.tag() == monetary.tag()) return time;
  return combine(numeric, time, monetary);
#endif
}

std::shared_ptr<const Locale> Locale::display() {
  std::lock_guard lock(displayMutex());
  return displaySlot();
}

void Locale::setDisplay(const Locale& locale) {
  auto next = std::make_shared<const Locale>(locale);
  std::lock_guard lock(displayMutex());
  displaySlot() = std::move(next);
}

void Locale::finish() {
  if (enUS_) {
    // Exactly the codes the engine has always shown.
    shortDateCode_ = "m/d/yyyy";
    longDateCode_ = "dddd, mmmm d, yyyy";
    timeCode_ = "h:mm:ss AM/PM";
  } else {
    shortDateCode_ = codeOfDatePicture(facts_.shortDate);
    longDateCode_ = codeOfDatePicture(facts_.longDate);
    timeCode_ = codeOfDatePicture(facts_.time);
  }
  dateSeparator_ = separatorOf(facts_.shortDate, "dMy", "/");
  timeSeparator_ = separatorOf(facts_.time, "hHms", ":");
  // Names: the language's own table where LocaleNames holds it, Qt's otherwise.
  const QLocale q(QString::fromStdString(facts_.tag).replace(u'-', u'_'));
  if (enUS_) {
    names_ = &englishNames();
  } else if (const LocaleNames* held = namesOfLanguageTag(facts_.tag)) {
    names_ = held;
  } else {
    ownedNames_ = namesFromQt(q, facts_.am, facts_.pm);
    names_ = ownedNames_.get();
  }
  longDate_ = NumberFormat::compile(longDateCode_);
  time_ = NumberFormat::compile(timeCode_);
}

}  // namespace lomandra::numfmt
