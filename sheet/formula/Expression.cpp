#include "sheet/formula/Expression.h"

#include <charconv>
#include <cmath>

#include "sheet/formula/Functions.h"

namespace lomandra::formula {

namespace {

constexpr std::uint32_t kRows = 1048576, kColumns = 16384;
// Nesting deeper than the application allows (64 levels of functions) is refused, which also
// keeps a hostile formula from exhausting the stack.
constexpr int kMaxDepth = 200;

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upper(c);
  return out;
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNameChar(char c) {
  return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

struct ParseError {
  std::string reason;
};

// One corner of a reference: "$A$1", "A1", "$A", "7".
struct Corner {
  bool hasColumn = false, hasRow = false;
  bool columnAbsolute = false, rowAbsolute = false;
  std::uint32_t column = 0, row = 0;
};

// Reads a corner at `pos`; false (pos unchanged) when none is there.
bool readCorner(std::string_view s, std::size_t& pos, Corner& corner, bool wantColumn,
                bool wantRow) {
  std::size_t i = pos;
  Corner c;
  if (wantColumn) {
    std::size_t j = i;
    bool dollar = j < s.size() && s[j] == '$';
    if (dollar) ++j;
    std::size_t letters = 0;
    std::uint32_t column = 0;
    while (j < s.size() && isLetter(s[j]) && letters < 4) {
      column = column * 26 + static_cast<std::uint32_t>(upper(s[j]) - 'A' + 1);
      ++j;
      ++letters;
    }
    if (letters > 0 && letters <= 3 && column <= kColumns) {
      c.hasColumn = true;
      c.columnAbsolute = dollar;
      c.column = column - 1;
      i = j;
    }
  }
  if (wantRow) {
    std::size_t j = i;
    bool dollar = j < s.size() && s[j] == '$';
    if (dollar) ++j;
    std::size_t digits = 0;
    std::uint64_t row = 0;
    while (j < s.size() && isDigit(s[j]) && digits < 8) {
      row = row * 10 + static_cast<std::uint64_t>(s[j] - '0');
      ++j;
      ++digits;
    }
    if (digits > 0 && row >= 1 && row <= kRows) {
      c.hasRow = true;
      c.rowAbsolute = dollar;
      c.row = static_cast<std::uint32_t>(row - 1);
      i = j;
    }
  }
  if (!c.hasColumn && !c.hasRow) return false;
  // A reference ends where a name could not go on.
  if (i < s.size() && (isNameChar(s[i]) || s[i] == '(')) return false;
  pos = i;
  corner = c;
  return true;
}

// Reads "A1", "A1:B2", "A:C" or "2:5" at `pos` into `ref`.
bool readArea(std::string_view s, std::size_t& pos, ReferenceText& ref) {
  std::size_t i = pos;
  Corner first, second;
  if (readCorner(s, i, first, true, true) && first.hasColumn && first.hasRow) {
    ref.firstRow = ref.lastRow = first.row;
    ref.firstColumn = ref.lastColumn = first.column;
    ref.firstRowAbsolute = ref.lastRowAbsolute = first.rowAbsolute;
    ref.firstColumnAbsolute = ref.lastColumnAbsolute = first.columnAbsolute;
    std::size_t j = i;
    if (j < s.size() && s[j] == ':') {
      ++j;
      if (readCorner(s, j, second, true, true) && second.hasColumn && second.hasRow) {
        ref.lastRow = second.row;
        ref.lastColumn = second.column;
        ref.lastRowAbsolute = second.rowAbsolute;
        ref.lastColumnAbsolute = second.columnAbsolute;
        i = j;
      }
    }
    pos = i;
    return true;
  }
  // Whole columns "A:C" and whole rows "2:5".
  i = pos;
  if (readCorner(s, i, first, true, false) && i < s.size() && s[i] == ':') {
    std::size_t j = i + 1;
    if (readCorner(s, j, second, true, false)) {
      ref.wholeColumns = true;
      ref.firstColumn = first.column;
      ref.lastColumn = second.column;
      ref.firstColumnAbsolute = first.columnAbsolute;
      ref.lastColumnAbsolute = second.columnAbsolute;
      ref.firstRow = 0;
      ref.lastRow = kRows - 1;
      pos = j;
      return true;
    }
  }
  i = pos;
  if (readCorner(s, i, first, false, true) && i < s.size() && s[i] == ':') {
    std::size_t j = i + 1;
    if (readCorner(s, j, second, false, true)) {
      ref.wholeRows = true;
      ref.firstRow = first.row;
      ref.lastRow = second.row;
      ref.firstRowAbsolute = first.rowAbsolute;
      ref.lastRowAbsolute = second.rowAbsolute;
      ref.firstColumn = 0;
      ref.lastColumn = kColumns - 1;
      pos = j;
      return true;
    }
  }
  return false;
}

class Parser {
 public:
  Parser(std::string_view text, const SheetLookup& sheets, Unsupported& unsupported)
      : s_(text), sheets_(sheets), unsupported_(unsupported) {}

  Node parse() {
    Node root = expression(false);
    skipSpace();
    if (pos_ != s_.size()) fail("unexpected text in the formula");
    return root;
  }

 private:
  [[noreturn]] void fail(const std::string& why) { throw ParseError{why}; }

  void skipSpace() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' ||
                                s_[pos_] == '\t'))
      ++pos_;
  }
  bool take(char c) {
    skipSpace();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool takeText(std::string_view t) {
    skipSpace();
    if (s_.substr(pos_, t.size()) == t) {
      pos_ += t.size();
      return true;
    }
    return false;
  }

  struct Depth {
    explicit Depth(Parser& p) : parser(p) {
      if (++parser.depth_ > kMaxDepth) parser.fail("the formula nests too deeply");
    }
    ~Depth() { --parser.depth_; }
    Parser& parser;
  };

  static Node binary(Operator op, Node left, Node right) {
    Node n;
    n.kind = Node::Kind::Binary;
    n.op = op;
    n.children.push_back(std::move(left));
    n.children.push_back(std::move(right));
    return n;
  }

  Node expression(bool unionAllowed) {
    Depth depth(*this);
    Node left = concatenation();
    for (;;) {
      Operator op;
      if (takeText("<>")) op = Operator::NotEqual;
      else if (takeText("<=")) op = Operator::LessEqual;
      else if (takeText(">=")) op = Operator::GreaterEqual;
      else if (take('=')) op = Operator::Equal;
      else if (take('<')) op = Operator::Less;
      else if (take('>')) op = Operator::Greater;
      else break;
      left = binary(op, std::move(left), concatenation());
    }
    if (unionAllowed) {
      skipSpace();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        Node u;
        u.kind = Node::Kind::Union;
        u.children.push_back(std::move(left));
        while (take(',')) u.children.push_back(expression(false));
        return u;
      }
    }
    return left;
  }

