#pragma once

// Helpers the function groups share: results, whole numbers, and the numbers a list of
// arguments holds by the application's rules.

#include <cmath>
#include <vector>

#include "sheet/formula/Evaluation.h"
#include "sheet/formula/Functions.h"

namespace lomandra::formula {

/// A number result; infinite or not-a-number is #NUM!.
inline Operand numberResult(double value) {
  if (!std::isfinite(value)) return Value::fromError(Error::Num);
  return Value::fromNumber(value);
}

inline Operand booleanResult(bool value) { return Value::fromBoolean(value); }

/// Throws `error` as the function's result.
[[noreturn]] inline void fail(Error error) { throw ErrorResult{error}; }

/// A whole number argument (truncated toward zero), failing with #NUM! past `limit`.
inline double wholeNumber(double value) { return std::trunc(value); }

/// The numbers arguments [first, size) hold, as SUM, AVERAGE, MIN and MAX count them: numbers,
/// booleans and numeric texts given directly, only numbers within references and arrays; an
/// error anywhere is the result.
inline std::vector<double> numbersOf(FunctionCall& call, std::size_t first = 0) {
  std::vector<double> out;
  for (std::size_t i = first; i < call.size(); ++i) {
    if (call.missing(i)) {
      out.push_back(0);
      continue;
    }
    call.forEach(i, [&](const Value& v, bool direct) {
      if (v.isError()) fail(v.error);
      if (v.isNumber()) {
        out.push_back(v.number);
      } else if (direct && !v.isEmpty()) {
        out.push_back(call.evaluation().toNumber(v));
      }
    });
  }
  return out;
}

/// The values of a one-row or one-column array, in order; #N/A for a block of both.
inline std::vector<Value> vectorOf(const Array& a) {
  if (a.rows != 1 && a.columns != 1) fail(Error::NA);
  return a.values;
}

}  // namespace lomandra::formula
