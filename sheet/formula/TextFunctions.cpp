// Joining, cutting, searching and converting texts; TEXT through the engine's number formats.
// Lengths and positions count UTF-16 code units, as the application counts characters.

#include <QString>

#include "sheet/formula/Conversions.h"
#include "sheet/formula/Criteria.h"
#include "sheet/formula/FunctionSupport.h"
#include "sheet/model/WorkbookFile.h"
#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::formula {

namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

Operand textResult(const QString& s) {
  if (static_cast<std::size_t>(s.size()) > model::kMaxCellCharacters) fail(Error::Value);
  return Value::fromText(s.toStdString());
}
Operand textResult(std::string s) {
  if (s.size() > model::kMaxCellCharacters && static_cast<std::size_t>(q(s).size()) > model::kMaxCellCharacters)
    fail(Error::Value);
  return Value::fromText(std::move(s));
}

// A count argument: whole, not negative.
qsizetype countArgument(FunctionCall& call, std::size_t i, double fallback) {
  const double n = std::trunc(call.number(i, fallback));
  if (n < 0) fail(Error::Value);
  return static_cast<qsizetype>(std::min(n, 1e9));
}

Operand concatenate(FunctionCall& call) {
  std::string out;
  for (std::size_t i = 0; i < call.size(); ++i) out += call.text(i);
  return textResult(std::move(out));
}

// CONCAT and TEXTJOIN take every cell of a reference.
void texts(FunctionCall& call, std::size_t i, std::vector<std::string>& out) {
  call.forEach(i, [&](const Value& v, bool) {
    if (v.isError()) fail(v.error);
    out.push_back(call.evaluation().toText(v));
  });
}

Operand concat(FunctionCall& call) {
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < call.size(); ++i) texts(call, i, parts);
  std::string out;
  for (const std::string& p : parts) out += p;
  return textResult(std::move(out));
}

Operand textJoin(FunctionCall& call) {
  const std::string delimiter = call.text(0);
  const bool ignoreEmpty = call.boolean(1);
  std::string out;
  bool first = true;
  for (std::size_t i = 2; i < call.size(); ++i) {
    std::vector<std::string> parts;
    if (call.missing(i)) parts.emplace_back();
    else {
      // Empty cells of a reference count as empty texts.
      for (const Value& v : call.array(i).values) {
        if (v.isError()) fail(v.error);
        parts.push_back(call.evaluation().toText(v));
      }
    }
    for (const std::string& p : parts) {
      if (ignoreEmpty && p.empty()) continue;
      if (!first) out += delimiter;
      out += p;
      first = false;
    }
  }
  return textResult(std::move(out));
}

Operand left(FunctionCall& call) {
  const QString s = q(call.text(0));
  return textResult(s.left(countArgument(call, 1, 1)));
}

Operand right(FunctionCall& call) {
  const QString s = q(call.text(0));
  return textResult(s.right(countArgument(call, 1, 1)));
}

Operand mid(FunctionCall& call) {
  const QString s = q(call.text(0));
  const double start = std::trunc(call.number(1));
  const qsizetype n = countArgument(call, 2, 0);
  if (start < 1) fail(Error::Value);
  if (start > static_cast<double>(s.size())) return textResult(QString());
  return textResult(s.mid(static_cast<qsizetype>(start) - 1, n));
}

Operand len(FunctionCall& call) { return numberResult(static_cast<double>(q(call.text(0)).size())); }
Operand upperFunction(FunctionCall& call) { return textResult(q(call.text(0)).toUpper()); }
Operand lowerFunction(FunctionCall& call) { return textResult(q(call.text(0)).toLower()); }

Operand proper(FunctionCall& call) {
  QString s = q(call.text(0));
  bool afterLetter = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (c.isLetter()) {
      s[i] = afterLetter ? c.toLower() : c.toUpper();
      afterLetter = true;
    } else {
      afterLetter = false;
    }
  }
  return textResult(s);
}

