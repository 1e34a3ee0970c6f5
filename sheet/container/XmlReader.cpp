#include "sheet/container/XmlReader.h"

#include <expat.h>

#include <cstring>
#include <exception>

#include "sheet/Failure.h"
#include "sheet/container/XmlNamespaces.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/model/TextEncoding.h"

namespace lomandra::container {

namespace {

std::string_view localName(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? std::string_view(colon + 1) : std::string_view(name);
}

// Expat hands attribute names with their prefix; strip them in place in a scratch array.
struct Parse {
  XML_Parser parser;
  XmlHandler& handler;
  std::string_view part;
  std::string failure;
  std::exception_ptr pending;
  NamespaceScope scope{handler};
  std::vector<const char*> kept{};

  static void XMLCALL onStart(void* data, const char* name, const char** attrs) {
    auto* self = static_cast<Parse*>(data);
    if (self->scope.active()) {
      if (self->scope.enter(name, attrs, false, self->kept))
        self->guarded([&] { self->handler.startElement(localName(name), self->kept.data()); });
      return;
    }
    for (const char** a = attrs; *a; a += 2) {
      const char* colon = std::strrchr(*a, ':');
      if (colon) *a = colon + 1;  // expat's attribute array is ours to read; the pointer move is safe
    }
    self->guarded([&] { self->handler.startElement(localName(name), attrs); });
  }
  static void XMLCALL onEnd(void* data, const char* name) {
    auto* self = static_cast<Parse*>(data);
    if (self->scope.active() && !self->scope.leave()) return;
    self->guarded([&] { self->handler.endElement(localName(name)); });
  }
  static void XMLCALL onText(void* data, const char* text, int length) {
    auto* self = static_cast<Parse*>(data);
    if (!self->scope.inside()) return;
    self->guarded([&] {
      self->handler.characters(std::string_view(text, static_cast<std::size_t>(length)));
    });
  }
  // A handler's exception must not unwind through expat's C frames: it is kept, the parser is
  // stopped, and the exception is thrown again once XML_Parse has returned.
  template <typename F>
  void guarded(F&& call) {
    if (pending) return;
    try {
      call();
    } catch (...) {
      pending = std::current_exception();
      XML_StopParser(parser, XML_FALSE);
      return;
    }
    checkStop();
  }
  static void XMLCALL onDoctype(void* data, const char*, const char*, const char*, int) {
    auto* self = static_cast<Parse*>(data);
    self->failure = "it declares a document type, which workbooks never do";
    XML_StopParser(self->parser, XML_FALSE);
  }
  void checkStop() {
    if (handler.stopRequested) XML_StopParser(parser, XML_FALSE);
  }

  // Feeds one buffer; returns false when the parse has ended (stopped or failed).
  bool feed(const char* data, std::size_t size, bool last) {
    const XML_Status status = XML_Parse(parser, data, static_cast<int>(size), last ? 1 : 0);
    if (pending) std::rethrow_exception(pending);
    if (status == XML_STATUS_ERROR) {
      if (XML_GetErrorCode(parser) == XML_ERROR_ABORTED) {
        if (!failure.empty()) raise();
        return false;  // stopped by the handler
      }
      failure = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                std::to_string(XML_GetCurrentLineNumber(parser));
      raise();
    }
    return !handler.stopRequested;
  }
  [[noreturn]] void raise() {
    throw Failure("The workbook is damaged: its part \"" + std::string(part) +
                  "\" is not well-formed XML (" + failure + ").");
  }
};

struct ParserHolder {
  // No encoding forced: the document's declaration (UTF-8 when it has none) decides.
  XML_Parser parser = XML_ParserCreate(nullptr);
  ~ParserHolder() {
    if (parser) XML_ParserFree(parser);
  }
};

void setUp(Parse& parse) {
  XML_SetUserData(parse.parser, &parse);
  XML_SetElementHandler(parse.parser, &Parse::onStart, &Parse::onEnd);
  XML_SetCharacterDataHandler(parse.parser, &Parse::onText);
  XML_SetStartDoctypeDeclHandler(parse.parser, &Parse::onDoctype);
}

}  // namespace

const char* xmlAttribute(const char** attributes, std::string_view name) {
  for (const char** a = attributes; *a; a += 2)
    if (name == *a) return a[1];
  return nullptr;
}

bool xmlEncodingKeepsAscii(std::string_view first) {
  return first.find('\0') == std::string_view::npos && !first.starts_with("\xFF\xFE") &&
         !first.starts_with("\xFE\xFF");
}

std::string xmlTextAsUtf8(std::string bytes) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() < 2) return bytes;
  bool little;
  std::size_t at = 0;
  if (byte(0) == 0xFF && byte(1) == 0xFE) {
    little = true, at = 2;
  } else if (byte(0) == 0xFE && byte(1) == 0xFF) {
    little = false, at = 2;
  } else if (byte(0) == '<' && byte(1) == 0) {
    little = true;
  } else if (byte(0) == 0 && byte(1) == '<') {
    little = false;
  } else {
    return bytes;
  }
  std::string out;
  out.reserve(bytes.size() / 2 + 16);
  const auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(little ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1));
  };
  for (; at + 1 < bytes.size(); at += 2) {
    std::uint32_t cp = unit(at);
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (at + 3 >= bytes.size()) break;  // a pair cut at the end
      const std::uint32_t low = unit(at + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        at += 2;
      }
    }
    model::appendUtf8(out, cp);
  }
  // The declaration names the encoding the text was in; it now is UTF-8.
  if (out.starts_with("<?xml")) {
    const std::size_t end = out.find("?>");
    const std::size_t encoding = out.find("encoding", 5);
    if (end != std::string::npos && encoding != std::string::npos && encoding < end) {
      const std::size_t open = out.find_first_of("\"'", encoding);
      const std::size_t close = open < end ? out.find(out[open], open + 1) : std::string::npos;
      if (close != std::string::npos && close < end) out.replace(open + 1, close - open - 1, "UTF-8");
    }
  }
  return out;
}

void parseXmlPart(const ZipArchive& zip, std::string_view part, XmlHandler& handler,
                  std::uint64_t maxBytes) {
  ParserHolder holder;
  if (!holder.parser) throw Failure("Out of memory");
  Parse parse{holder.parser, handler, part, {}, {}};
  setUp(parse);
  bool going = true;
  zip.stream(
      part,
      [&](const char* data, std::size_t size) {
        going = parse.feed(data, size, false);
        return going;
      },
      maxBytes);
  if (going) parse.feed("", 0, true);
}

void parseXmlText(std::string_view xml, std::string_view partName, XmlHandler& handler) {
  ParserHolder holder;
  if (!holder.parser) throw Failure("Out of memory");
  Parse parse{holder.parser, handler, partName, {}, {}};
  setUp(parse);
  constexpr std::size_t kChunk = 1u << 20;
  std::size_t offset = 0;
  while (offset < xml.size()) {
    const std::size_t n = std::min(kChunk, xml.size() - offset);
    if (!parse.feed(xml.data() + offset, n, false)) return;
    offset += n;
  }
  parse.feed("", 0, true);
}

}  // namespace lomandra::container
