// Renders date and time sections: the serial number's whole part counts days (1900 or 1904
// system), its fraction the time of day. The time is rounded to the precision the section shows
// (whole seconds, or the .0/.00/.000 fraction), so 10:29:59.6 shows as 10:30 with h:mm; a section
// without any time part shows the day the serial falls in.

#include <charconv>
#include <cmath>
#include <cstdint>

#include "sheet/numfmt/FormatSection.h"
#include "sheet/numfmt/Locale.h"
#include "sheet/numfmt/LocaleNames.h"

namespace lomandra::numfmt {

namespace {

// The last valid serial (31 December 9999) in each date system.
constexpr long long kLastSerial1900 = 2958465;
constexpr long long kLastSerial1904 = 2957003;

struct CivilDate {
  long long year;
  int month;
  int day;
};

/// The proleptic Gregorian date of a count of days since 1970-01-01.
CivilDate civilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

/// The calendar date of a serial day. The 1900 system counts 1900-01-01 as day 1 and keeps the
/// application's fictitious 29 February 1900 (day 60); day 0 is shown as 0 January 1900.
CivilDate dateOfSerial(long long serial, bool date1904) {
  if (date1904) return civilFromDays(serial - 24107);  // 1904-01-01
  if (serial == 0) return {1900, 1, 0};
  if (serial == 60) return {1900, 2, 29};
  if (serial < 60) return civilFromDays(serial - 25568);  // day 1 = 1900-01-01
  return civilFromDays(serial - 25569);                   // day 61 = 1900-03-01
}

/// 0 = Sunday. Day 1 of the 1900 system is shown as a Sunday; 1904-01-01 was a Friday.
int weekdayOfSerial(long long serial, bool date1904) {
  return static_cast<int>(date1904 ? (serial + 5) % 7 : (serial + 6) % 7);
}

/// The first character (a whole UTF-8 sequence) of a name: mmmmm.
void appendFirstCharacter(std::string_view name, std::string& out) {
  if (name.empty()) return;
  const auto c = static_cast<unsigned char>(name[0]);
  std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  out.append(name.substr(0, n));
}

void appendNumber(long long v, int minDigits, std::string& out) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  for (long i = res.ptr - buf; i < minDigits; ++i) out += '0';
  out.append(buf, res.ptr);
}

}  // namespace

bool renderDateTime(const Section& s, double value, bool date1904, const Locale& locale, std::string& out) {
  const long long lastSerial = date1904 ? kLastSerial1904 : kLastSerial1900;
  if (value < 0.0 && s.elapsedOnly && value > -static_cast<double>(lastSerial + 1)) {
    // A duration alone ([h], [mm], [ss]) may be negative: its size with a minus sign.
    out += '-';
    return renderDateTime(s, -value, date1904, locale, out);
  }
  if (!(value >= 0.0) || value >= static_cast<double>(lastSerial + 1)) return false;
  long long unitsPerSecond = 1;
  for (int i = 0; i < s.secondDecimals; ++i) unitsPerSecond *= 10;
  const long long unitsPerDay = 86400 * unitsPerSecond;
  long long days = static_cast<long long>(std::floor(value));
  const double timeUnits = (value - static_cast<double>(days)) * static_cast<double>(unitsPerDay);
  long long units = static_cast<long long>(std::floor(timeUnits + 0.5));
  // A serial that rounds past the last day shows '#', whether or not the time is shown.
  if (days + (units >= unitsPerDay ? 1 : 0) > lastSerial) return false;
  if (units >= unitsPerDay) {
    // Rounding reached midnight: the next day, when the section shows the time at all.
    if (s.hasTimeParts) days += units / unitsPerDay;
    units %= unitsPerDay;
  }
  if (days > lastSerial) return false;
  const long long subUnits = units % unitsPerSecond;
  const long long secondsOfDay = units / unitsPerSecond;
  const int hour = static_cast<int>(secondsOfDay / 3600);
  const int minute = static_cast<int>(secondsOfDay / 60 % 60);
  const int second = static_cast<int>(secondsOfDay % 60);
  CivilDate date{1900, 1, 0};
  if (s.hasDateParts) date = dateOfSerial(days, date1904);
  const LocaleNames& names = s.names ? *s.names : locale.names();

  for (const Part& p : s.parts) {
    switch (p.kind) {
      case PartKind::Literal: out += p.text; break;
      case PartKind::DateSeparator: out += locale.dateSeparator(); break;
      case PartKind::TimeSeparator: out += locale.timeSeparator(); break;
      case PartKind::Year:
        if (p.count == 2) appendNumber(date.year % 100, 2, out);
        else appendNumber(date.year, 4, out);
        break;
      case PartKind::BuddhistYear:
        if (p.count == 2) appendNumber((date.year + 543) % 100, 2, out);
        else appendNumber(date.year + 543, 4, out);
        break;
      case PartKind::Month:
        switch (p.count) {
          case 1: appendNumber(date.month, 1, out); break;
          case 2: appendNumber(date.month, 2, out); break;
          case 3: out += names.monthsShort[date.month - 1]; break;
          case 5: appendFirstCharacter(names.monthsFull[date.month - 1], out); break;
          default: out += names.monthsFull[date.month - 1]; break;
        }
        break;
      case PartKind::Day:
        switch (p.count) {
          case 1: appendNumber(date.day, 1, out); break;
          case 2: appendNumber(date.day, 2, out); break;
          case 3: out += names.daysShort[weekdayOfSerial(days, date1904)]; break;
          default: out += names.daysFull[weekdayOfSerial(days, date1904)]; break;
        }
        break;
      case PartKind::Hour: {
        int h = hour;
        if (s.twelveHour) {
          h %= 12;
          if (h == 0) h = 12;
        }
        appendNumber(h, p.count, out);
        break;
      }
      case PartKind::Minute: appendNumber(minute, p.count, out); break;
      case PartKind::Second: appendNumber(second, p.count, out); break;
      case PartKind::SubSecond: {
        out += locale.decimal();
        std::string digits;
        appendNumber(subUnits, s.secondDecimals, digits);
        out.append(digits, 0, p.count);
        break;
      }
      case PartKind::AmPm:
        if (p.flag) out += hour < 12 ? 'A' : 'P';
        else out += hour < 12 ? names.am : names.pm;
        break;
      case PartKind::ElapsedHours: appendNumber(days * 24 + hour, p.count, out); break;
      case PartKind::ElapsedMinutes: appendNumber(days * 1440 + hour * 60 + minute, p.count, out); break;
      case PartKind::ElapsedSeconds: appendNumber(days * 86400 + secondsOfDay, p.count, out); break;
      default: break;
    }
  }
  return true;
}

void renderText(const Section& s, std::string_view text, std::string& out) {
  for (const Part& p : s.parts) {
    if (p.kind == PartKind::TextValue) out.append(text);
    else if (p.kind == PartKind::Literal) out += p.text;
  }
}

}  // namespace lomandra::numfmt