Operand trim(FunctionCall& call) {
  const std::string s = call.text(0);
  std::string out;
  bool space = false;
  for (char c : s) {
    if (c == ' ') {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return textResult(std::move(out));
}

Operand substitute(FunctionCall& call) {
  const QString s = q(call.text(0));
  const QString from = q(call.text(1));
  const QString to = q(call.text(2));
  if (from.isEmpty()) return textResult(s);
  if (call.size() > 3 && !call.missing(3)) {
    const double which = std::trunc(call.number(3));
    if (which < 1) fail(Error::Value);
    qsizetype at = -1;
    for (double k = 0; k < which; ++k) {
      at = s.indexOf(from, at + (k == 0 ? 1 : from.size()));
      if (at < 0) return textResult(s);
    }
    QString out = s;
    out.replace(at, from.size(), to);
    return textResult(out);
  }
  QString out = s;
  out.replace(from, to);
  return textResult(out);
}

Operand replace(FunctionCall& call) {
  QString s = q(call.text(0));
  const double start = std::trunc(call.number(1));
  const qsizetype n = countArgument(call, 2, 0);
  const QString with = q(call.text(3));
  if (start < 1) fail(Error::Value);
  const qsizetype at = static_cast<qsizetype>(std::min(start - 1, static_cast<double>(s.size())));
  s.replace(at, std::min(n, s.size() - at), with);
  return textResult(s);
}

Operand findText(FunctionCall& call, bool caseSensitive) {
  const QString wanted = q(call.text(0));
  const QString within = q(call.text(1));
  const double start = std::trunc(call.number(2, 1));
  if (start < 1 || start > static_cast<double>(within.size()) + 1) fail(Error::Value);
  const auto from = static_cast<qsizetype>(start) - 1;
  if (caseSensitive) {
    const qsizetype at = within.indexOf(wanted, from, Qt::CaseSensitive);
    if (at < 0) fail(Error::Value);
    return numberResult(static_cast<double>(at + 1));
  }
  // SEARCH: wildcards, without regard to case; the first position where the pattern matches
  // a beginning of the rest.
  const bool wild = wanted.contains(u'*') || wanted.contains(u'?') || wanted.contains(u'~');
  if (!wild) {
    const qsizetype at = within.indexOf(wanted, from, Qt::CaseInsensitive);
    if (at < 0) fail(Error::Value);
    return numberResult(static_cast<double>(at + 1));
  }
  const std::string pattern = (wanted + u'*').toStdString();
  for (qsizetype i = from; i <= within.size(); ++i)
    if (wildcardMatch(pattern, within.mid(i).toStdString())) return numberResult(static_cast<double>(i + 1));
  fail(Error::Value);
}

Operand find(FunctionCall& call) { return findText(call, true); }
Operand search(FunctionCall& call) { return findText(call, false); }

Operand rept(FunctionCall& call) {
  const std::string s = call.text(0);
  const double times = std::trunc(call.number(1));
  if (times < 0) fail(Error::Value);
  if (s.size() * times > static_cast<double>(model::kMaxCellCharacters) * 4) fail(Error::Value);
  std::string out;
  for (double i = 0; i < times; ++i) out += s;
  return textResult(std::move(out));
}

Operand exact(FunctionCall& call) { return booleanResult(call.text(0) == call.text(1)); }

Operand value(FunctionCall& call) {
  const Value v = call.scalar(0);
  if (v.isError()) return v;
  if (v.isNumber()) return v;
  if (v.isEmpty()) return numberResult(0);
  if (v.isBoolean()) fail(Error::Value);
  if (const auto n = textToNumber(v.text, call.evaluation().date1904())) return numberResult(*n);
  fail(Error::Value);
}

Operand text(FunctionCall& call) {
  const Value v = call.scalar(0);
  if (v.isError()) return v;
  const std::string code = call.text(1);
  const auto format = numfmt::NumberFormat::compile(code);
  if (v.isBoolean()) return textResult(std::string(v.number != 0 ? "TRUE" : "FALSE"));
  std::optional<double> n;
  if (v.isNumber()) n = v.number;
  else if (v.isEmpty()) n = 0;
  else n = textToNumber(v.text, call.evaluation().date1904());
  if (!n) return textResult(format->formatText(v.text));
  return textResult(format->formatNumber(*n, call.evaluation().date1904()));
}

Operand t(FunctionCall& call) {
  const Value v = call.scalar(0);
  if (v.isError()) return v;
  return textResult(v.isText() ? v.text : std::string());
}

Operand character(FunctionCall& call) {
  const double n = std::trunc(call.number(0));
  if (n < 1 || n > 255) fail(Error::Value);
  // The Windows-1252 code page of an en-US installation.
  static constexpr char16_t kHigh[32] = {0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F,
                                        0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178};
  const auto code = static_cast<int>(n);
  const char16_t unit = code >= 0x80 && code < 0xA0 ? kHigh[code - 0x80] : static_cast<char16_t>(code);
  return textResult(QString(QChar(unit)));
}

}  // namespace

void addTextFunctions(std::vector<Function>& table) {
  table.insert(table.end(), {
      {"CONCATENATE", 1, 255, concatenate},
      {"CONCAT", 1, 254, concat},
      {"TEXTJOIN", 3, 252, textJoin},
      {"LEFT", 1, 2, left},
      {"RIGHT", 1, 2, right},
      {"MID", 3, 3, mid},
      {"LEN", 1, 1, len},
      {"UPPER", 1, 1, upperFunction},
      {"LOWER", 1, 1, lowerFunction},
      {"PROPER", 1, 1, proper},
      {"TRIM", 1, 1, trim},
      {"SUBSTITUTE", 3, 4, substitute},
      {"REPLACE", 4, 4, replace},
      {"FIND", 2, 3, find},
      {"SEARCH", 2, 3, search},
      {"REPT", 2, 2, rept},
      {"EXACT", 2, 2, exact},
      {"VALUE", 1, 1, value},
      {"TEXT", 2, 2, text},
      {"T", 1, 1, t},
      {"CHAR", 1, 1, character},
  });
}

}  // namespace lomandra::formula
