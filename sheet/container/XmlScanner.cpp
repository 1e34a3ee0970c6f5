// A streaming XML scanner for the large parts of a workbook. Expat spends most of a big
// worksheet's read on generality these parts never use; this scanner finds tags with memchr and
// hands the same events to the same handlers. It keeps the checks a damaged part needs: tags
// nest and close, one root, known entities only, no document type declaration.

#include <algorithm>
#include <array>
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

// Classes of the bytes that end a run inside a tag, looked up once a byte.
enum : std::uint8_t { kEndsName = 1, kEndsAttributeName = 2, kInValue = 4 };
constexpr auto kByteClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (const unsigned char c : {' ', '\t', '\n', '\r', '>', '/', '<'}) classes[c] |= kEndsName | kEndsAttributeName;
  for (const unsigned char c : {'=', '"', '\''}) classes[c] |= kEndsAttributeName;
  // In an attribute value: '<' (refused), and what decoding changes: '&', tabs and line breaks.
  for (const unsigned char c : {'<', '&', '\t', '\n', '\r'}) classes[c] |= kInValue;
  return classes;
}();
bool is(char c, std::uint8_t byteClass) { return (kByteClasses[static_cast<unsigned char>(c)] & byteClass) != 0; }

std::string_view localName(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

using model::appendUtf8;

class Scanner {
 public:
  enum class Result { Going, Stopped, NeedsExpat };

  Scanner(XmlHandler& handler, std::string_view part)
      : handler_(handler), part_(part), scope_(handler) {}

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
    if (!openStarts_.empty()) fail("the element <" + std::string(openName()) + "> is not closed");
  }

 private:
  Result process(bool atEnd) {
    while (pos_ < buffer_.size()) {
      const char* base = buffer_.data();
      // Markup mostly follows markup: look at the next byte before searching.
      const char* lt = base[pos_] == '<' ? base + pos_
                                          : static_cast<const char*>(std::memchr(base + pos_, '<', buffer_.size() - pos_));
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
        if (end > pos_ && !text(buffer_.data() + pos_, end - pos_)) return Result::Stopped;
        pos_ = end;
        if (!atEnd && buffer_.size() - pos_ > kMaxPendingBytes) fail("an entity is not closed");
        return Result::Going;
      }
      const auto at = static_cast<std::size_t>(lt - base);
      if (at > pos_ && !text(buffer_.data() + pos_, at - pos_)) return Result::Stopped;
      pos_ = at;
      if (handler_.takesPlainElements && resume_ == 0 && searched_ == 0 && !openStarts_.empty() &&
          openStarts_.size() + 2 < kMaxDepth && scope_.unprefixedReaches()) {
        const std::size_t taken = handler_.takePlainElements(std::string_view(lt, buffer_.size() - at));
        if (taken > 0) {
          pos_ += taken;
          if (handler_.stopRequested) return Result::Stopped;
          continue;
        }
      }
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
        if (openStarts_.empty()) fail("text stands outside the root element");
        const std::string_view data = rest.substr(9, end - 9);
        pos_ += end + 3;
        resume_ = 0;
        if (scope_.inside()) handler_.characters(data);
        return Result::Going;
      }
      if (rest.starts_with("<!DOCTYPE")) failWhy("it declares a document type, which workbooks never do");
      fail("unknown markup \"<!\"");
    }
    if (rest[1] == '/') return endTag(rest);
    return startTag(rest);
  }

  // An end tag at pos_: its name must close the element open last.
  Result endTag(std::string_view rest) {
    std::size_t close = std::max<std::size_t>(resume_, 2);  // names are short: no memchr
    while (close < rest.size() && rest[close] != '>') ++close;
    if (close >= rest.size()) return waitFor(rest.size());
    std::string_view name = rest.substr(2, close - 2);
    while (!name.empty() && isSpace(name.back())) name.remove_suffix(1);
    if (openStarts_.empty() || openName() != name)
      fail("the end tag </" + std::string(name.substr(0, 64)) + "> does not match");
    pos_ += close + 1;
    resume_ = 0;
    closeElement();
    return Result::Going;
  }

  // The innermost open element, as its start tag named it.
  std::string_view openName() const {
    return std::string_view(openNames_).substr(openStarts_.back());
  }

  // Ends the innermost open element for the handler.
  void closeElement() {
    const std::string_view name = openName();
    if (!scope_.active() || scope_.leave()) handler_.endElement(localName(name));
    openNames_.resize(openStarts_.back());
    openStarts_.pop_back();
  }

  // A start tag at pos_. Its attributes are found in one pass over the buffer; once the tag is
  // complete, names and values are ended with a NUL where they stand (their closing quote,
  // the '=' or space after a name) and values decoded in place, so the handler's attribute
  // list points into the buffer and nothing is copied. A tag cut by the end of the buffer is
  // taken up again where the last look stopped.
  Result startTag(std::string_view rest) {
    if (searched_ > 0) {
      // The tag was cut before: it is read again only once a '>' has come (searched for in
      // the new bytes alone), so a huge tag arriving chunk by chunk is not read over and over.
      const void* gt = std::memchr(rest.data() + searched_, '>', rest.size() - searched_);
      searched_ = rest.size();
      if (!gt) return Result::Going;
    }
    const std::size_t before = pos_;
    const Result result = readStartTag(rest);
    searched_ = pos_ == before ? rest.size() : 0;
    return result;
  }

  Result readStartTag(std::string_view rest) {
    char* const tag = buffer_.data() + pos_;
    std::size_t i = resume_;
    if (resume_ == 0) {
      found_.clear();
      i = 1;
      while (i < rest.size() && !is(rest[i], kEndsName)) ++i;
      if (i >= rest.size()) return waitFor(0);
      nameEnd_ = i;
    } else if (resumeQuote_) {
      i = value(rest, resume_);  // inside a value the buffer cut
      if (i == 0) return Result::Going;
    }
    std::size_t end = 0;
    bool empty = false;
    while (end == 0) {
      while (i < rest.size() && isSpace(rest[i])) ++i;
      if (i >= rest.size()) return waitFor(i);
      const char c = rest[i];
      if (c == '>') {
        end = i + 1;
      } else if (c == '/') {
        if (i + 1 >= rest.size()) return waitFor(i);
        if (rest[i + 1] != '>') fail("a tag holds a stray \"/\"");
        empty = true;
        end = i + 2;
      } else if (c == '<') {
        fail("\"<\" inside a tag");
      } else {
        const std::size_t name = i;
        while (i < rest.size() && !is(rest[i], kEndsAttributeName)) ++i;
        const std::size_t nameEnd = i;
        while (i < rest.size() && isSpace(rest[i])) ++i;
        if (i >= rest.size()) return waitFor(name);
        if (nameEnd == name || rest[i] != '=') fail("an attribute has no value");
        ++i;
        while (i < rest.size() && isSpace(rest[i])) ++i;
        if (i >= rest.size()) return waitFor(name);
        if (rest[i] != '"' && rest[i] != '\'') fail("an attribute value is not quoted");
        resumeQuote_ = rest[i];
        found_.push_back({static_cast<std::uint32_t>(name), static_cast<std::uint32_t>(nameEnd),
                          static_cast<std::uint32_t>(i + 1), 0, false});
        i = value(rest, i + 1);
        if (i == 0) return Result::Going;
      }
    }
    const std::string_view name = rest.substr(1, nameEnd_ - 1);
    if (name.empty() || name[0] == '-' || name[0] == '.' || (name[0] >= '0' && name[0] <= '9'))
      fail("a tag has no valid name");
    if (openStarts_.empty()) {
      if (rootSeen_) fail("there is more than one root element");
      rootSeen_ = true;
    }
    if (openStarts_.size() >= kMaxDepth) fail("elements are nested too deeply");
    pos_ += end;
    resume_ = 0;

    attributes_.clear();
    bool plain = true;  // no prefixed attribute and no namespace declaration
    for (const Attribute& a : found_) {
      char* attribute = tag + a.name;
      tag[a.nameEnd] = '\0';
      const std::string_view written(attribute, a.nameEnd - a.name);
      if (written.find(':') != std::string_view::npos || written == "xmlns") plain = false;
      char* valueEnd = a.decode ? decode(tag + a.value, tag + a.valueEnd, true) : tag + a.valueEnd;
      *valueEnd = '\0';
      attributes_.push_back(scope_.active() ? attribute : attribute + (written.size() - localName(written).size()));
      attributes_.push_back(tag + a.value);
    }
    attributes_.push_back(nullptr);
    openStarts_.push_back(openNames_.size());
    openNames_ += name;
    if (scope_.active()) {
      const char* const* kept = scope_.enter(name, attributes_.data(), plain, kept_);
      if (!kept) {
        if (empty) {
          openNames_.resize(openStarts_.back());
          openStarts_.pop_back();
          scope_.leave();
        }
        return Result::Going;
      }
      handler_.startElement(localName(name), const_cast<const char**>(kept));
    } else {
      handler_.startElement(localName(name), attributes_.data());
    }
    if (empty && !handler_.stopRequested) closeElement();
    return Result::Going;
  }

  // Scans the value of the attribute found last, from `from`, for its closing quote
  // (resumeQuote_); returns the offset after it, or 0 when the buffer ends first (the tag then
  // waits, to be taken up at the same place).
  std::size_t value(std::string_view rest, std::size_t from) {
    Attribute& a = found_.back();
    for (std::size_t k = from; k < rest.size(); ++k) {
      const char c = rest[k];
      if (c == resumeQuote_) {
        a.valueEnd = static_cast<std::uint32_t>(k);
        resumeQuote_ = 0;
        return k + 1;
      }
      if (is(c, kInValue)) {
        if (c == '<') fail("\"<\" inside an attribute value");
        a.decode = true;
      }
    }
    waitFor(rest.size());
    return 0;
  }

  // Character data between tags at `raw` (in the buffer, consumed once handed on); false when
  // the handler asked to stop.
  bool text(char* raw, std::size_t size) {
    if (openStarts_.empty()) {
      for (std::size_t k = 0; k < size; ++k)
        if (!isSpace(raw[k])) fail(rootSeen_ ? "text follows the root element" : "text stands before the root element");
      return true;
    }
    const bool entities = std::memchr(raw, '&', size) != nullptr;
    const char* end = entities ? decode(raw, raw + size, false) : raw + size;  // checked even when not handed on
    if (!scope_.inside()) return true;
    handler_.characters(std::string_view(raw, static_cast<std::size_t>(end - raw)));
    return !handler_.stopRequested;
  }

  // Decodes the entities of [begin, end) where it stands (a reference is never shorter than
  // the character it gives) and returns the new end. Attribute values also turn literal line
  // breaks and tabs into spaces (character references stay as written), as expat does.
  char* decode(char* begin, char* end, bool attribute) {
    char* out = begin;
    for (char* at = begin; at < end;) {
      const char c = *at;
      if (c != '&') {
        *out++ = attribute && (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
        ++at;
        continue;
      }
      char* semi = static_cast<char*>(std::memchr(at, ';', static_cast<std::size_t>(end - at)));
      if (!semi || semi - at > 12) fail("an entity is not closed");
      const std::string_view entity(at + 1, static_cast<std::size_t>(semi - at - 1));
      at = semi + 1;
      if (entity == "lt") *out++ = '<';
      else if (entity == "gt") *out++ = '>';
      else if (entity == "amp") *out++ = '&';
      else if (entity == "quot") *out++ = '"';
      else if (entity == "apos") *out++ = '\'';
      else if (entity.size() >= 2 && entity[0] == '#') out = appendReference(entity.substr(1), out);
      else fail("the entity &" + std::string(entity) + "; is undefined");
    }
    return out;
  }

  // A numeric character reference (after its '#'), written at `out` in UTF-8.
  char* appendReference(std::string_view reference, char* out) {
    const bool hex = reference[0] == 'x';
    std::uint32_t cp = 0;
    const std::string_view digits = reference.substr(hex ? 1 : 0);
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
    std::string utf8;  // at most 4 bytes: no allocation
    appendUtf8(utf8, cp);
    std::memcpy(out, utf8.data(), utf8.size());
    return out + utf8.size();
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
  std::size_t searched_ = 0;  // how far a cut start tag was searched for its '>', from pos_
  char resumeQuote_ = 0;     // the quote of the attribute value an incomplete tag was cut in
  // The open elements' names, one after another, and where each begins.
  std::string openNames_;
  std::vector<std::size_t> openStarts_;
  // The attributes of the start tag being read, as offsets from its '<'.
  struct Attribute {  // offsets within one tag, which is at most kMaxPendingBytes long
    std::uint32_t name, nameEnd, value, valueEnd;
    bool decode;  // holds an entity or a line break or tab
  };
  static_assert(2 * kMaxPendingBytes < UINT32_MAX, "a tag's offsets fit in 32 bits");
  std::vector<Attribute> found_;
  std::size_t nameEnd_ = 0;  // the end of the start tag's name, from its '<'
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
