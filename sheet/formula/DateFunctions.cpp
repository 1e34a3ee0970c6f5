// DATE, TIME and the parts of dates and times; date arithmetic on serial day numbers.

#include <cmath>
#include <set>

#include "sheet/formula/Conversions.h"
#include "sheet/formula/FunctionSupport.h"

namespace lomandra::formula {

namespace {

// A date argument: a serial number not below 0 nor past 9999-12-31.
double serialArgument(FunctionCall& call, std::size_t i) {
  const double serial = call.number(i);
  if (serial < 0 || serial >= maxSerial(call.evaluation().date1904()) + 1) fail(Error::Num);
  return serial;
}

Operand serialResult(std::optional<double> serial) {
  if (!serial) fail(Error::Num);
  return numberResult(*serial);
}

Operand date(FunctionCall& call) {
  const double y = std::trunc(call.number(0)), m = std::trunc(call.number(1)), d = std::trunc(call.number(2));
  if (y < 0 || y >= 10000 || std::fabs(m) > 1e6 || std::fabs(d) > 1e8) fail(Error::Num);
  return serialResult(serialFromDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d),
                                     call.evaluation().date1904()));
}

Operand time(FunctionCall& call) {
  const double seconds = std::trunc(call.number(0)) * 3600 + std::trunc(call.number(1)) * 60 +
                         std::trunc(call.number(2));
  if (seconds < 0 || seconds >= 32768.0 * 3600) fail(Error::Num);
  return numberResult(std::fmod(seconds, 86400) / 86400);
}

Operand year(FunctionCall& call) {
  return numberResult(dateFromSerial(serialArgument(call, 0), call.evaluation().date1904()).year);
}
Operand month(FunctionCall& call) {
  return numberResult(dateFromSerial(serialArgument(call, 0), call.evaluation().date1904()).month);
}
Operand day(FunctionCall& call) {
  return numberResult(dateFromSerial(serialArgument(call, 0), call.evaluation().date1904()).day);
}

// Seconds into the day, rounded to the nearest second as the application shows times.
long long secondOfDay(FunctionCall& call) {
  const double serial = serialArgument(call, 0);
  const double fraction = serial - std::floor(serial);
  return std::llround(fraction * 86400) % 86400;
}
Operand hour(FunctionCall& call) { return numberResult(static_cast<double>(secondOfDay(call) / 3600)); }
Operand minute(FunctionCall& call) { return numberResult(static_cast<double>(secondOfDay(call) / 60 % 60)); }
Operand second(FunctionCall& call) { return numberResult(static_cast<double>(secondOfDay(call) % 60)); }

Operand today(FunctionCall& call) { return numberResult(std::floor(call.evaluation().now())); }
Operand now(FunctionCall& call) { return numberResult(call.evaluation().now()); }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// The date `months` from the start date: its day, or the month's last (EOMONTH: always the last).
Operand monthsLater(FunctionCall& call, bool endOfMonth) {
  const bool date1904 = call.evaluation().date1904();
  const CivilDate start = dateFromSerial(serialArgument(call, 0), date1904);
  const double months = std::trunc(call.number(1));
  if (std::fabs(months) > 120000) fail(Error::Num);
  const long long total = static_cast<long long>(start.year) * 12 + (start.month - 1) + static_cast<long long>(months);
  const int y = static_cast<int>(total / 12), m = static_cast<int>(total % 12) + 1;
  if (total < 0 || y > 9999) fail(Error::Num);
  const int last = daysInMonth(y, m);
  const int d = endOfMonth ? last : std::min(std::max(start.day, 1), last);
  return serialResult(serialFromDate(y, m, d, date1904));
}

Operand edate(FunctionCall& call) { return monthsLater(call, false); }
Operand eomonth(FunctionCall& call) { return monthsLater(call, true); }

// 0 for Sunday .. 6 for Saturday.
int dayOfWeek(double serial, bool date1904) {
  const long long days = static_cast<long long>(std::floor(serial)) + (date1904 ? 1462 : 0);
  return static_cast<int>((days + 6) % 7);
}

