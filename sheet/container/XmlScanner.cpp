// A streaming XML scanner for the large parts of a workbook. Expat spends most of a big
// worksheet's read on generality these parts never use; this scanner finds tags with memchr and
// hands the same events to the same handlers. It keeps the checks a damaged part needs: tags
// nest and close, one root, known entities only, no document type declaration.

#include <algorithm>
#include <cstring>
#include <vector>

#include "sheet/Failure.h"
#include "sheet/container/XmlNamespaces.h"
#include "sheet/container/XmlReader.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/model/TextEncoding.h"

namespace lomandra::container {

namespace {

constexpr std::size_t kMaxPendingBytes = 64u << 20;  // one tag, or text held back
constexpr std::size_t kMaxDepth = 4096;
constexpr std::size_t kLongestEntity = 16;  // bytes from '&' to the end of a cut entity

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view localName(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

using model::appendUtf8;

class Scanner {
 public:
  enum class Result { Going, Stopped, NeedsExpat };

  Scanner(XmlHandler& handler, std::string_view part)
      : handler_(handler), part_(part), scope_(handler.namespaces) {}

  // Takes the next bytes of the part; returns whether to go on.
  Result feed(const char* data, std::size_t size) {
    if (first_) {
      first_ = false;
      if (size >= 2 && ((static_cast<unsigned char>(data[0]) == 0xFF && static_cast<unsigned char>(data[1]) == 0xFE) ||
                        (static_cast<unsigned char>(data[0]) == 0xFE && static_cast<unsigned char>(data[1]) == 0xFF)))
        return Result::NeedsExpat;  // UTF-16
      if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
      }
    }
    if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
      consumed_ += pos_;
      buffer_.erase(0, pos_);
      pos_ = 0;
    }
    buffer_.append(data, size);
    return process(false);
  }

  // The end of the part: everything must have been closed.
  void finish() {
    if (process(true) != Result::Going) return;
    if (!rootSeen_) fail("no element");
    if (!stack_.empty()) fail("the element <" + stack_.back() + "> is not closed");
  }

 private:
  Result process(bool atEnd) {
    while (pos_ < buffer_.size()) {
      const char* base = buffer_.data();
      const char* lt = static_cast<const char*>(std::memchr(base + pos_, '<', buffer_.size() - pos_));
      if (!lt) {
        // Text without a tag after it yet: hand over what is surely complete.
        std::size_t end = buffer_.size();
        if (!atEnd) {
          // Hold back an entity that may still be cut: only an '&' among the last
          // kLongestEntity bytes can be one; an '&' further back without a ';' after it is
          // never closed, and the text handed over fails on it below.
          const std::size_t from = std::max(pos_, end - std::min(end, kLongestEntity));
          const std::string_view tail(base + from, end - from);
          const std::size_t amp = tail.rfind('&');
          if (amp != std::string_view::npos && tail.find(';', amp) == std::string_view::npos)
            end = from + amp;
        }
        if (end > pos_ && !text(std::string_view(base + pos_, end - pos_))) return Result::Stopped;
        pos_ = end;
        if (!atEnd && buffer_.size() - pos_ > kMaxPendingBytes) fail("an entity is not closed");
        return Result::Going;
      }
      const auto at = static_cast<std::size_t>(lt - base);
      if (at > pos_ && !text(std::string_view(base + pos_, at - pos_))) return Result::Stopped;
      pos_ = at;
      const std::size_t before = pos_;
      const Result r = markup(atEnd);
      if (r != Result::Going) return r;
      if (pos_ == before) {  // the markup is not complete yet
        if (atEnd) fail("the part ends inside a tag");
        if (buffer_.size() - pos_ > kMaxPendingBytes) fail("a tag is too long");
        return Result::Going;
      }
      if (handler_.stopRequested) return Result::Stopped;
    }
    return Result::Going;
  }

