// Parses a number format code into sections: splits at ';' outside quotes and brackets, reads
// each section's elements (placeholders, literals, date and time codes, bracketed tags), then
// decides what kind of section it is and what each placeholder stands for.

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

#include "sheet/numfmt/FormatSection.h"
#include "sheet/numfmt/LocaleNames.h"

namespace lomandra::numfmt {

namespace {

/// Codes longer than this are refused (the application itself keeps a code to 255 characters).
constexpr std::size_t kMaxCodeLength = 4096;
constexpr std::size_t kMaxSections = 4;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool startsWithNoCase(std::string_view s, std::size_t pos, std::string_view word) {
  if (s.size() - pos < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lower(s[pos + i]) != lower(word[i])) return false;
  }
  return true;
}

/// The length of the UTF-8 sequence starting at s[pos] (1 for a stray byte).
std::size_t codePointLength(std::string_view s, std::size_t pos) {
  const auto c = static_cast<unsigned char>(s[pos]);
  std::size_t n = 1;
  if (c >= 0xF0) n = 4;
  else if (c >= 0xE0) n = 3;
  else if (c >= 0xC0) n = 2;
  return std::min(n, s.size() - pos);
}

/// Parts of one section as read, before the section kind is decided.
struct RawSection {
  std::vector<Part> parts;
  Comparison comparison = Comparison::None;
  double operand = 0.0;
  int percents = 0;
  bool refused = false;
  bool systemLongDate = false;
  bool systemTime = false;
  bool tagged = false;  // a colour or condition tag was read
  const LocaleNames* names = nullptr;  // set by a locale tag
};

void addLiteral(RawSection& raw, std::string_view text) {
  if (text.empty()) return;
  if (!raw.parts.empty() && raw.parts.back().kind == PartKind::Literal && raw.parts.back().ch == 0) {
    raw.parts.back().text.append(text);
    return;
  }
  Part p;
  p.kind = PartKind::Literal;
  p.text.assign(text);
  raw.parts.push_back(std::move(p));
}

/// A literal digit 1..9 is kept as its own part so a fixed denominator (?/16) can be found.
void addDigitLiteral(RawSection& raw, char c) {
  Part p;
  p.kind = PartKind::Literal;
  p.ch = c;
  p.text.assign(1, c);
  raw.parts.push_back(std::move(p));
}

void addPart(RawSection& raw, PartKind kind, char ch = 0, int count = 0, bool flag = false) {
  Part p;
  p.kind = kind;
  p.ch = ch;
  p.count = static_cast<std::uint8_t>(std::clamp(count, 0, 255));
  p.flag = flag;
  raw.parts.push_back(std::move(p));
}

/// The names a tag's locale part selects (upper-cased): a Windows locale id in hex, whose low 16
/// bits name the language (the bits above choose a calendar and digits, not shown here), or a
/// language tag such as DE-DE; nullptr when it names none.
const LocaleNames* namesOfLocaleTag(std::string_view locale) {
  if (locale.empty()) return nullptr;
  if (locale.size() <= 8 && locale.find_first_not_of("0123456789ABCDEF") == std::string_view::npos) {
    std::uint32_t id = 0;
    std::from_chars(locale.data(), locale.data() + locale.size(), id, 16);
    return &localeNames(id);
  }
  return namesOfLanguageTag(locale);
}

// The comma is kept as a marker until the section kind is known.
constexpr char kCommaMarker = ',';

void readBracket(std::string_view tag, RawSection& raw) {
  if (tag.empty()) return;
  const char first = tag[0];
  if (first != '$') raw.tagged = true;
  if (first == '$') {
    // [$sym-LCID]: show the symbol; the locale part only names a language.
    const std::size_t dash = tag.find('-', 1);
    const std::string_view symbol = tag.substr(1, dash == std::string_view::npos ? std::string_view::npos : dash - 1);
    addLiteral(raw, symbol);
    if (dash != std::string_view::npos) {
      std::string lcid;
      for (char c : tag.substr(dash + 1)) lcid += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (lcid == "F800" || lcid == "X-SYSDATE") raw.systemLongDate = true;
      else if (lcid == "F400" || lcid == "X-SYSTIME") raw.systemTime = true;
      else if (const LocaleNames* names = namesOfLocaleTag(lcid)) raw.names = names;
    }
    return;
  }
  if (first == '<' || first == '>' || first == '=') {
    std::size_t n = 1;
    Comparison c = Comparison::Equal;
    if (first == '<' && tag.size() > 1 && tag[1] == '=') { c = Comparison::LessEqual; n = 2; }
    else if (first == '<' && tag.size() > 1 && tag[1] == '>') { c = Comparison::NotEqual; n = 2; }
    else if (first == '<') c = Comparison::Less;
    else if (first == '>' && tag.size() > 1 && tag[1] == '=') { c = Comparison::GreaterEqual; n = 2; }
    else if (first == '>') c = Comparison::Greater;
    std::string_view number = tag.substr(n);
    while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
    while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    double operand = 0.0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), operand);
    if (res.ec != std::errc() || res.ptr != number.data() + number.size()) {
      raw.refused = true;
      return;
    }
    if (raw.comparison != Comparison::None) raw.refused = true;  // two conditions in one section
    raw.comparison = c;
    raw.operand = operand;
    return;
  }
  // Elapsed time: [h] [hh] [m] [mm] [s] [ss], any case.
  const char l = lower(first);
  if (l == 'h' || l == 'm' || l == 's') {
    bool same = true;
    for (char c : tag) same = same && lower(c) == l;
    if (same) {
      const PartKind kind = l == 'h' ? PartKind::ElapsedHours : l == 'm' ? PartKind::ElapsedMinutes : PartKind::ElapsedSeconds;
      addPart(raw, kind, 0, static_cast<int>(std::min<std::size_t>(tag.size(), 32)));
      return;
    }
  }
  // Colours ([Red], [Color10]) and other tags ([DBNum1], ...) change nothing in the text.
}