  Node concatenation() {
    Node left = additive();
    while (take('&')) left = binary(Operator::Concat, std::move(left), additive());
    return left;
  }

  Node additive() {
    Node left = multiplicative();
    for (;;) {
      if (take('+')) left = binary(Operator::Add, std::move(left), multiplicative());
      else if (take('-')) left = binary(Operator::Subtract, std::move(left), multiplicative());
      else return left;
    }
  }

  Node multiplicative() {
    Node left = power();
    for (;;) {
      if (take('*')) left = binary(Operator::Multiply, std::move(left), power());
      else if (take('/')) left = binary(Operator::Divide, std::move(left), power());
      else return left;
    }
  }

  Node power() {
    Node left = percent();
    while (take('^')) left = binary(Operator::Power, std::move(left), percent());
    return left;
  }

  Node percent() {
    Node operand = unary();
    while (take('%')) {
      Node n;
      n.kind = Node::Kind::Unary;
      n.op = Operator::Percent;
      n.children.push_back(std::move(operand));
      operand = std::move(n);
    }
    return operand;
  }

  Node unary() {
    Depth depth(*this);
    skipSpace();
    if (pos_ < s_.size() && (s_[pos_] == '-' || s_[pos_] == '+')) {
      const bool minus = s_[pos_] == '-';
      ++pos_;
      Node n;
      n.kind = Node::Kind::Unary;
      n.op = minus ? Operator::Negate : Operator::Plus;
      n.children.push_back(unary());
      return n;
    }
    return range();
  }

