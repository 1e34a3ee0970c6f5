#include "sheet/csv/CsvParser.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "sheet/model/TextEncoding.h"

namespace lomandra::csv {

namespace {

// NUL never reaches a cell.
void appendUtf8(std::uint32_t cp, std::string& out) {
  if (cp != 0) model::appendUtf8(out, cp);
}

std::uint32_t windows1252(unsigned char byte) { return model::windows1252Char(byte); }

// Length of the valid UTF-8 sequence at the start of `s`: > 0 valid, 0 invalid, -1 cut off by
// the end of `s` (valid so far).
int utf8SequenceLength(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) return 1;
  int length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<std::size_t>(i) >= s.size()) return -1;
    const auto b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
    if (i == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 0;
  }
  return length;
}

bool isValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const int n = utf8SequenceLength(s.substr(i));
    if (n == 0) return false;
    if (n < 0) return true;  // cut off by the end of the sample
    i += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

TextEncoding detectEncoding(std::string_view head) {
  if (head.starts_with("\xEF\xBB\xBF")) return TextEncoding::Utf8Bom;
  if (head.starts_with("\xFF\xFE")) return TextEncoding::Utf16LE;
  if (head.starts_with("\xFE\xFF")) return TextEncoding::Utf16BE;
  return isValidUtf8(head) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

std::size_t byteOrderMarkLength(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8Bom:
      return 3;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
      return 2;
    default:
      return 0;
  }
}

void TextDecoder::decode(std::string_view bytes, bool last, std::string& out) {
  switch (encoding_) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
      decodeUtf8(bytes, last, out);
      break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
      decodeUtf16(bytes, last, out);
      break;
    case TextEncoding::Windows1252:
      for (char c : bytes) appendUtf8(windows1252(static_cast<unsigned char>(c)), out);
      break;
  }
}

void TextDecoder::decodeUtf8(std::string_view bytes, bool last, std::string& out) {
  // A sequence cut by the previous chunk's end is completed with this chunk's first bytes.
  std::string joined;
  if (!carry_.empty()) {
    joined = carry_;
    joined.append(bytes.substr(0, std::min<std::size_t>(bytes.size(), 4)));
    const std::size_t carried = carry_.size();
    carry_.clear();
    const int n = utf8SequenceLength(joined);
    if (n > 0) {
      out.append(joined, 0, static_cast<std::size_t>(n));
      bytes.remove_prefix(static_cast<std::size_t>(n) - carried);
    } else if (n < 0 && !last) {
      carry_ = joined;  // still incomplete: the chunk was shorter than the sequence
      return;
    } else {
      appendUtf8(windows1252(static_cast<unsigned char>(joined[0])), out);
      // The carried bytes after the first are read again as the start of new sequences.
      std::string rest = joined.substr(1, carried - 1);
      rest.append(bytes);
      decodeUtf8(rest, last, out);
      return;
    }
  }
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      // Copy a run of ASCII at once.
      std::size_t j = i;
      while (j < bytes.size() && static_cast<unsigned char>(bytes[j]) < 0x80 && bytes[j] != '\0')
        ++j;
      out.append(bytes.data() + i, j - i);
      if (j == i) ++j;  // a NUL, dropped
      i = j;
      continue;
    }
    const int n = utf8SequenceLength(bytes.substr(i));
    if (n > 0) {
      out.append(bytes.data() + i, static_cast<std::size_t>(n));
      i += static_cast<std::size_t>(n);
    } else if (n < 0 && !last) {
      carry_.assign(bytes.substr(i));
      return;
    } else {
      appendUtf8(windows1252(b), out);
      ++i;
    }
  }
}

void TextDecoder::decodeUtf16(std::string_view bytes, bool last, std::string& out) {
  std::string joined;
  if (!carry_.empty()) {
    joined = carry_;
    joined.append(bytes);
    carry_.clear();
    bytes = joined;
  }
  const bool little = encoding_ == TextEncoding::Utf16LE;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    const std::uint32_t unit = little ? (a | (b << 8)) : ((a << 8) | b);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (surrogate_) appendUtf8(0xFFFD, out);
      surrogate_ = unit;
      continue;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (surrogate_)
        appendUtf8(0x10000 + ((surrogate_ - 0xD800) << 10) + (unit - 0xDC00), out);
      else
        appendUtf8(0xFFFD, out);
      surrogate_ = 0;
      continue;
    }
    if (surrogate_) appendUtf8(0xFFFD, out);
    surrogate_ = 0;
    appendUtf8(unit, out);
  }
  if (i < bytes.size()) carry_.assign(bytes.substr(i));
  if (last) {
    if (surrogate_ || !carry_.empty()) appendUtf8(0xFFFD, out);
    surrogate_ = 0;
    carry_.clear();
  }
}