/// Reads one section from code[pos...] up to the next ';' (or the end); pos moves past it.
RawSection readSection(std::string_view code, std::size_t& pos) {
  RawSection raw;
  while (pos < code.size()) {
    const char c = code[pos];
    if (c == ';') break;
    switch (c) {
      case '"': {
        const std::size_t close = code.find('"', pos + 1);
        if (close == std::string_view::npos) {
          raw.refused = true;
          pos = code.size();
          return raw;
        }
        addLiteral(raw, code.substr(pos + 1, close - pos - 1));
        pos = close + 1;
        continue;
      }
      case '\\': {
        if (pos + 1 < code.size()) {
          const std::size_t n = codePointLength(code, pos + 1);
          addLiteral(raw, code.substr(pos + 1, n));
          pos += 1 + n;
        } else {
          pos += 1;
        }
        continue;
      }
      case '_': {
        // Space as wide as the next character: one space in the text.
        if (pos + 1 < code.size()) {
          addLiteral(raw, " ");
          pos += 1 + codePointLength(code, pos + 1);
        } else {
          pos += 1;
        }
        continue;
      }
      case '*': {
        // A fill repeats its character across the rest of a column; with every column wide
        // enough there is no width left to fill, so it shows nothing.
        pos += pos + 1 < code.size() ? 1 + codePointLength(code, pos + 1) : 1;
        continue;
      }
      case '[': {
        const std::size_t close = code.find(']', pos + 1);
        if (close == std::string_view::npos) {
          raw.refused = true;
          pos = code.size();
          return raw;
        }
        readBracket(code.substr(pos + 1, close - pos - 1), raw);
        pos = close + 1;
        continue;
      }
      case '0':
      case '#':
      case '?':
        addPart(raw, PartKind::Digit, c);
        ++pos;
        continue;
      case '.':
        addPart(raw, PartKind::DecimalPoint, '.');
        ++pos;
        continue;
      case ',':
        addPart(raw, PartKind::Literal, kCommaMarker);
        raw.parts.back().text = ",";
        ++pos;
        continue;
      case '%':
        ++raw.percents;
        addLiteral(raw, "%");
        ++pos;
        continue;
      case '@':
        addPart(raw, PartKind::TextValue);
        ++pos;
        continue;
      case '/':
        addPart(raw, PartKind::Slash, '/');
        ++pos;
        continue;
      case ':':
        addPart(raw, PartKind::TimeSeparator, ':');
        raw.parts.back().text = ":";
        ++pos;
        continue;
      default:
        break;
    }
    if (c >= '1' && c <= '9') {
      addDigitLiteral(raw, c);
      ++pos;
      continue;
    }
    if ((c == 'E' || c == 'e') && pos + 1 < code.size() && (code[pos + 1] == '+' || code[pos + 1] == '-')) {
      addPart(raw, PartKind::Exponent, c, 0, code[pos + 1] == '+');
      pos += 2;
      continue;
    }
    if (startsWithNoCase(code, pos, "general")) {
      addPart(raw, PartKind::General);
      pos += 7;
      continue;
    }
    if (startsWithNoCase(code, pos, "am/pm")) {
      addPart(raw, PartKind::AmPm, c, 0, false);
      pos += 5;
      continue;
    }
    if (startsWithNoCase(code, pos, "a/p")) {
      addPart(raw, PartKind::AmPm, c, 0, true);
      pos += 3;
      continue;
    }
    const char l = lower(c);
    if (l == 'b' && pos + 1 < code.size() && (code[pos + 1] == '1' || code[pos + 1] == '2')) {
      pos += 2;  // B1/B2 choose the calendar; only the Gregorian one is shown
      continue;
    }
    if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's' || l == 'b' || l == 'g' || l == 'e') {
      std::size_t n = 1;
      while (pos + n < code.size() && lower(code[pos + n]) == l) ++n;
      const int count = static_cast<int>(std::min<std::size_t>(n, 32));
      switch (l) {
        case 'y': addPart(raw, PartKind::Year, 'y', count <= 2 ? 2 : 4); break;
        case 'e': addPart(raw, PartKind::Year, 'e', 4); break;  // the year in full
        case 'm': addPart(raw, PartKind::Month, 'm', count > 5 ? 4 : count); break;
        case 'd': addPart(raw, PartKind::Day, 'd', std::min(count, 4)); break;
        case 'h': addPart(raw, PartKind::Hour, 'h', std::min(count, 2)); break;
        case 's': addPart(raw, PartKind::Second, 's', std::min(count, 2)); break;
        case 'b':
          if (count >= 2) addPart(raw, PartKind::BuddhistYear, 'b', count <= 2 ? 2 : 4);
          else addLiteral(raw, code.substr(pos, 1));
          break;
        default: break;  // g, gg, ggg: era names, none in the Gregorian calendar
      }
      pos += n;
      continue;
    }
    const std::size_t n = codePointLength(code, pos);
    addLiteral(raw, code.substr(pos, n));
    pos += n;
  }
  return raw;
}