  Node range() {
    Node left = primary();
    for (;;) {
      const std::size_t before = pos_;
      if (take(':')) {
        left = binary(Operator::Range, std::move(left), primary());
        continue;
      }
      // A space followed by another reference: the cells both have in common.
      pos_ = before;
      skipSpace();
      if (pos_ > before && pos_ < s_.size() &&
          (isLetter(s_[pos_]) || s_[pos_] == '$' || s_[pos_] == '\'' || s_[pos_] == '_')) {
        left = binary(Operator::Intersect, std::move(left), primary());
        continue;
      }
      pos_ = before;
      return left;
    }
  }

  Node primary() {
    skipSpace();
    if (pos_ >= s_.size()) fail("the formula ends early");
    const char c = s_[pos_];
    if (c == '(') {
      ++pos_;
      Node inner = expression(true);
      if (!take(')')) fail("a parenthesis is not closed");
      return inner;
    }
    if (c == '"') return stringConstant();
    if (c == '{') return arrayConstant();
    if (c == '#') return errorConstant();
    if (c == '[') {
      unsupported_.reason = "a reference to another workbook or a table";
      fail(unsupported_.reason);
    }
    if (c == '\'') return quotedSheetReference();
    if (isDigit(c) || c == '.') {
      // A whole-row reference "2:5" or a number.
      ReferenceText ref;
      std::size_t at = pos_;
      if (readArea(s_, at, ref) && ref.wholeRows) {
        pos_ = at;
        return referenceNode(ref);
      }
      return numberConstant();
    }
    if (c == '$' || isLetter(c) || c == '_' || c == '\\' || static_cast<unsigned char>(c) >= 0x80)
      return word();
    fail("unexpected character in the formula");
  }

  Node referenceNode(const ReferenceText& ref) {
    Node n;
    n.kind = Node::Kind::Reference;
    n.reference = ref;
    return n;
  }

  Node numberConstant() {
    std::size_t end = pos_;
    while (end < s_.size() && (isDigit(s_[end]) || s_[end] == '.')) ++end;
    if (end < s_.size() && (s_[end] == 'E' || s_[end] == 'e')) {
      std::size_t e = end + 1;
      if (e < s_.size() && (s_[e] == '+' || s_[e] == '-')) ++e;
      if (e < s_.size() && isDigit(s_[e])) {
        end = e;
        while (end < s_.size() && isDigit(s_[end])) ++end;
      }
    }
    double value = 0;
    const auto [stop, error] = std::from_chars(s_.data() + pos_, s_.data() + end, value);
    if (error != std::errc() || stop != s_.data() + end) fail("a number is malformed");
    pos_ = end;
    Node n;
    n.value = std::isfinite(value) ? Value::fromNumber(value) : Value::fromError(Error::Num);
    return n;
  }