  // Markup at pos_ ('<'); leaves pos_ unchanged when it is not complete in the buffer.
  Result markup(bool atEnd) {
    const std::string_view rest(buffer_.data() + pos_, buffer_.size() - pos_);
    if (rest.size() < 2) return Result::Going;
    if (rest[1] == '?') {
      const std::size_t end = rest.find("?>", std::max<std::size_t>(resume_, 2));
      if (end == std::string_view::npos) return waitFor(rest.size() - 1);
      const std::string_view pi = rest.substr(2, end - 2);
      if (pi.starts_with("xml ") || pi.starts_with("xml\t") || pi.starts_with("xml\r") || pi.starts_with("xml\n")) {
        // Only UTF-8 is read here; another declared encoding goes to expat.
        const std::size_t enc = pi.find("encoding");
        if (enc != std::string_view::npos) {
          std::string name;
          for (std::size_t i = enc + 8; i < pi.size(); ++i) {
            const char c = pi[i];
            if (c == '"' || c == '\'') {
              const std::size_t close = pi.find(c, i + 1);
              if (close != std::string_view::npos) name = std::string(pi.substr(i + 1, close - i - 1));
              break;
            }
          }
          for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
          if (!name.empty() && name != "utf-8" && name != "utf8") return Result::NeedsExpat;
        }
      }
      pos_ += end + 2;
      resume_ = 0;
      return Result::Going;
    }
    if (rest[1] == '!') {
      if (rest.size() < 9 && !atEnd) return Result::Going;
      if (rest.starts_with("<!--")) {
        const std::size_t end = rest.find("-->", std::max<std::size_t>(resume_, 4));
        if (end == std::string_view::npos) return waitFor(rest.size() - 2);
        pos_ += end + 3;
        resume_ = 0;
        return Result::Going;
      }
      if (rest.starts_with("<![CDATA[")) {
        const std::size_t end = rest.find("]]>", std::max<std::size_t>(resume_, 9));
        if (end == std::string_view::npos) return waitFor(rest.size() - 2);
        if (stack_.empty()) fail("text stands outside the root element");
        const std::string_view data = rest.substr(9, end - 9);
        pos_ += end + 3;
        resume_ = 0;
        if (scope_.inside()) handler_.characters(data);
        return Result::Going;
      }
      if (rest.starts_with("<!DOCTYPE")) failWhy("it declares a document type, which workbooks never do");
      fail("unknown markup \"<!\"");
    }
    // A start or end tag: find its '>' outside quoted attribute values.
    // A tag longer than the buffer is scanned on from where the last look stopped.
    std::size_t i = std::max<std::size_t>(resume_, 1);
    char quote = resumeQuote_;
    for (; i < rest.size(); ++i) {
      const char c = rest[i];
      if (quote) {
        if (c == quote) quote = 0;
        else if (c == '<') fail("\"<\" inside an attribute value");
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        break;
      } else if (c == '<') {
        fail("\"<\" inside a tag");
      }
    }
    if (i >= rest.size()) {
      resumeQuote_ = quote;
      return waitFor(i);
    }
    const std::string_view tag = rest.substr(1, i - 1);
    pos_ += i + 1;
    resume_ = 0;
    resumeQuote_ = 0;
    if (!tag.empty() && tag[0] == '/') {
      endTag(tag.substr(1));
    } else {
      startTag(tag);
    }
    return Result::Going;
  }

  void endTag(std::string_view tag) {
    while (!tag.empty() && isSpace(tag.back())) tag.remove_suffix(1);
    if (stack_.empty() || stack_.back() != tag)
      fail("the end tag </" + std::string(tag.substr(0, 64)) + "> does not match");
    stack_.pop_back();
    if (!scope_.active() || scope_.leave()) handler_.endElement(localName(tag));
  }

  void startTag(std::string_view tag) {
    bool empty = false;
    if (!tag.empty() && tag.back() == '/') {
      empty = true;
      tag.remove_suffix(1);
    }
    std::size_t i = 0;
    while (i < tag.size() && !isSpace(tag[i])) ++i;
    const std::string_view name = tag.substr(0, i);
    if (name.empty() || name[0] == '-' || name[0] == '.' || (name[0] >= '0' && name[0] <= '9'))
      fail("a tag has no valid name");
    if (stack_.empty()) {
      if (rootSeen_) fail("there is more than one root element");
      rootSeen_ = true;
    }
    if (stack_.size() >= kMaxDepth) fail("elements are nested too deeply");

    // Attributes: values decoded into one store, then pointers taken (the store is settled).
    store_.clear();
    offsets_.clear();
    while (true) {
      while (i < tag.size() && isSpace(tag[i])) ++i;
      if (i >= tag.size()) break;
      const std::size_t nameStart = i;
      while (i < tag.size() && tag[i] != '=' && !isSpace(tag[i])) ++i;
      const std::string_view attribute = tag.substr(nameStart, i - nameStart);
      while (i < tag.size() && isSpace(tag[i])) ++i;
      if (attribute.empty() || i >= tag.size() || tag[i] != '=') fail("an attribute has no value");
      ++i;
      while (i < tag.size() && isSpace(tag[i])) ++i;
      if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) fail("an attribute value is not quoted");
      const char quote = tag[i++];
      const std::size_t close = tag.find(quote, i);
      if (close == std::string_view::npos) fail("an attribute value is not closed");
      offsets_.push_back(store_.size());
      store_ += scope_.active() ? attribute : localName(attribute);
      store_ += '\0';
      offsets_.push_back(store_.size());
      decode(tag.substr(i, close - i), store_, true);
      store_ += '\0';
      i = close + 1;
    }
    attributes_.clear();
    for (const std::size_t offset : offsets_) attributes_.push_back(store_.data() + offset);
    attributes_.push_back(nullptr);
    stack_.emplace_back(name);
    if (scope_.active()) {
      if (!scope_.enter(name, attributes_.data(), kept_)) {
        if (empty) {
          stack_.pop_back();
          scope_.leave();
        }
        return;
      }
      handler_.startElement(localName(name), kept_.data());
    } else {
      handler_.startElement(localName(name), attributes_.data());
    }
    if (empty && !handler_.stopRequested) {
      stack_.pop_back();
      if (!scope_.active() || scope_.leave()) handler_.endElement(localName(name));
    }
  }