bool isDatePart(PartKind k) {
  switch (k) {
    case PartKind::Year: case PartKind::BuddhistYear: case PartKind::Month: case PartKind::Day:
    case PartKind::Hour: case PartKind::Minute: case PartKind::Second: case PartKind::SubSecond:
    case PartKind::AmPm: case PartKind::ElapsedHours: case PartKind::ElapsedMinutes:
    case PartKind::ElapsedSeconds:
      return true;
    default:
      return false;
  }
}

bool isComma(const Part& p) { return p.kind == PartKind::Literal && p.ch == kCommaMarker; }

bool isSeparator(PartKind k) { return k == PartKind::DateSeparator || k == PartKind::TimeSeparator; }

/// Outside a date or time section ':' is a literal, joined to the literal text around it as it
/// was read.
void timeSeparatorsAsLiterals(std::vector<Part>& parts) {
  std::vector<Part> out;
  out.reserve(parts.size());
  for (Part& p : parts) {
    const bool plain = p.kind == PartKind::TimeSeparator || (p.kind == PartKind::Literal && p.ch == 0);
    if (p.kind == PartKind::TimeSeparator) {
      p.kind = PartKind::Literal;
      p.ch = 0;
    }
    if (plain && !out.empty() && out.back().kind == PartKind::Literal && out.back().ch == 0) {
      out.back().text += p.text;
      continue;
    }
    out.push_back(std::move(p));
  }
  parts = std::move(out);
}

