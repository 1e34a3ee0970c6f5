#pragma once

// The rendering locale: the regional settings a displayed text follows (separators, the system
// date and time formats behind the locale-bound built-in formats, the currency built-ins, month
// and day names). A format code is always read in its stored (en-US) syntax; the locale only
// changes what it shows. en-US, the default everywhere, shows exactly what the engine always has.

#include <memory>
#include <string>
#include <string_view>

namespace lomandra::numfmt {

struct LocaleNames;
class NumberFormat;

/// What a locale shows. Immutable once made; copies share their compiled system formats.
class Locale {
 public:
  /// The facts a locale is made from, in the terms of the platform's regional settings
  /// (Windows' LOCALE_* values): patterns are the platform's date pictures ("dd.MM.yyyy",
  /// "HH:mm:ss", "tt"), separators and the currency symbol UTF-8.
  struct Facts {
    std::string tag;             // "de-DE"
    std::string decimal = ".";   // LOCALE_SDECIMAL
    std::string group = ",";     // LOCALE_STHOUSAND
    std::string shortDate;       // LOCALE_SSHORTDATE picture
    std::string longDate;        // LOCALE_SLONGDATE picture
    std::string time;            // LOCALE_STIMEFORMAT picture
    std::string am = "AM", pm = "PM";  // LOCALE_S1159 / LOCALE_S2359
    std::string currency = "$";  // LOCALE_SCURRENCY
    int currencyPositive = 0;    // LOCALE_ICURRENCY: 0 $1, 1 1$, 2 $ 1, 3 1 $
    int currencyNegative = 0;    // LOCALE_INEGCURR: 0 ($1) ... 15 (1 $)
    std::string dayMonthSeparator = "-";  // between day, month name and year in ids 15-17
  };

  /// en-US, as the engine has always rendered.
  static const Locale& enUS();
  /// The locale a tag names ("de-DE", "de_DE.UTF-8", "fr", "C"): the platform's values for the
  /// locales this engine knows them for, Qt's (CLDR) values otherwise; en-US for C, POSIX, an
  /// empty or unknown tag. `known` is set to false for a tag naming no locale at all.
  static Locale fromTag(std::string_view tag, bool* known = nullptr);
  /// The locale made from `facts` (Windows' values, or a test's).
  static Locale fromFacts(const Facts& facts);
  /// The user's locale: LC_ALL, then LC_NUMERIC / LC_TIME / LC_MONETARY (each for its own part),
  /// then LANG, as the C library reads them; on Windows the user's default locale.
  static Locale fromSystem();
  /// Separators from `numeric`, dates, times and names from `time`, currency from `monetary`.
  static Locale combine(const Locale& numeric, const Locale& time, const Locale& monetary);

  /// The locale the program's texts follow (en-US until set); shared by every thread.
  static std::shared_ptr<const Locale> display();
  static void setDisplay(const Locale& locale);

  const std::string& tag() const { return facts_.tag; }
  bool isEnUS() const { return enUS_; }
  const Facts& facts() const { return facts_; }
  const std::string& decimal() const { return facts_.decimal; }
  const std::string& group() const { return facts_.group; }
  /// What '/' and ':' of a date or time code show.
  const std::string& dateSeparator() const { return dateSeparator_; }
  const std::string& timeSeparator() const { return timeSeparator_; }
  /// Names and AM/PM markers for a code without a language tag.
  const LocaleNames& names() const { return *names_; }
  /// The system short date, long date and time as format codes ("dd/mm/yyyy", with '/' the
  /// date separator).
  const std::string& shortDateCode() const { return shortDateCode_; }
  const std::string& longDateCode() const { return longDateCode_; }
  const std::string& timeCode() const { return timeCode_; }
  /// [$-F800] and [$-F400]: the system long date and time, compiled.
  const NumberFormat& longDateFormat() const { return *longDate_; }
  const NumberFormat& timeFormat() const { return *time_; }

 private:
  Locale() = default;
  void finish();

  Facts facts_;
  bool enUS_ = false;
  std::string dateSeparator_ = "/", timeSeparator_ = ":";
  std::string shortDateCode_, longDateCode_, timeCode_;
  std::shared_ptr<const LocaleNames> ownedNames_;  // names built from Qt's data, when used
  std::shared_ptr<const std::string> nameStorage_;
  const LocaleNames* names_ = nullptr;
  std::shared_ptr<const NumberFormat> longDate_, time_;
};

/// A platform date picture ("dddd, d. MMMM yyyy", "HH:mm:ss", "tt h:mm") as a format code
/// ("dddd, d. mmmm yyyy", "hh:mm:ss", "AM/PM h:mm"); a quoted part stays literal.
std::string codeOfDatePicture(std::string_view picture);

}  // namespace lomandra::numfmt
