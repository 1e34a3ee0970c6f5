// SUM and the other arithmetic and counting functions.

#include <algorithm>
#include <cmath>

#include "sheet/formula/Conversions.h"
#include "sheet/formula/FunctionSupport.h"

namespace lomandra::formula {

namespace {

Operand sum(FunctionCall& call) {
  double total = 0;
  for (double n : numbersOf(call)) total += n;
  return numberResult(total);
}

Operand product(FunctionCall& call) {
  const auto numbers = numbersOf(call);
  if (numbers.empty()) return numberResult(0);
  double total = 1;
  for (double n : numbers) total *= n;
  return numberResult(total);
}

Operand average(FunctionCall& call) {
  const auto numbers = numbersOf(call);
  if (numbers.empty()) fail(Error::Div0);
  double total = 0;
  for (double n : numbers) total += n;
  return numberResult(total / static_cast<double>(numbers.size()));
}

Operand minimum(FunctionCall& call) {
  const auto numbers = numbersOf(call);
  return numberResult(numbers.empty() ? 0 : *std::min_element(numbers.begin(), numbers.end()));
}

Operand maximum(FunctionCall& call) {
  const auto numbers = numbersOf(call);
  return numberResult(numbers.empty() ? 0 : *std::max_element(numbers.begin(), numbers.end()));
}

// The values of the arguments that `counts` takes; an argument left out counts as one.
template <typename Counts>
Operand countOf(FunctionCall& call, Counts counts) {
  double n = 0;
  for (std::size_t i = 0; i < call.size(); ++i) {
    if (call.missing(i)) {
      ++n;
      continue;
    }
    call.forEach(i, [&](const Value& v, bool direct) {
      if (counts(v, direct)) ++n;
    });
  }
  return numberResult(n);
}

// COUNT: numbers (and dates) in references; numbers, booleans and numeric texts given directly.
Operand count(FunctionCall& call) {
  const bool date1904 = call.evaluation().date1904();
  return countOf(call, [date1904](const Value& v, bool direct) {
    return v.isNumber() || (direct && v.isBoolean()) ||
           (direct && v.isText() && textToNumber(v.text, date1904));
  });
}

Operand countA(FunctionCall& call) {
  return countOf(call, [](const Value& v, bool direct) { return !v.isEmpty() || direct; });
}

Operand countBlank(FunctionCall& call) {
  const Operand o = call.operand(0);
  if (o.kind != Operand::Kind::Reference || o.areas.size() != 1) fail(Error::Value);
  const Area& a = o.areas.front();
  double filled = 0;
  call.evaluation().forEachValue(a, [&](std::uint32_t, std::uint32_t, const Value& v) {
    if (!(v.isText() && v.text.empty())) ++filled;
  });
  return numberResult(static_cast<double>(std::uint64_t{a.rows()} * a.columns()) - filled);
}

Operand sumProduct(FunctionCall& call) {
  Evaluation& ev = call.evaluation();
  const bool saved = ev.arrayMode();
  ev.setArrayMode(true);
  std::vector<Array> arrays;
  try {
    for (std::size_t i = 0; i < call.size(); ++i) arrays.push_back(call.array(i));
  } catch (...) {
    ev.setArrayMode(saved);
    throw;
  }
  ev.setArrayMode(saved);
  for (const Array& a : arrays)
    if (a.rows != arrays[0].rows || a.columns != arrays[0].columns) fail(Error::Value);
  double total = 0;
  for (std::size_t k = 0; k < arrays[0].values.size(); ++k) {
    double term = 1;
    for (const Array& a : arrays) {
      const Value& v = a.values[k];
      if (v.isError()) fail(v.error);
      term *= v.isNumber() ? v.number : 0;  // texts, booleans and empty cells count as 0
    }
    total += term;
  }
  return numberResult(total);
}

double scaleFor(double digits) { return std::pow(10.0, wholeNumber(digits)); }

// Rounds |x| scaled by 10^digits with `rounder`, on the number's 15-digit decimal form.
template <typename Rounder>
Operand roundWith(FunctionCall& call, Rounder rounder) {
  const double x = call.number(0);
  const double digits = wholeNumber(call.number(1));
  if (digits > 308 || digits < -308) return numberResult(digits > 0 ? x : 0);
  const double scale = scaleFor(digits);
  const double scaled = round15(std::fabs(x) * scale);
  const double rounded = rounder(scaled) / scale;
  return numberResult(x < 0 ? -rounded : rounded);
}

Operand round(FunctionCall& call) {
  return roundWith(call, [](double v) { return std::floor(v + 0.5); });
}
Operand roundUp(FunctionCall& call) {
  return roundWith(call, [](double v) { return std::ceil(v); });
}
Operand roundDown(FunctionCall& call) {
  return roundWith(call, [](double v) { return std::floor(v); });
}

Operand integer(FunctionCall& call) { return numberResult(std::floor(call.number(0))); }
Operand absolute(FunctionCall& call) { return numberResult(std::fabs(call.number(0))); }

Operand modulo(FunctionCall& call) {
  const double a = call.number(0), b = call.number(1);
  if (b == 0) fail(Error::Div0);
  double r = a - b * std::floor(a / b);
  if (std::fabs(r - b) < std::fabs(b) * 1e-15) r = 0;
  return numberResult(r);
}

Operand power(FunctionCall& call) {
  const double x = call.number(0), y = call.number(1);
  if (x == 0 && y == 0) fail(Error::Num);
  if (x == 0 && y < 0) fail(Error::Div0);
  if (x < 0 && y != std::floor(y)) fail(Error::Num);
  return numberResult(std::pow(x, y));
}

Operand squareRoot(FunctionCall& call) {
  const double x = call.number(0);
  if (x < 0) fail(Error::Num);
  return numberResult(std::sqrt(x));
}

Operand ceiling(FunctionCall& call) {
  const double x = call.number(0);
  const double step = call.number(1, x < 0 ? -1 : 1);
  if (step == 0 || x == 0) return numberResult(0);
  if (x > 0 && step < 0) fail(Error::Num);
  return numberResult(std::ceil(round15(x / step)) * step);
}

Operand floorFunction(FunctionCall& call) {
  const double x = call.number(0);
  const double step = call.number(1, x < 0 ? -1 : 1);
  if (step == 0) fail(x == 0 ? Error::Div0 : Error::Div0);
  if (x == 0) return numberResult(0);
  if (x > 0 && step < 0) fail(Error::Num);
  return numberResult(std::floor(round15(x / step)) * step);
}

Operand truncate(FunctionCall& call) {
  const double x = call.number(0);
  const double scale = scaleFor(call.number(1, 0));
  const double t = std::trunc(round15(std::fabs(x) * scale)) / scale;
  return numberResult(x < 0 ? -t : t);
}

Operand sign(FunctionCall& call) {
  const double x = call.number(0);
  return numberResult(x > 0 ? 1 : x < 0 ? -1 : 0);
}

Operand pi(FunctionCall&) { return numberResult(3.14159265358979); }

}  // namespace

void addMathFunctions(std::vector<Function>& table) {
  table.insert(table.end(), {
      {"SUM", 1, 255, sum},
      {"PRODUCT", 1, 255, product},
      {"AVERAGE", 1, 255, average},
      {"MIN", 1, 255, minimum},
      {"MAX", 1, 255, maximum},
      {"COUNT", 1, 255, count},
      {"COUNTA", 1, 255, countA},
      {"COUNTBLANK", 1, 1, countBlank},
      {"SUMPRODUCT", 1, 255, sumProduct},
      {"ROUND", 2, 2, round},
      {"ROUNDUP", 2, 2, roundUp},
      {"ROUNDDOWN", 2, 2, roundDown},
      {"INT", 1, 1, integer},
      {"ABS", 1, 1, absolute},
      {"MOD", 2, 2, modulo},
      {"POWER", 2, 2, power},
      {"SQRT", 1, 1, squareRoot},
      {"CEILING", 2, 2, ceiling},
      {"FLOOR", 2, 2, floorFunction},
      {"TRUNC", 1, 2, truncate},
      {"SIGN", 1, 1, sign},
      {"PI", 0, 0, pi},
  });
}

}  // namespace lomandra::formula