void makeLiteral(Part& p, std::string text) {
  p.kind = PartKind::Literal;
  p.ch = 0;
  p.text = std::move(text);
}

std::string literalTextOf(const Part& p) {
  switch (p.kind) {
    case PartKind::Digit: return std::string(1, p.ch);
    case PartKind::DecimalPoint: return ".";
    case PartKind::Slash: return "/";
    case PartKind::Exponent: return std::string(1, p.ch) + (p.flag ? "+" : "-");
    default: return p.text;
  }
}

/// Merges neighbouring plain literals so rendering appends fewer pieces.
void mergeLiterals(std::vector<Part>& parts) {
  std::vector<Part> merged;
  merged.reserve(parts.size());
  for (Part& p : parts) {
    if (p.kind == PartKind::Literal) p.ch = 0;
    if (p.kind == PartKind::Literal && !merged.empty() && merged.back().kind == PartKind::Literal) {
      merged.back().text += p.text;
      continue;
    }
    if (p.kind == PartKind::Literal && p.text.empty()) continue;
    merged.push_back(std::move(p));
  }
  parts = std::move(merged);
}

void finishDateTime(Section& s) {
  s.kind = SectionKind::DateTime;
  auto& parts = s.parts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    Part& p = parts[i];
    if (p.kind == PartKind::DecimalPoint) {
      // .0 .00 .000: the fraction of the second (ss.00; also where no seconds are shown).
      std::size_t j = i + 1;
      while (j < parts.size() && parts[j].kind == PartKind::Digit && parts[j].ch == '0') ++j;
      const int zeros = static_cast<int>(j - i - 1);
      if (zeros > 0) {
        p.kind = PartKind::SubSecond;
        p.count = static_cast<std::uint8_t>(std::min(zeros, 3));
        s.secondDecimals = std::max(s.secondDecimals, static_cast<int>(p.count));
        // Digits beyond the third are shown as zeros, as literal text.
        std::string extra(static_cast<std::size_t>(std::max(0, zeros - 3)), '0');
        parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(i) + 1, parts.begin() + static_cast<std::ptrdiff_t>(j));
        if (!extra.empty()) {
          Part lit;
          makeLiteral(lit, extra);
          parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(lit));
        }
        continue;
      }
    }
    if (p.kind == PartKind::Slash) {
      p.kind = PartKind::DateSeparator;
      p.text = "/";
    } else if (p.kind == PartKind::Digit || p.kind == PartKind::DecimalPoint || p.kind == PartKind::Exponent ||
               isComma(p)) {
      makeLiteral(p, literalTextOf(p));
    } else if (p.kind == PartKind::General || p.kind == PartKind::TextValue) {
      makeLiteral(p, std::string());
    }
  }
  // m and mm are minutes right after an hour or a second (each pairs with one m), or right
  // before a second; months elsewhere. Literals and AM/PM between them do not count.
  std::vector<bool> used(parts.size(), false);
  std::size_t last = parts.size();  // the previous date or time part
  for (std::size_t i = 0; i < parts.size(); ++i) {
    Part& p = parts[i];
    const PartKind k = p.kind;
    if (k == PartKind::Literal || k == PartKind::AmPm || k == PartKind::SubSecond || isSeparator(k)) continue;
    const bool lastIsClock = last < parts.size() && !used[last] &&
                             (parts[last].kind == PartKind::Hour || parts[last].kind == PartKind::ElapsedHours ||
                              parts[last].kind == PartKind::Second || parts[last].kind == PartKind::ElapsedSeconds);
    if (k == PartKind::Month && p.count <= 2 && lastIsClock) {
      p.kind = PartKind::Minute;
      used[last] = true;
    } else if (k == PartKind::Second && last < parts.size()) {
      if (parts[last].kind == PartKind::Minute || parts[last].kind == PartKind::ElapsedMinutes) {
        used[i] = true;
      } else if (parts[last].kind == PartKind::Month && parts[last].count <= 2) {
        parts[last].kind = PartKind::Minute;
        used[i] = true;
      }
    }
    last = i;
  }
  bool clockPart = false;
  bool elapsedPart = false;
  for (const Part& p : parts) {
    const bool elapsed = p.kind == PartKind::ElapsedHours || p.kind == PartKind::ElapsedMinutes ||
                         p.kind == PartKind::ElapsedSeconds;
    // An elapsed count after an hour, minute or second (hh[m]) is refused by the application.
    if (elapsed && clockPart) s.invalid = true;
    elapsedPart = elapsedPart || elapsed;
    if (p.kind == PartKind::Hour || p.kind == PartKind::Minute || p.kind == PartKind::Second) clockPart = true;
    if (p.kind == PartKind::AmPm) s.twelveHour = true;
    if (p.kind == PartKind::Year || p.kind == PartKind::BuddhistYear || p.kind == PartKind::Month ||
        p.kind == PartKind::Day)
      s.hasDateParts = true;
    else if (p.kind != PartKind::Literal && !isSeparator(p.kind))
      s.hasTimeParts = true;
  }
  s.elapsedOnly = elapsedPart && !clockPart && !s.hasDateParts &&
                  std::none_of(parts.begin(), parts.end(), [](const Part& p) { return p.kind == PartKind::AmPm; });
}