Operand weekday(FunctionCall& call) {
  const int d = dayOfWeek(serialArgument(call, 0), call.evaluation().date1904());  // 0 = Sunday
  const double type = std::trunc(call.number(1, 1));
  if (type == 1) return numberResult(d + 1);
  if (type == 2) return numberResult((d + 6) % 7 + 1);
  if (type == 3) return numberResult((d + 6) % 7);
  if (type >= 11 && type <= 17) {
    const int firstDay = (static_cast<int>(type) - 10) % 7;  // 11: Monday (1) ... 17: Sunday (0)
    return numberResult((d - firstDay + 7) % 7 + 1);
  }
  fail(Error::Num);
}

Operand days(FunctionCall& call) {
  return numberResult(std::floor(serialArgument(call, 0)) - std::floor(serialArgument(call, 1)));
}

Operand dateDif(FunctionCall& call) {
  const bool date1904 = call.evaluation().date1904();
  const double from = std::floor(serialArgument(call, 0)), to = std::floor(serialArgument(call, 1));
  std::string unit = upperText(call.text(2));
  if (from > to) fail(Error::Num);
  const CivilDate a = dateFromSerial(from, date1904), b = dateFromSerial(to, date1904);
  int months = (b.year - a.year) * 12 + (b.month - a.month);
  if (b.day < a.day) --months;
  if (unit == "D") return numberResult(to - from);
  if (unit == "M") return numberResult(months);
  if (unit == "Y") return numberResult(months / 12);
  if (unit == "YM") return numberResult(months % 12);
  if (unit == "MD") {
    if (b.day >= a.day) return numberResult(b.day - a.day);
    // Days from the start's day in the month before the end's month.
    const int pm = b.month == 1 ? 12 : b.month - 1;
    const int py = b.month == 1 ? b.year - 1 : b.year;
    return numberResult(daysInMonth(py, pm) - a.day + b.day);
  }
  if (unit == "YD") {
    // Days from the start's month and day in the end's year (or the year before).
    int y = b.year;
    if (b.month < a.month || (b.month == a.month && b.day < a.day)) --y;
    const int d = std::min(a.day, daysInMonth(y, a.month));
    const auto anniversary = serialFromDate(y, a.month, d, date1904);
    if (!anniversary) fail(Error::Num);
    return numberResult(to - *anniversary);
  }
  fail(Error::Num);
}

Operand networkDays(FunctionCall& call) {
  const bool date1904 = call.evaluation().date1904();
  double from = std::floor(serialArgument(call, 0)), to = std::floor(serialArgument(call, 1));
  std::set<double> holidays;
  if (call.size() > 2 && !call.missing(2)) {
    call.forEach(2, [&](const Value& v, bool) {
      if (v.isError()) fail(v.error);
      if (v.isEmpty()) return;
      holidays.insert(std::floor(call.evaluation().toNumber(v)));
    });
  }
  const double sign = from <= to ? 1 : -1;
  if (from > to) std::swap(from, to);
  // Whole weeks at once, then the days left over.
  const double span = to - from + 1;
  const double weeks = std::floor(span / 7);
  double count = weeks * 5;
  for (double d = from + weeks * 7; d <= to; ++d) {
    const int w = dayOfWeek(d, date1904);
    if (w != 0 && w != 6) ++count;
  }
  for (double h : holidays) {
    const int w = dayOfWeek(h, date1904);
    if (h >= from && h <= to && w != 0 && w != 6) --count;
  }
  return numberResult(sign * count);
}

Operand dateValue(FunctionCall& call) {
  const auto n = textToNumber(call.text(0), call.evaluation().date1904());
  if (!n) fail(Error::Value);
  return numberResult(std::floor(*n));
}

}  // namespace

void addDateFunctions(std::vector<Function>& table) {
  table.insert(table.end(), {
      {"DATE", 3, 3, date},
      {"TIME", 3, 3, time},
      {"YEAR", 1, 1, year},
      {"MONTH", 1, 1, month},
      {"DAY", 1, 1, day},
      {"HOUR", 1, 1, hour},
      {"MINUTE", 1, 1, minute},
      {"SECOND", 1, 1, second},
      {"TODAY", 0, 0, today, true},
      {"NOW", 0, 0, now, true},
      {"EDATE", 2, 2, edate},
      {"EOMONTH", 2, 2, eomonth},
      {"WEEKDAY", 1, 2, weekday},
      {"DAYS", 2, 2, days},
      {"DATEDIF", 3, 3, dateDif},
      {"NETWORKDAYS", 2, 3, networkDays},
      {"DATEVALUE", 1, 1, dateValue},
  });
}

}  // namespace lomandra::formula
