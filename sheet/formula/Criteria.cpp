#include "sheet/formula/Criteria.h"

#include <QString>

#include "sheet/formula/Conversions.h"

namespace lomandra::formula {

namespace {

bool matchFrom(const QString& p, qsizetype pi, const QString& t, qsizetype ti) {
  // Iterative matching with one star of backtracking, the classic greedy scheme.
  qsizetype starP = -1, starT = -1;
  while (ti < t.size()) {
    if (pi < p.size()) {
      const QChar c = p[pi];
      if (c == u'*') {
        starP = ++pi;
        starT = ti;
        continue;
      }
      if (c == u'~' && pi + 1 < p.size() &&
          (p[pi + 1] == u'*' || p[pi + 1] == u'?' || p[pi + 1] == u'~')) {
        if (p[pi + 1] == t[ti]) {
          pi += 2;
          ++ti;
          continue;
        }
      } else if (c == u'?' || c.toCaseFolded() == t[ti].toCaseFolded()) {
        ++pi;
        ++ti;
        continue;
      }
    }
    if (starP < 0) return false;
    pi = starP;
    ti = ++starT;
  }
  while (pi < p.size() && p[pi] == u'*') ++pi;
  return pi == p.size();
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view text) {
  const QString p = QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size()));
  const QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return matchFrom(p, 0, t, 0);
}

Criterion::Criterion(const Value& criterion, bool date1904) {
  if (!criterion.isText()) {
    operand_ = criterion.isEmpty() ? Value::fromNumber(0) : criterion;
    return;
  }
  std::string_view s = criterion.text;
  static constexpr std::pair<std::string_view, Compare> kOperators[] = {
      {"<=", Compare::LessEqual}, {">=", Compare::GreaterEqual}, {"<>", Compare::NotEqual},
      {"<", Compare::Less},       {">", Compare::Greater},       {"=", Compare::Equal}};
  for (const auto& [text, compare] : kOperators) {
    if (s.substr(0, text.size()) == text) {
      compare_ = compare;
      s.remove_prefix(text.size());
      break;
    }
  }
  Error error = Error::Value;
  if (const auto n = textToNumber(s, date1904)) {
    operand_ = Value::fromNumber(*n);
  } else if (equalsIgnoringCase(s, "TRUE") || equalsIgnoringCase(s, "FALSE")) {
    operand_ = Value::fromBoolean(equalsIgnoringCase(s, "TRUE"));
  } else if (parseError(s, error)) {
    operand_ = Value::fromError(error);
  } else {
    operand_ = Value::fromText(std::string(s));
    wildcards_ = s.find_first_of("*?~") != std::string_view::npos;
  }
}

bool Criterion::matches(const Value& value) const {
  // Empty text criteria: "" and "=" meet empty cells, "<>" every cell holding something.
  if (operand_.isText() && operand_.text.empty()) {
    const bool blank = value.isEmpty() || (value.isText() && value.text.empty());
    if (compare_ == Compare::Equal) return blank;
    if (compare_ == Compare::NotEqual) return !value.isEmpty();
  }
  bool comparable = false;
  int order = 0;
  switch (operand_.type) {
    case Value::Type::Number:
      comparable = value.isNumber();
      if (comparable) order = compareValues(value, operand_);
      break;
    case Value::Type::Boolean:
      comparable = value.isBoolean();
      if (comparable) order = compareValues(value, operand_);
      break;
    case Value::Type::Error:
      comparable = value.isError();
      order = comparable && value.error == operand_.error ? 0 : 1;
      if (compare_ != Compare::Equal && compare_ != Compare::NotEqual) comparable = false;
      break;
    case Value::Type::Text:
      comparable = value.isText();
      if (comparable) {
        if (wildcards_ && (compare_ == Compare::Equal || compare_ == Compare::NotEqual))
          order = wildcardMatch(operand_.text, value.text) ? 0 : 1;
        else
          order = compareValues(value, operand_);
      }
      break;
    case Value::Type::Empty:
      break;
  }
  switch (compare_) {
    case Compare::Equal: return comparable && order == 0;
    case Compare::NotEqual: return !comparable || order != 0;
    case Compare::Less: return comparable && order < 0;
    case Compare::LessEqual: return comparable && order <= 0;
    case Compare::Greater: return comparable && order > 0;
    case Compare::GreaterEqual: return comparable && order >= 0;
  }
  return false;
}

}  // namespace lomandra::formula