/// Gives the number-section placeholders their roles, reads commas, and finds fraction parts.
void finishNumber(Section& s) {
  auto& parts = s.parts;
  // A fraction: placeholders right before a '/', followed by placeholders or a written number.
  std::size_t slash = parts.size();
  for (std::size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].kind == PartKind::Slash && parts[i - 1].kind == PartKind::Digit && i + 1 < parts.size() &&
        (parts[i + 1].kind == PartKind::Digit || (parts[i + 1].kind == PartKind::Literal && parts[i + 1].ch >= '1'))) {
      slash = i;
      break;
    }
  }
  const bool hasExponent = std::any_of(parts.begin(), parts.end(), [](const Part& p) { return p.kind == PartKind::Exponent; });
  if (slash < parts.size()) {
    s.kind = SectionKind::Fraction;
    std::size_t numStart = slash;
    while (numStart > 0 && parts[numStart - 1].kind == PartKind::Digit) --numStart;
    for (std::size_t i = 0; i < numStart; ++i) {
      if (parts[i].kind == PartKind::Digit) {
        parts[i].role = DigitRole::Integer;
        ++s.integerDigits;
      }
    }
    for (std::size_t i = numStart; i < slash; ++i) {
      parts[i].role = DigitRole::Numerator;
      ++s.numeratorDigits;
    }
    std::size_t j = slash + 1;
    if (parts[j].kind == PartKind::Literal) {
      // A written denominator: its digits (a '0' placeholder among them is a digit too).
      long den = 0;
      std::size_t k = j;
      while (k < parts.size() && den < 100000000 &&
             ((parts[k].kind == PartKind::Literal && parts[k].ch >= '1' && parts[k].ch <= '9') ||
              (parts[k].kind == PartKind::Digit && parts[k].ch == '0'))) {
        den = den * 10 + (parts[k].ch - '0');
        ++k;
      }
      s.fixedDenominator = static_cast<int>(den);
      Part d;
      d.kind = PartKind::Digit;
      d.ch = '0';
      d.role = DigitRole::Denominator;
      d.count = static_cast<std::uint8_t>(std::min<std::size_t>(k - j, 255));
      for (std::size_t m = j; m < k; ++m) d.text += parts[m].ch;
      parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(j), parts.begin() + static_cast<std::ptrdiff_t>(k));
      parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(j), std::move(d));
      s.denominatorDigits = 1;
      ++j;
    } else {
      while (j < parts.size() && parts[j].kind == PartKind::Digit) {
        parts[j].role = DigitRole::Denominator;
        ++s.denominatorDigits;
        ++j;
      }
    }
    for (std::size_t i = j; i < parts.size(); ++i) {
      if (parts[i].kind == PartKind::Digit || parts[i].kind == PartKind::Slash || parts[i].kind == PartKind::DecimalPoint ||
          parts[i].kind == PartKind::Exponent || isComma(parts[i]))
        makeLiteral(parts[i], literalTextOf(parts[i]));
    }
    // Commas among the whole number's placeholders still group thousands (read below).
    for (std::size_t i = 0; i < slash; ++i) {
      if (parts[i].kind == PartKind::DecimalPoint || parts[i].kind == PartKind::Exponent ||
          (isComma(parts[i]) && i >= numStart) || parts[i].kind == PartKind::Slash)
        makeLiteral(parts[i], literalTextOf(parts[i]));
    }
  } else {
    s.kind = hasExponent ? SectionKind::Scientific : SectionKind::Number;
    DigitRole role = DigitRole::Integer;
    bool pointSeen = false;
    bool exponentSeen = false;
    for (Part& p : parts) {
      if (p.kind == PartKind::Slash) {
        makeLiteral(p, "/");
      } else if (p.kind == PartKind::DecimalPoint) {
        if (pointSeen || exponentSeen) makeLiteral(p, ".");
        else { pointSeen = true; role = DigitRole::Fraction; }
      } else if (p.kind == PartKind::Exponent) {
        if (exponentSeen) makeLiteral(p, literalTextOf(p));
        else { exponentSeen = true; role = DigitRole::ExponentDigits; }
      } else if (p.kind == PartKind::Digit) {
        p.role = role;
        if (role == DigitRole::Integer) ++s.integerDigits;
        else if (role == DigitRole::Fraction) ++s.fractionDigits;
        else {
          ++s.exponentDigits;
          if (p.ch == '0') ++s.exponentMinDigits;
        }
      }
    }
  }
  // Commas: between integer placeholders they group thousands; right after a placeholder and
  // not before another one, each scales the number down by a thousand.
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!isComma(parts[i])) continue;
    std::size_t end = i;
    while (end < parts.size() && isComma(parts[end])) ++end;
    // A point right after placeholders counts as part of the number (0.,  scales too).
    const bool afterDigit = i > 0 && (parts[i - 1].kind == PartKind::Digit ||
                                      (parts[i - 1].kind == PartKind::DecimalPoint && i > 1 && parts[i - 2].kind == PartKind::Digit));
    const bool beforeDigit = end < parts.size() && parts[end].kind == PartKind::Digit;
    const bool inInteger = beforeDigit ? parts[end].role == DigitRole::Integer : afterDigit && parts[i - 1].role == DigitRole::Integer;
    if (beforeDigit && inInteger && (afterDigit || s.integerDigits > 0)) {
      s.grouping = true;
      for (std::size_t k = i; k < end; ++k) makeLiteral(parts[k], std::string());
    } else if (afterDigit && !beforeDigit && s.kind != SectionKind::Fraction) {
      s.powerOfTen -= 3 * static_cast<int>(end - i);
      for (std::size_t k = i; k < end; ++k) makeLiteral(parts[k], std::string());
    } else if (beforeDigit || afterDigit) {
      for (std::size_t k = i; k < end; ++k) makeLiteral(parts[k], std::string());
    } else {
      for (std::size_t k = i; k < end; ++k) makeLiteral(parts[k], ",");
    }
    i = end - 1;
  }
  // ".00" has an implied '#' before its decimal point.
  if (s.kind == SectionKind::Number && s.integerDigits == 0 && s.fractionDigits > 0) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (parts[i].kind == PartKind::DecimalPoint) {
        Part p;
        p.kind = PartKind::Digit;
        p.ch = '#';
        p.role = DigitRole::Integer;
        parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(i), std::move(p));
        s.integerDigits = 1;
        break;
      }
    }
  }
  // @ has no place in a number section.
  for (Part& p : parts) {
    if (p.kind == PartKind::TextValue) makeLiteral(p, std::string());
  }
  if (s.kind == SectionKind::Scientific && s.integerDigits + s.fractionDigits == 0) {
    s.kind = SectionKind::Number;
    for (Part& p : parts) {
      if (p.kind == PartKind::Exponent || p.kind == PartKind::Digit) makeLiteral(p, literalTextOf(p));
    }
    s.exponentDigits = s.exponentMinDigits = 0;
  }
}