  // Character data between tags; false when the handler asked to stop.
  bool text(std::string_view raw) {
    if (stack_.empty()) {
      for (const char c : raw)
        if (!isSpace(c)) fail(rootSeen_ ? "text follows the root element" : "text stands before the root element");
      return true;
    }
    if (!scope_.inside()) {
      decoded_.clear();
      decode(raw, decoded_, false);  // checked, not handed on
      return true;
    }
    if (raw.find('&') == std::string_view::npos) {
      handler_.characters(raw);
    } else {
      decoded_.clear();
      decode(raw, decoded_, false);
      handler_.characters(decoded_);
    }
    return !handler_.stopRequested;
  }

  void decode(std::string_view raw, std::string& out, bool attribute) {
    // Attribute values turn literal line breaks and tabs into spaces (character references
    // stay as written), as expat does.
    auto literal = [&](std::string_view piece) {
      const std::size_t from = out.size();
      out.append(piece);
      if (attribute)
        for (std::size_t k = from; k < out.size(); ++k)
          if (out[k] == '\t' || out[k] == '\n' || out[k] == '\r') out[k] = ' ';
    };
    std::size_t start = 0;
    for (std::size_t amp = raw.find('&'); amp != std::string_view::npos; amp = raw.find('&', start)) {
      literal(raw.substr(start, amp - start));
      const std::size_t semi = raw.find(';', amp);
      if (semi == std::string_view::npos || semi - amp > 12) fail("an entity is not closed");
      const std::string_view entity = raw.substr(amp + 1, semi - amp - 1);
      if (entity == "lt") out += '<';
      else if (entity == "gt") out += '>';
      else if (entity == "amp") out += '&';
      else if (entity == "quot") out += '"';
      else if (entity == "apos") out += '\'';
      else if (entity.size() >= 2 && entity[0] == '#') {
        const bool hex = entity[1] == 'x';
        std::uint32_t cp = 0;
        const std::string_view digits = entity.substr(hex ? 2 : 1);
        if (digits.empty()) fail("a character reference is empty");
        for (const char c : digits) {
          int v = -1;
          if (c >= '0' && c <= '9') v = c - '0';
          else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
          else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
          if (v < 0) fail("a character reference is malformed");
          cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
          if (cp > 0x10FFFF) fail("a character reference is out of range");
        }
        if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) fail("a character reference is not a character");
        appendUtf8(out, cp);
      } else {
        fail("the entity &" + std::string(entity) + "; is undefined");
      }
      start = semi + 1;
    }
    literal(raw.substr(start));
  }

  // The markup at pos_ is incomplete; the next look starts at offset `from` within it.
  Result waitFor(std::size_t from) {
    resume_ = from;
    return Result::Going;
  }

  [[noreturn]] void fail(const std::string& what) const {
    failWhy(what + " near byte " + std::to_string(consumed_ + pos_));
  }
  [[noreturn]] void failWhy(const std::string& why) const {
    throw Failure("The workbook is damaged: its part \"" + std::string(part_) +
                  "\" is not well-formed XML (" + why + ").");
  }

  XmlHandler& handler_;
  std::string_view part_;
  std::string buffer_;
  std::size_t pos_ = 0;
  std::uint64_t consumed_ = 0;
  bool first_ = true;
  bool rootSeen_ = false;
  std::size_t resume_ = 0;   // where to go on scanning incomplete markup, from pos_
  char resumeQuote_ = 0;     // the quote open at resume_ in an incomplete tag
  std::vector<std::string> stack_;
  std::string store_, decoded_;
  std::vector<std::size_t> offsets_;
  std::vector<const char*> attributes_, kept_;
  NamespaceScope scope_;
};

}  // namespace

void scanXmlPart(const ZipArchive& zip, std::string_view part, XmlHandler& handler,
                 std::uint64_t maxBytes) {
  Scanner scanner(handler, part);
  Scanner::Result result = Scanner::Result::Going;
  std::uint64_t read = 0;
  zip.stream(
      part,
      [&](const char* data, std::size_t size) {
        result = scanner.feed(data, size);
        read += size;
        handler.consumed(read);
        return result == Scanner::Result::Going;
      },
      maxBytes);
  if (result == Scanner::Result::NeedsExpat) {
    parseXmlPart(zip, part, handler, maxBytes);
    return;
  }
  if (result == Scanner::Result::Going) scanner.finish();
}

void scanXmlText(std::string_view xml, std::string_view partName, XmlHandler& handler) {
  Scanner scanner(handler, partName);
  constexpr std::size_t kChunk = 1u << 16;
  for (std::size_t offset = 0; offset < xml.size(); offset += kChunk) {
    const auto result = scanner.feed(xml.data() + offset, std::min(kChunk, xml.size() - offset));
    if (result == Scanner::Result::NeedsExpat) return parseXmlText(xml, partName, handler);
    if (result == Scanner::Result::Stopped) return;
  }
  if (xml.empty()) {
    scanner.feed("", 0);
  }
  scanner.finish();
}

}  // namespace lomandra::container
