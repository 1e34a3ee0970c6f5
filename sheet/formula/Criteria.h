#pragma once

// The criteria of SUMIF, COUNTIF and their kin: ">10", "<>Red", "=", "", "a*b?c", a number.

#include <string>

#include "sheet/formula/Value.h"

namespace lomandra::formula {

class Criterion {
 public:
  /// Reads a criterion given as a value; texts are read with the workbook's date system.
  Criterion(const Value& criterion, bool date1904);
  /// True when a cell holding `value` meets the criterion.
  bool matches(const Value& value) const;

 private:
  enum class Compare { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };
  Compare compare_ = Compare::Equal;
  Value operand_;          // a number, text, boolean or error
  bool wildcards_ = false;  // the text holds * ? or ~
};

/// True when `text` matches `pattern`, where * stands for any run, ? for any one character and
/// ~ takes the next character as it is; without regard to case.
bool wildcardMatch(std::string_view pattern, std::string_view text);

}  // namespace lomandra::formula