void parseSystemFormat(std::string_view code, Section& s) {
  std::size_t pos = 0;
  RawSection raw = readSection(code, pos);
  s.parts = std::move(raw.parts);
  finishDateTime(s);
}

Section finishSection(RawSection raw) {
  Section s;
  s.comparison = raw.comparison;
  s.operand = raw.operand;
  s.names = raw.names;
  if (raw.systemLongDate) {
    // The system's long date; the en-US form here, another locale's in its place when rendered.
    parseSystemFormat("dddd, mmmm d, yyyy", s);
    s.system = SystemFormat::LongDate;
    return s;
  }
  if (raw.systemTime) {
    // The system's time as Windows en-US writes it: 12-hour with AM/PM ("10:42:24 PM").
    parseSystemFormat("h:mm:ss AM/PM", s);
    s.system = SystemFormat::Time;
    return s;
  }
  s.parts = std::move(raw.parts);
  if (!std::any_of(s.parts.begin(), s.parts.end(), [](const Part& p) { return isDatePart(p.kind); }) ||
      std::any_of(s.parts.begin(), s.parts.end(), [](const Part& p) { return p.kind == PartKind::General; }))
    timeSeparatorsAsLiterals(s.parts);
  s.hasGeneral = std::any_of(s.parts.begin(), s.parts.end(), [](const Part& p) { return p.kind == PartKind::General; });
  s.hasText = std::any_of(s.parts.begin(), s.parts.end(), [](const Part& p) { return p.kind == PartKind::TextValue; });
  const bool date = std::any_of(s.parts.begin(), s.parts.end(), [](const Part& p) { return isDatePart(p.kind); });
  const bool digits = std::any_of(s.parts.begin(), s.parts.end(), [](const Part& p) { return p.kind == PartKind::Digit; });
  if (s.parts.empty() && raw.tagged) {
    // Only a colour or a condition: the number shows as General.
    Part g;
    g.kind = PartKind::General;
    s.parts.push_back(g);
    s.hasGeneral = true;
    s.kind = SectionKind::Number;
  } else if (s.parts.empty()) {
    s.kind = SectionKind::Empty;
  } else if (date && !s.hasGeneral) {
    finishDateTime(s);
  } else if (s.hasText && !digits && !s.hasGeneral) {
    s.kind = SectionKind::Text;
    for (Part& p : s.parts) {
      if (p.kind != PartKind::TextValue && p.kind != PartKind::Literal) makeLiteral(p, literalTextOf(p));
    }
  } else {
    // Date letters in a number section are shown as written.
    for (Part& p : s.parts) {
      if (isDatePart(p.kind)) {
        std::string letters(std::max<int>(1, p.count), p.ch ? p.ch : 'h');
        if (p.kind == PartKind::AmPm) letters = p.flag ? "A/P" : "AM/PM";
        makeLiteral(p, letters);
      }
    }
    s.powerOfTen = 2 * std::min(raw.percents, 100);
    finishNumber(s);
  }
  mergeLiterals(s.parts);
  return s;
}

}  // namespace

ParsedCode parseFormatCode(std::string_view code) {
  ParsedCode result;
  if (code.size() > kMaxCodeLength) {
    result.refused = true;
    return result;
  }
  std::size_t pos = 0;
  int conditions = 0;
  while (true) {
    RawSection raw = readSection(code, pos);
    if (raw.refused) {
      result.refused = true;
      return result;
    }
    if (raw.comparison != Comparison::None) ++conditions;
    result.sections.push_back(finishSection(std::move(raw)));
    if (result.sections.back().invalid) {
      result.refused = true;
      return result;
    }
    if (pos >= code.size()) break;
    ++pos;  // the ';'
    if (result.sections.size() == kMaxSections) {
      result.refused = true;  // a fifth section
      return result;
    }
  }
  if (conditions > 2) result.refused = true;
  return result;
}

}  // namespace lomandra::numfmt
