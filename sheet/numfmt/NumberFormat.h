#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/numfmt/Locale.h"

namespace lomandra::numfmt {

struct Section;

/// A compiled number format code (up to four sections, conditions, colours, locales, ...).
/// Renders a cell's displayed text as the spreadsheet application shows it in a locale (en-US
/// unless one is given; every column wide enough). Immutable once compiled, so one instance may be shared between threads.
class NumberFormat {
 public:
  /// Compiles a format code; never throws: a code the application would refuse renders as General.
  static std::shared_ptr<const NumberFormat> compile(std::string_view code);

  /// The displayed text (UTF-8) of a number; date1904 selects the 1904 date system.
  std::string formatNumber(double value, bool date1904, const Locale& locale = Locale::enUS()) const;
  /// The displayed text of a text cell: the text section, or the text itself when there is none.
  std::string formatText(std::string_view text) const;
  /// True when the section used for positive numbers shows a date or a time.
  bool isDateTime() const;
  /// True when the code was refused and every number renders as General.
  bool isFallback() const { return fallback_; }

  NumberFormat(const NumberFormat&) = delete;
  NumberFormat& operator=(const NumberFormat&) = delete;
  ~NumberFormat();

 private:
  NumberFormat();
  const Section* chooseSection(double value, bool& showMinus) const;

  std::vector<Section> sections_;  // the numeric sections in the order written
  bool hasTextSection_ = false;  // the last of sections_ is the text section
  bool conditional_ = false;
  bool fallback_ = false;
};

/// General as a cell shows it (at most 11 characters incl. decimal point, minus aside; scientific
/// where the application switches to it).
std::string formatGeneral(double value, const Locale& locale = Locale::enUS());

/// The en-US code of a built-in number format id of .xlsx/.xls files (0..49 and the ids the
/// application maps onto them); empty when the id is unknown.
std::string_view builtinFormatCode(int id);

/// The code a locale shows for a built-in number format id: the system's short date for 14, its
/// currency for 5-8, ... (the en-US code where the id does not follow the locale); empty when
/// the id is unknown.
std::string builtinFormatCode(int id, const Locale& locale);

/// True for the ids whose code follows the locale (dates, times, currency, negative numbers).
bool isLocaleBoundBuiltin(int id);

/// Formats a number with a format code, compiling it through an internal thread-safe cache.
std::string formatValue(double value, std::string_view code, bool date1904,
                        const Locale& locale = Locale::enUS());

/// The longest text a number renders to; longer results (a code with a huge literal or digit
/// count) are cut here so that no code can make the output grow without bound.
inline constexpr std::size_t kMaxDisplayedLength = 1024;

/// The length of the run of '#' shown for a date or time format applied to a value that is no
/// valid date (negative, or past 31 December 9999): the application's CSV export writes 255.
inline constexpr std::size_t kInvalidDateHashCount = 255;

}  // namespace lomandra::numfmt