  std::string quoted(char quote) {
    std::string out;
    ++pos_;
    for (;;) {
      if (pos_ >= s_.size()) fail("a quoted text is not closed");
      if (s_[pos_] == quote) {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == quote) {
          out += quote;
          pos_ += 2;
          continue;
        }
        ++pos_;
        return out;
      }
      out += s_[pos_++];
    }
  }

  Node stringConstant() {
    Node n;
    n.value = Value::fromText(quoted('"'));
    return n;
  }

  Node errorConstant() {
    static constexpr std::string_view kCodes[] = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
                                                  "#NAME?", "#NUM!",   "#N/A"};
    for (std::string_view code : kCodes) {
      if (s_.size() - pos_ >= code.size() && upperCase(s_.substr(pos_, code.size())) == code) {
        pos_ += code.size();
        Node n;
        Error e = Error::Value;
        parseError(code, e);
        n.value = Value::fromError(e);
        return n;
      }
    }
    fail("an unknown error value");
  }

  Node arrayConstant() {
    ++pos_;
    auto array = std::make_shared<formula::Array>();
    std::uint32_t columns = 0, inRow = 0;
    for (;;) {
      skipSpace();
      Value v;
      bool negative = false;
      if (take('-')) negative = true;
      else take('+');
      skipSpace();
      if (pos_ >= s_.size()) fail("an array constant is not closed");
      const char c = s_[pos_];
      if (c == '"') {
        v = Value::fromText(quoted('"'));
      } else if (c == '#') {
        v = errorConstant().value;
      } else if (isDigit(c) || c == '.') {
        v = numberConstant().value;
      } else if (upperCase(s_.substr(pos_, 4)) == "TRUE") {
        pos_ += 4;
        v = Value::fromBoolean(true);
      } else if (upperCase(s_.substr(pos_, 5)) == "FALSE") {
        pos_ += 5;
        v = Value::fromBoolean(false);
      } else {
        fail("an array constant holds something other than constants");
      }
      if (negative && v.isNumber()) v.number = -v.number;
      array->values.push_back(std::move(v));
      ++inRow;
      if (take(',')) continue;
      const bool rowEnds = take(';');
      if (!rowEnds && !take('}')) fail("an array constant is malformed");
      if (columns == 0) columns = inRow;
      if (inRow != columns) fail("the rows of an array constant differ in length");
      ++array->rows;
      inRow = 0;
      if (!rowEnds) break;
    }
    array->columns = columns;
    Node n;
    n.kind = Node::Kind::Array;
    n.array = std::move(array);
    return n;
  }

  // After "Sheet!" or "'Sheet name'!": the area on that sheet.
  Node sheetReference(std::string_view sheetName) {
    ReferenceText ref;
    if (s_.substr(pos_, 5) == "#REF!") {
      pos_ += 5;
      Node n;
      n.value = Value::fromError(Error::Ref);
      return n;
    }
    if (!readArea(s_, pos_, ref)) {
      // A name defined for one sheet ("Sheet1!Total"): looked up like any name.
      std::size_t end = pos_;
      while (end < s_.size() && isNameChar(s_[end])) ++end;
      if (end == pos_) fail("a sheet name stands without a reference");
      Node n;
      n.kind = Node::Kind::Name;
      n.text = upperCase(s_.substr(pos_, end - pos_));
      pos_ = end;
      return n;
    }
    const auto index = sheets_ ? sheets_(sheetName) : std::nullopt;
    ref.sheet = index ? *index : ReferenceText::kMissingSheet;
    return referenceNode(ref);
  }

  Node quotedSheetReference() {
    const std::string name = quoted('\'');
    if (!take('!')) fail("a quoted sheet name is not followed by \"!\"");
    if (!name.empty() && name.front() == '[') {
      unsupported_.reason = "a reference to another workbook";
      fail(unsupported_.reason);
    }
    if (name.find(':') != std::string::npos) {
      unsupported_.reason = "a reference through several sheets";
      fail(unsupported_.reason);
    }
    return sheetReference(name);
  }

  Node word() {
    const std::size_t start = pos_;
    // A reference first: "A1", "$A$1:B2", "A:C".
    {
      ReferenceText ref;
      std::size_t at = pos_;
      if (readArea(s_, at, ref)) {
        std::size_t after = at;
        while (after < s_.size() && s_[after] == ' ') ++after;
        if (after >= s_.size() || (s_[after] != '(' && s_[after] != '!')) {
          pos_ = at;
          return referenceNode(ref);
        }
      }
    }
    std::size_t end = pos_;
    while (end < s_.size() && isNameChar(s_[end])) ++end;
    std::string_view word = s_.substr(start, end - start);
    pos_ = end;
    if (pos_ < s_.size() && s_[pos_] == '!') {
      ++pos_;
      if (word.find(':') != std::string_view::npos) {
        unsupported_.reason = "a reference through several sheets";
        fail(unsupported_.reason);
      }
      return sheetReference(word);
    }
    // A sheet range "Sheet1:Sheet3!A1".
    if (pos_ < s_.size() && s_[pos_] == ':') {
      std::size_t j = pos_ + 1;
      while (j < s_.size() && isNameChar(s_[j])) ++j;
      if (j < s_.size() && s_[j] == '!') {
        unsupported_.reason = "a reference through several sheets";
        fail(unsupported_.reason);
      }
    }
    std::string name = upperCase(word);
    skipSpace();
    if (pos_ < s_.size() && s_[pos_] == '(') {
      ++pos_;
      return call(std::move(name));
    }
    if (name == "TRUE" || name == "FALSE") {
      Node n;
      n.value = Value::fromBoolean(name == "TRUE");
      return n;
    }
    if (pos_ < s_.size() && s_[pos_] == '[') {
      unsupported_.reason = "a table's structured reference";
      fail(unsupported_.reason);
    }
    Node n;
    n.kind = Node::Kind::Name;
    n.text = std::move(name);
    return n;
  }

  Node call(std::string name) {
    // Newer functions are stored with a prefix: "_xlfn.CONCAT", "_xlfn._xlws.SORT".
    std::string_view bare = name;
    for (std::string_view prefix : {"_XLFN.", "_XLWS.", "_XLPM."})
      while (bare.substr(0, prefix.size()) == prefix) bare.remove_prefix(prefix.size());
    Node n;
    n.kind = Node::Kind::Call;
    n.text = std::string(bare);
    n.function = findFunction(bare);
    const bool unknownName = n.function && n.function->prefixed && bare.size() == name.size();
    if (!n.function) {
      bool known = false;
      for (const std::string& f : unsupported_.functions) known = known || f == bare;
      if (!known) unsupported_.functions.emplace_back(bare);
    }
    skipSpace();
    if (take(')')) return n;
    for (;;) {
      skipSpace();
      if (pos_ < s_.size() && (s_[pos_] == ',' || s_[pos_] == ')')) {
        Node missing;
        missing.kind = Node::Kind::Missing;
        n.children.push_back(std::move(missing));
      } else {
        n.children.push_back(expression(false));
      }
      if (take(',')) continue;
      if (take(')')) break;
      fail("a function's arguments are not closed");
    }
    if (unknownName) {
      Node e;
      e.value = Value::fromError(Error::Name);
      return e;
    }
    if (n.function && (static_cast<int>(n.children.size()) < n.function->minArguments ||
                       static_cast<int>(n.children.size()) > n.function->maxArguments)) {
      // The application refuses such a formula when it is typed; a file may still hold one.
      Node e;
      e.value = Value::fromError(Error::Value);
      return e;
    }
    return n;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  const SheetLookup& sheets_;
  Unsupported& unsupported_;
};

}  // namespace

Expression parseFormula(std::string_view text, const SheetLookup& sheets) {
  Expression e;
  if (!text.empty() && text.front() == '=') text.remove_prefix(1);
  try {
    Parser parser(text, sheets, e.unsupported);
    e.root = parser.parse();
  } catch (const ParseError& error) {
    if (e.unsupported.reason.empty()) e.unsupported.reason = "a formula this program cannot read (" + error.reason + ")";
  }
  return e;
}

std::string_view errorText(Error error) {
  switch (error) {
    case Error::Null: return "#NULL!";
    case Error::Div0: return "#DIV/0!";
    case Error::Value: return "#VALUE!";
    case Error::Ref: return "#REF!";
    case Error::Name: return "#NAME?";
    case Error::Num: return "#NUM!";
    case Error::NA: return "#N/A";
  }
  return "#VALUE!";
}

bool parseError(std::string_view text, Error& error) {
  for (Error e : {Error::Null, Error::Div0, Error::Value, Error::Ref, Error::Name, Error::Num,
                  Error::NA}) {
    if (text == errorText(e)) {
      error = e;
      return true;
    }
  }
  return false;
}

}  // namespace lomandra::formula
