#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::container {

class ZipArchive;

/// The default bound on the inflated size of one XML part (4 GiB).
constexpr std::uint64_t kXmlPartLimit = 4ull << 30;

/// Receives the events of a streaming XML parse. Element and attribute names arrive without
/// their namespace prefix ("x:c" arrives as "c"), which is how the workbook formats are read.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  /// `attributes` is expat's list: name, value, name, value, ..., nullptr (names unprefixed).
  virtual void startElement(std::string_view name, const char** attributes) = 0;
  virtual void endElement(std::string_view name) = 0;
  /// Character data, possibly split across several calls.
  virtual void characters(std::string_view text) = 0;
  /// The part's bytes read so far (inflated), after each chunk: for a progress display.
  virtual void consumed(std::uint64_t bytes) { (void)bytes; }
  /// Set by the handler to end the parse early (for instance after the last row it needs).
  bool stopRequested = false;
  /// The namespaces (URIs) whose elements the handler reads. When given, names are matched by
  /// namespace: an element bound to another namespace passes by with all it holds, and so do
  /// attributes of other namespaces; elements and attributes of no namespace (or an unbound
  /// prefix) still arrive. Empty: every element arrives by its local name.
  std::vector<std::string_view> namespaces;
  /// A namespace declaration read (prefix "" for the default namespace), when names are
  /// matched by namespace: the declarations themselves never arrive as attributes then.
  virtual void namespaceDeclared(std::string_view prefix, std::string_view uri) {
    (void)prefix, (void)uri;
  }
  /// A shortcut for the small elements that fill most of a large part (a worksheet's cells).
  /// When `takesPlainElements` is set, the scanner (scanXmlPart, scanXmlText) offers the bytes
  /// it holds from each start tag's '<' on, where unprefixed names reach the handler; the handler
  /// returns how many of them it took, as if it had received their events: whole elements only
  /// (and white space between them), unprefixed, declaring no namespace, holding no entity,
  /// comment or CDATA, and well-formed as the scanner would find them. 0 leaves the tag to the
  /// scanner, which then sends its events as usual; expat never offers anything. The readers
  /// of PlainMarkup.h read such markup by the scanner's rules.
  bool takesPlainElements = false;
  virtual std::size_t takePlainElements(std::string_view bytes) {
    (void)bytes;
    return 0;
  }
};

/// Value of attribute `name` in an expat attribute list, or nullptr.
const char* xmlAttribute(const char** attributes, std::string_view name);

/// Streams zip entry `part` of `zip` through `handler`. Throws lomandra::Failure naming the part
/// when the XML is malformed or inflates past `maxBytes`. Document type declarations are refused
/// (no entity expansion).
void parseXmlPart(const ZipArchive& zip, std::string_view part, XmlHandler& handler,
                  std::uint64_t maxBytes = kXmlPartLimit);

/// Streams zip entry `part` through `handler` like parseXmlPart, with a lighter scanner made for
/// the large, plain parts (worksheets, shared strings): UTF-8 only, elements, attributes, text,
/// CDATA, comments and the five predefined and numeric entities. It checks that tags nest and
/// close, and refuses document type declarations. A part in another encoding goes to expat.
void scanXmlPart(const ZipArchive& zip, std::string_view part, XmlHandler& handler,
                 std::uint64_t maxBytes = kXmlPartLimit);

/// The scanner of scanXmlPart over a text held in memory.
void scanXmlText(std::string_view xml, std::string_view partName, XmlHandler& handler);

/// The XML text `bytes` in UTF-8: text in UTF-16 (by its byte order mark, or by its first
/// character '<' without one) is converted and its declaration made to say UTF-8; any other
/// text is returned as it is. A cut last character is dropped.
std::string xmlTextAsUtf8(std::string bytes);

/// True when the first bytes of an XML text keep ASCII characters as single bytes (UTF-8 and
/// the 8-bit encodings), so byte scanning finds its tags; false for UTF-16 and UTF-32.
bool xmlEncodingKeepsAscii(std::string_view firstBytes);

/// Parses an XML text held in memory, with the same rules.
void parseXmlText(std::string_view xml, std::string_view partName, XmlHandler& handler);

}  // namespace lomandra::container