char detectSeparator(std::string_view utf8Head, bool complete, bool preferTab) {
  constexpr std::array<char, 3> kCandidates = {',', ';', '\t'};
  constexpr std::size_t kMaxLines = 50;
  std::vector<std::array<std::size_t, 3>> lines;
  std::array<std::size_t, 3> counts{};
  bool quoted = false;
  bool lineHasText = false;
  for (std::size_t i = 0; i < utf8Head.size() && lines.size() < kMaxLines; ++i) {
    const char c = utf8Head[i];
    if (c == '"') {
      quoted = !quoted;  // a doubled quote toggles twice and so stays inside
    } else if (!quoted && (c == '\n' || c == '\r')) {
      if (lineHasText) lines.push_back(counts);
      counts = {};
      lineHasText = false;
      continue;
    } else if (!quoted) {
      for (std::size_t k = 0; k < kCandidates.size(); ++k)
        if (c == kCandidates[k]) ++counts[k];
    }
    lineHasText = true;
  }
  if (complete && lineHasText && lines.size() < kMaxLines) lines.push_back(counts);
  if (lines.empty() && lineHasText) lines.push_back(counts);  // one line longer than the sample

  // Score: lines where the separator occurs as often as on the first line (and at all), then
  // the total number of occurrences.
  std::array<std::pair<std::size_t, std::size_t>, 3> scores{};
  for (std::size_t k = 0; k < kCandidates.size(); ++k) {
    for (const auto& line : lines) {
      if (line[k] > 0 && line[k] == lines.front()[k]) ++scores[k].first;
      scores[k].second += line[k];
    }
  }
  const std::array<std::size_t, 3> order =
      preferTab ? std::array<std::size_t, 3>{2, 0, 1} : std::array<std::size_t, 3>{0, 1, 2};
  std::size_t best = order[0];
  for (std::size_t k : order)
    if (scores[k] > scores[best]) best = k;
  return kCandidates[best];
}

CsvParser::CsvParser(char separator, std::uint32_t maxRows, std::uint32_t maxColumns,
                     FieldSink sink)
    : separator_(separator), maxRows_(maxRows), maxColumns_(maxColumns), sink_(std::move(sink)) {
  if (maxRows_ == 0) stopped_ = true;
}

void CsvParser::append(char c) {
  // Count characters, not bytes: a UTF-8 continuation byte belongs to the character before it.
  const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
  if (!continuation) ++fieldCharacters_;
  if (fieldCharacters_ <= kMaxFieldCharacters) field_.push_back(c);
}

bool CsvParser::endField() {
  bool going = true;
  if (!field_.empty() && column_ < maxColumns_) going = sink_(row_, column_, field_);
  field_.clear();
  fieldCharacters_ = 0;
  if (column_ < maxColumns_) ++column_;
  state_ = State::FieldStart;
  if (!going) stopped_ = true;
  return going;
}

bool CsvParser::endRecord() {
  if (!endField()) return false;
  column_ = 0;
  recordStarted_ = false;
  if (++row_ >= maxRows_) stopped_ = true;
  return !stopped_;
}

bool CsvParser::feed(std::string_view text) {
  for (std::size_t i = 0; i < text.size() && !stopped_; ++i) {
    const char c = text[i];
    if (skipLineFeed_) {
      skipLineFeed_ = false;
      if (c == '\n') continue;
    }
    switch (state_) {
      case State::Quoted:
        if (c == '"') {
          state_ = State::QuoteInQuoted;
        } else if (c == '\r') {
          append('\n');
          skipLineFeed_ = true;
        } else {
          append(c);
        }
        break;
      case State::QuoteInQuoted:
        if (c == '"') {  // a doubled quote
          append('"');
          state_ = State::Quoted;
          break;
        }
        state_ = State::Unquoted;  // the quoted part is closed; what follows is plain text
        [[fallthrough]];
      case State::FieldStart:
      case State::Unquoted:
        recordStarted_ = true;
        if (c == separator_) {
          endField();
        } else if (c == '\n' || c == '\r') {
          skipLineFeed_ = c == '\r';
          endRecord();
        } else if (c == '"' && state_ == State::FieldStart) {
          state_ = State::Quoted;
        } else {
          append(c);
          state_ = State::Unquoted;
        }
        break;
    }
  }
  return !stopped_;
}

void CsvParser::finish() {
  if (stopped_) return;
  if (recordStarted_ || state_ != State::FieldStart || !field_.empty()) endRecord();
  stopped_ = true;
}

}  // namespace lomandra::csv
