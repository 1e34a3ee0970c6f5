#include "sheet/ods/OdsTableScanner.h"

#include "sheet/model/TextEncoding.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace lomandra::ods {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool endsName(char c) { return isSpace(c) || c == '>' || c == '/'; }

// A NUL character is not allowed in XML; it shows as the replacement character.
void appendUtf8(std::uint32_t cp, std::string& out) { model::appendUtf8(out, cp == 0 ? 0xFFFD : cp); }

}  // namespace

std::string decodeAttributeValue(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c != '&') {
      out.push_back(isSpace(c) ? ' ' : c);
      continue;
    }
    const std::size_t semicolon = raw.find(';', i);
    if (semicolon == std::string_view::npos) {
      out.append(raw.substr(i));
      break;
    }
    const std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
    if (entity == "amp")
      out.push_back('&');
    else if (entity == "lt")
      out.push_back('<');
    else if (entity == "gt")
      out.push_back('>');
    else if (entity == "quot")
      out.push_back('"');
    else if (entity == "apos")
      out.push_back('\'');
    else if (entity.size() > 1 && entity[0] == '#') {
      const bool hex = entity[1] == 'x';
      std::uint32_t cp = 0;
      const char* first = entity.data() + (hex ? 2 : 1);
      const char* last = entity.data() + entity.size();
      const auto [end, error] = std::from_chars(first, last, cp, hex ? 16 : 10);
      appendUtf8(error == std::errc() && end == last ? cp : 0xFFFD, out);
    } else {
      out.append(raw.substr(i, semicolon - i + 1));
    }
    i = semicolon;
  }
  return out;
}

OdsTableScanner::OdsTableScanner(std::string tablePrefix)
    : startName_("<" + tablePrefix + ":table"), endName_("</" + tablePrefix + ":table") {}

bool OdsTableScanner::feed(std::string_view bytes) {
  if (failed_) return false;
  bool incomplete = false;
  if (!carry_.empty()) {
    // Complete the construct cut by the last chunk's end, then go on in place.
    carry_.append(bytes);
    const std::string text = std::move(carry_);
    carry_.clear();
    const std::size_t done = scan(text, incomplete);
    if (incomplete) carry_.assign(text, done, std::string::npos);
  } else {
    const std::size_t done = scan(bytes, incomplete);
    if (incomplete) carry_.assign(bytes.substr(done));
  }
  if (carry_.size() > kMaxTagBytes) failed_ = true;
  return !failed_;
}

// Scans `text`; returns how much was consumed. `incomplete` is set when the rest, from the
// returned offset on, is a construct that the next chunk completes.
std::size_t OdsTableScanner::scan(std::string_view text, bool& incomplete) {
  std::size_t i = 0;
  for (;;) {
    if (skip_ != Skip::None) {
      const std::string_view close = skip_ == Skip::Comment       ? "-->"
                                     : skip_ == Skip::CData       ? "]]>"
                                     : skip_ == Skip::Instruction ? "?>"
                                                                  : ">";
      const std::size_t end = text.find(close, i);
      if (end == std::string_view::npos) {
        // Keep the bytes that may begin the terminator.
        const std::size_t keep = std::min(text.size() - i, close.size() - 1);
        incomplete = keep > 0;
        return text.size() - keep;
      }
      i = end + close.size();
      skip_ = Skip::None;
    }
    const std::size_t open = text.find('<', i);
    if (open == std::string_view::npos) return text.size();
    const std::string_view rest = text.substr(open);
    // Enough bytes to tell what the markup is: the longest of the openings compared below.
    if (rest.size() < std::max<std::size_t>(endName_.size() + 1, 9)) {
      incomplete = true;
      return open;
    }
    if (rest.starts_with("<!--")) {
      skip_ = Skip::Comment;
      i = open + 4;
    } else if (rest.starts_with("<![CDATA[")) {
      skip_ = Skip::CData;
      i = open + 9;
    } else if (rest.starts_with("<?")) {
      skip_ = Skip::Instruction;
      i = open + 2;
    } else if (rest.starts_with("<!")) {
      skip_ = Skip::Declaration;
      i = open + 2;
    } else if (rest.starts_with(endName_) && rest.size() > endName_.size() &&
               endsName(rest[endName_.size()])) {
      if (nesting_ > 0) --nesting_;
      i = open + endName_.size();
    } else if (rest.starts_with(startName_) && rest.size() > startName_.size() &&
               endsName(rest[startName_.size()])) {
      // The tag ends at the first '>' outside quoted attribute values.
      std::size_t j = startName_.size();
      char quote = 0;
      for (; j < rest.size(); ++j) {
        const char c = rest[j];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          break;
        }
      }
      if (j == rest.size()) {
        incomplete = true;
        return open;
      }
      const bool empty = rest[j - 1] == '/';
      if (nesting_ == 0) startTable(rest.substr(startName_.size(), j - startName_.size()));
      if (!empty) ++nesting_;
      i = open + j + 1;
    } else {
      i = open + 1;  // another element: its content holds no raw '<' before the next markup
    }
  }
}

void OdsTableScanner::startTable(std::string_view attributes) {
  Table table;
  const std::string prefix =
      startName_.substr(1, startName_.size() - 6);  // "table:" of "<table:table"
  std::size_t i = 0;
  while (i < attributes.size()) {
    while (i < attributes.size() && (isSpace(attributes[i]) || attributes[i] == '/')) ++i;
    const std::size_t nameStart = i;
    while (i < attributes.size() && attributes[i] != '=' && !isSpace(attributes[i])) ++i;
    const std::string_view name = attributes.substr(nameStart, i - nameStart);
    while (i < attributes.size() && (isSpace(attributes[i]) || attributes[i] == '=')) ++i;
    if (i >= attributes.size()) break;
    const char quote = attributes[i];
    if (quote != '"' && quote != '\'') break;
    const std::size_t end = attributes.find(quote, i + 1);
    if (end == std::string_view::npos) break;
    const std::string_view value = attributes.substr(i + 1, end - i - 1);
    if (name.size() > prefix.size() && name.starts_with(prefix)) {
      const std::string_view local = name.substr(prefix.size());
      if (local == "name")
        table.name = decodeAttributeValue(value);
      else if (local == "style-name")
        table.styleName = decodeAttributeValue(value);
    }
    i = end + 1;
  }
  tables_.push_back(std::move(table));
}

}  // namespace lomandra::ods
