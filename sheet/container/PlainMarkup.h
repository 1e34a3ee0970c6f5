#pragma once

// Plain markup read straight from a part's bytes, for XmlHandler::takePlainElements. Each reader
// takes markup only where the XML events would give the same: unprefixed element names,
// attributes without a prefix other than "xml" (handed over by their local names, as the events
// give them), no namespace declaration, and no entity, NUL, tab or line break in a value (a NUL
// ends a value in the events' attribute lists; decoding changes the others). Anything else, or
// markup cut by the end of the bytes, is not plain and is left to the events. Inline: a sheet's
// reader runs them for every cell.

#include <cstddef>
#include <optional>
#include <string_view>

namespace lomandra::container {

/// The offset of the first byte from `at` on that is not XML white space.
inline std::size_t skipXmlSpace(std::string_view bytes, std::size_t at) {
  while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\n' || bytes[at] == '\r')) ++at;
  return at;
}

/// Whether `bytes` holds `text` at `at`.
inline bool holdsAt(std::string_view bytes, std::size_t at, std::string_view text) {
  return at <= bytes.size() && bytes.size() - at >= text.size() && bytes.substr(at, text.size()) == text;
}

/// Reads the start tag of element `name` at `at` ('<'), handing each attribute to
/// take(localName, value); returns the offset after the tag, or 0 when it is not plain. `empty`
/// says whether it ended with "/>".
template <typename Take>
std::size_t readPlainStartTag(std::string_view bytes, std::size_t at, std::string_view name, bool& empty,
                              Take&& take) {
  empty = false;
  if (!holdsAt(bytes, at, "<") || !holdsAt(bytes, at + 1, name)) return 0;
  at += 1 + name.size();
  for (;;) {
    // The tag's end, or white space and an attribute (a name ending at once is another name).
    if (at >= bytes.size()) return 0;
    if (bytes[at] != '>' && bytes[at] != '/') {
      if (bytes[at] != ' ' && bytes[at] != '\t' && bytes[at] != '\n' && bytes[at] != '\r') return 0;
      at = skipXmlSpace(bytes, at);
      if (at >= bytes.size()) return 0;
    }
    if (bytes[at] == '>') return at + 1;
    if (bytes[at] == '/') {
      if (at + 1 >= bytes.size() || bytes[at + 1] != '>') return 0;
      empty = true;
      return at + 2;
    }
    const std::size_t start = at;
    std::size_t local = at;  // where the name's local part begins, after a prefix
    for (; at < bytes.size(); ++at) {
      const char c = bytes[at];
      if (c == ':') local = at + 1;
      else if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) break;
    }
    const std::string_view attribute = bytes.substr(start, at - start);
    if (attribute.empty() || attribute == "xmlns" ||
        (local > start && (local != start + 4 || !attribute.starts_with("xml:"))))
      return 0;
    if (at + 1 >= bytes.size() || bytes[at] != '=' || (bytes[at + 1] != '"' && bytes[at + 1] != '\''))
      return 0;
    const char quote = bytes[at + 1];
    const std::size_t value = at + 2;
    for (at = value; at < bytes.size() && bytes[at] != quote; ++at) {
      const char c = bytes[at];
      if (c == '<' || c == '&' || c == '\t' || c == '\n' || c == '\r' || c == '\0') return 0;
    }
    if (at >= bytes.size()) return 0;
    take(bytes.substr(local, start + attribute.size() - local), bytes.substr(value, at - value));
    ++at;
  }
}

/// The offset after the end tag "</name>" at `at`, or 0 when it does not stand there as written.
inline std::size_t readPlainEndTag(std::string_view bytes, std::size_t at, std::string_view name) {
  if (!holdsAt(bytes, at, "</") || !holdsAt(bytes, at + 2, name) || !holdsAt(bytes, at + 2 + name.size(), ">"))
    return 0;
  return at + name.size() + 3;
}

/// The text of element `name` at `at` (a plain start tag, text without markup or entity, its end
/// tag; or an empty-element tag, without text), with the offset after it.
struct PlainText {
  std::string_view text;
  std::size_t end = 0;
};
inline std::optional<PlainText> readPlainTextElement(std::string_view bytes, std::size_t at, std::string_view name) {
  bool empty = false;
  const std::size_t start = readPlainStartTag(bytes, at, name, empty, [](std::string_view, std::string_view) {});
  if (start == 0) return std::nullopt;
  if (empty) return PlainText{{}, start};
  std::size_t lt = start;
  for (; lt < bytes.size() && bytes[lt] != '<'; ++lt)
    if (bytes[lt] == '&') return std::nullopt;
  const std::size_t end = readPlainEndTag(bytes, lt, name);
  if (end == 0) return std::nullopt;
  return PlainText{bytes.substr(start, lt - start), end};
}

}  // namespace lomandra::container
