#include "sheet/ods/OdsWorkbook.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unordered_map>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/ods/OdsContentReader.h"
#include "sheet/ods/OdsTableScanner.h"
#include "sheet/model/WorkbookPath.h"

namespace lomandra::ods {

namespace {

constexpr std::string_view kContentPart = "content.xml";
constexpr std::string_view kSettingsPart = "settings.xml";
constexpr std::string_view kStylesPart = "styles.xml";
constexpr std::string_view kManifestPart = "META-INF/manifest.xml";
constexpr std::string_view kSpreadsheetMime = "application/vnd.oasis.opendocument.spreadsheet";
// A flat document is parsed from memory: the most of one this program reads.
constexpr std::uintmax_t kMaxFlatBytes = 512u << 20;

std::string readFilePrefix(const std::string& path, std::size_t count) {
  std::ifstream in = model::openWorkbookStream(path);
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// A flat document's text in UTF-8, whatever encoding of XML's it was written in.
std::string readFlatFile(const std::string& path) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(model::fileSystemPath(path), ec);
  if (ec) throw Failure("The file \"" + path + "\" cannot be read.");
  if (size > kMaxFlatBytes)
    throw Failure("The file \"" + path +
                  "\" is a flat OpenDocument spreadsheet larger than this "
                  "program reads; save it as .ods instead.");
  std::string text = readFilePrefix(path, static_cast<std::size_t>(size));
  if (text.size() != size) throw Failure("The file \"" + path + "\" cannot be read to its end.");
  return container::xmlTextAsUtf8(std::move(text));
}

using ByteSink = std::function<bool(std::string_view)>;

// The sheet list of a content part or flat document. The parser reads what precedes the body
// (settings, styles, the namespace prefixes); the tables are then found by scanning the bytes,
// which costs a fraction of parsing every cell. When the scanner cannot serve (an unusual prefix,
// an enormous tag) the parser reads the whole document.
OdsIndexHandler indexDocument(const std::string& activeTable,
                              const std::function<void(container::XmlHandler&)>& parse,
                              const std::function<bool(const ByteSink&)>& bytes,
                              const std::function<void(container::XmlHandler&)>& styles) {
  // The package's styles part first: the data styles of named cell styles are there.
  const auto readStyles = [&](OdsIndexHandler& handler) {
    if (!styles) return;
    try {
      styles(handler);
    } catch (const Failure&) {
      // Damaged styles: cells keep the texts saved with them, and values show in General.
    }
    handler.tablePrefix.clear();
    handler.stopRequested = false;
  };
  OdsIndexHandler prolog;
  prolog.activeTable = activeTable;
  readStyles(prolog);
  prolog.stopAtBody = true;
  parse(prolog);
  if (!prolog.reachedBody || !prolog.sawSpreadsheet) return prolog;  // not a spreadsheet
  if (!prolog.tablePrefix.empty()) {
    OdsTableScanner scanner(prolog.tablePrefix);
    if (bytes([&](std::string_view chunk) { return scanner.feed(chunk); })) {
      for (const auto& table : scanner.tables()) prolog.addSheet(table.name, table.styleName);
      return prolog;
    }
  }
  OdsIndexHandler full;
  full.activeTable = prolog.activeTable;
  readStyles(full);
  parse(full);
  return full;
}

class OdsWorkbook : public model::WorkbookFile {
 public:
  OdsWorkbook(std::unique_ptr<container::ZipArchive> zip, const std::string& path) : path_(path) {
    openPackage(std::move(zip));
  }

  explicit OdsWorkbook(const std::string& path) : path_(path) {
    const std::string head = readFilePrefix(path, 1u << 16);
    if (head.starts_with("PK\x03\x04")) {
      openPackage(container::ZipArchive::open(path_));
    } else if (looksLikeFlatOds(head)) {
      const std::string text = readFlatFile(path_);
      takeIndex(indexDocument(
          "",
          [&](container::XmlHandler& handler) {
            container::parseXmlText(text, fileName(), handler);
          },
          [&](const ByteSink& sink) { return sink(text); }, {}));
    } else {
      throw Failure("The file \"" + path + "\" is not an OpenDocument spreadsheet.");
    }
  }

  const std::vector<model::SheetInfo>& sheets() const override { return sheets_; }
  int activeSheet() const override { return active_; }
  bool date1904() const override { return false; }
  std::string formatCode(std::uint32_t format) const override {
    return format >= kFirstDataFormat && format - kFirstDataFormat < codes_.size()
               ? codes_[format - kFirstDataFormat]
               : "General";
  }
  model::CellStyle cellStyle(std::uint32_t format) const override {
    model::CellStyle style;
    style.numericText = format == OdsSheetHandler::kNumericText;
    return style;
  }

  void readSheet(int index, model::SheetVisitor& visitor, std::uint32_t lastRow) override {
    if (index < 0 || static_cast<std::size_t>(index) >= sheets_.size())
      throw Failure("The workbook has no sheet number " + std::to_string(index + 1) + ".");
    OdsSheetHandler handler(index, sheets_[static_cast<std::size_t>(index)].name, visitor, lastRow);
    handler.cellFormats = &cellFormats_;
    if (zip_)
      container::parseXmlPart(*zip_, kContentPart, handler);
    else
      container::parseXmlText(readFlatFile(path_), fileName(), handler);
    if (!handler.found())
      throw Failure("The workbook changed since it was opened: its sheet \"" +
                    sheets_[static_cast<std::size_t>(index)].name + "\" is gone.");
  }

 private:
  std::string fileName() const { return model::utf8Text(model::fileSystemPath(path_).filename()); }

  void openPackage(std::unique_ptr<container::ZipArchive> zip) {
    zip_ = std::move(zip);
    if (zip_->contains("mimetype")) {
      const std::string mime = zip_->read("mimetype", 4096);
      if (!mime.starts_with(kSpreadsheetMime))
        throw Failure("The file \"" + path_ +
                      "\" is not a spreadsheet (it is a document of type \"" + mime.substr(0, 100) +
                      "\").");
    }
    if (zip_->contains(kManifestPart) &&
        zip_->read(kManifestPart, 4u << 20).find("encryption-data") != std::string::npos)
      throw Failure("The workbook is protected by a password and cannot be read.");
    if (!zip_->contains(kContentPart))
      throw Failure("The file \"" + path_ + "\" is damaged: it has no content part (content.xml).");
    std::string activeTable;
    if (zip_->contains(kSettingsPart)) {
      try {
        OdsIndexHandler settings;
        container::parseXmlPart(*zip_, kSettingsPart, settings);
        activeTable = settings.activeTable;
      } catch (const Failure&) {
        // Damaged view settings: the workbook opens on its first sheet.
      }
    }
    takeIndex(indexDocument(
        activeTable,
        [&](container::XmlHandler& handler) {
          container::parseXmlPart(*zip_, kContentPart, handler);
        },
        [&](const ByteSink& sink) {
          // The table scanner reads UTF-8 bytes; a part in UTF-16 is parsed instead.
          if (!partIsUtf8Compatible()) return false;
          bool going = true;
          zip_->stream(kContentPart, [&](const char* data, std::size_t size) {
            going = sink(std::string_view(data, size));
            return going;
          });
          return going;
        },
        [&](container::XmlHandler& handler) {
          if (zip_->contains(kStylesPart)) container::parseXmlPart(*zip_, kStylesPart, handler);
        }));
  }

  // True when the content part starts as UTF-8 (or another encoding that keeps ASCII as it is)
  // would: no byte order mark of UTF-16 and no zero byte among its first bytes.
  bool partIsUtf8Compatible() const {
    std::string first;
    zip_->stream(kContentPart, [&](const char* data, std::size_t size) {
      first.append(data, std::min<std::size_t>(size, 4));
      return first.size() < 4;
    });
    return container::xmlEncodingKeepsAscii(first);
  }

  void takeIndex(const OdsIndexHandler& index) {
    if (!index.sawSpreadsheet)
      throw Failure("The file \"" + path_ + "\" is an OpenDocument file but not a spreadsheet.");
    if (index.sheets.empty()) throw Failure("The workbook \"" + path_ + "\" has no sheets.");
    sheets_ = index.sheets;
    // Each data style a cell style names becomes a cell format of its own.
    std::unordered_map<std::string, std::uint32_t> byCode;
    for (auto& [style, code] : index.cellFormatCodes()) {
      auto [at, added] = byCode.try_emplace(code, kFirstDataFormat + static_cast<std::uint32_t>(codes_.size()));
      if (added) codes_.push_back(code);
      cellFormats_.emplace(style, at->second);
    }
    const auto it = std::find_if(sheets_.begin(), sheets_.end(), [&](const model::SheetInfo& s) {
      return s.name == index.activeTable;
    });
    active_ = it == sheets_.end() ? 0 : static_cast<int>(it - sheets_.begin());
  }

  std::string path_;
  std::unique_ptr<container::ZipArchive> zip_;  // null for a flat document
  std::vector<model::SheetInfo> sheets_;
  int active_ = 0;
  // Cell formats past the two fixed ones: the codes of the data styles, and which cell style
  // shows in which. Set at opening, read only after.
  static constexpr std::uint32_t kFirstDataFormat = OdsSheetHandler::kNumericText + 1;
  std::vector<std::string> codes_;
  std::unordered_map<std::string, std::uint32_t> cellFormats_;
};

constexpr std::string_view kOfficeNamespace = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";

bool endsName(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '[' || c == '/'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The end of a document type declaration starting at `text` ("<!DOCTYPE"): past its '>' after
// any internal subset in brackets, quoted literals passed over; npos when not in `text`.
std::size_t doctypeEnd(std::string_view text) {
  char quote = 0;
  bool inSubset = false;
  for (std::size_t i = 9; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      inSubset = true;
    } else if (c == ']') {
      inSubset = false;
    } else if (c == '>' && !inSubset) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

// The local part of a qualified name and its prefix ("" for none).
std::pair<std::string_view, std::string_view> splitName(std::string_view name) {
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) return {{}, name};
  return {name.substr(0, colon), name.substr(colon + 1)};
}

// True when `name` (a root element's or DOCTYPE's qualified name) is the OpenDocument
// `document` element: under the usual `office:` prefix, or a prefix `attributes` bind to the
// office namespace.
bool isDocumentRoot(std::string_view name, const std::vector<std::pair<std::string_view, std::string_view>>& attributes) {
  const auto [prefix, local] = splitName(name);
  if (local != "document") return false;
  if (prefix == "office") return true;
  for (const auto& [attribute, value] : attributes)
    if (value == kOfficeNamespace &&
        (prefix.empty() ? attribute == "xmlns" : attribute.starts_with("xmlns:") && attribute.substr(6) == prefix))
      return true;
  return false;
}

// The attributes of a start tag's text (after its name), as far as the text holds them.
std::vector<std::pair<std::string_view, std::string_view>> tagAttributes(std::string_view tag) {
  std::vector<std::pair<std::string_view, std::string_view>> result;
  std::size_t i = 0;
  for (;;) {
    while (i < tag.size() && isSpace(tag[i])) ++i;
    const std::size_t nameStart = i;
    while (i < tag.size() && tag[i] != '=' && !isSpace(tag[i]) && tag[i] != '>') ++i;
    const std::string_view name = tag.substr(nameStart, i - nameStart);
    while (i < tag.size() && isSpace(tag[i])) ++i;
    if (name.empty() || i >= tag.size() || tag[i] != '=') return result;
    ++i;
    while (i < tag.size() && isSpace(tag[i])) ++i;
    if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) return result;
    const char quote = tag[i++];
    const std::size_t close = tag.find(quote, i);
    if (close == std::string_view::npos) {
      result.emplace_back(name, std::string_view());  // cut: a value not known
      return result;
    }
    result.emplace_back(name, tag.substr(i, close - i));
    i = close + 1;
  }
}

// Skips white space, then any XML declaration, processing instructions, comments and document
// type declaration. `doctypeRoot` is set when the declaration names an OpenDocument document
// root, which then need not be within `text`.
std::string_view skipProlog(std::string_view text, bool& doctypeRoot) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  for (;;) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return {};
    text.remove_prefix(start);
    std::size_t end = std::string_view::npos;
    if (text.starts_with("<?")) {
      end = text.find("?>");
      if (end != std::string_view::npos) end += 2;
    } else if (text.starts_with("<!--")) {
      end = text.find("-->");
      if (end != std::string_view::npos) end += 3;
    } else if (text.starts_with("<!DOCTYPE")) {
      const std::size_t name = text.find_first_not_of(" \t\r\n", 9);
      if (name != std::string_view::npos) {
        std::size_t nameEnd = name;
        while (nameEnd < text.size() && !endsName(text[nameEnd])) ++nameEnd;
        if (nameEnd < text.size() && splitName(text.substr(name, nameEnd - name)).second == "document")
          doctypeRoot = true;
      }
      end = doctypeEnd(text);
    } else {
      return text;
    }
    if (end == std::string_view::npos) return {};
    text.remove_prefix(end);
  }
}

}  // namespace

bool looksLikeFlatOds(std::string_view firstBytes) {
  // UTF-16 is read as the UTF-8 it stands for (a cut last character aside).
  const std::string utf8 = container::xmlTextAsUtf8(std::string(firstBytes));
  // A flat document with a document type declaration is recognised, to be refused when read
  // as the zipped form's parts are ("declares a document type"), rather than read as text.
  bool doctypeRoot = false;
  const std::string_view root = skipProlog(utf8, doctypeRoot);
  if (doctypeRoot) return true;
  if (root.size() < 2 || root[0] != '<') return false;
  std::size_t nameEnd = 1;
  while (nameEnd < root.size() && !endsName(root[nameEnd])) ++nameEnd;
  if (nameEnd >= root.size()) return false;  // the name may go on past what was read
  const std::string_view name = root.substr(1, nameEnd - 1);
  const std::string_view tag = root.substr(nameEnd, root.find('>') - nameEnd);
  const auto attributes = tagAttributes(tag);
  if (!isDocumentRoot(name, attributes)) return false;
  // The root names its document type; another type (a flat text document) is not ours.
  const std::string_view prefix = splitName(name).first;
  for (const auto& [attribute, value] : attributes) {
    const auto [attributePrefix, local] = splitName(attribute);
    if (local != "mimetype" || attributePrefix.empty()) continue;
    if (attributePrefix != prefix && attributePrefix != "office") continue;
    return value.starts_with(kSpreadsheetMime);
  }
  return true;
}

bool isOdsPackage(const std::string& path) {
  try {
    return isOdsPackage(*container::ZipArchive::open(path));
  } catch (const Failure&) {
    return false;
  }
}

bool isOdsPackage(const container::ZipArchive& zip) {
  try {
    // The first entry names the type; without it the content part tells, as other readers go.
    if (zip.contains("mimetype")) return zip.read("mimetype", 4096).starts_with(kSpreadsheetMime);
    if (!zip.contains(kContentPart)) return false;
    OdsIndexHandler prolog;
    prolog.stopAtBody = true;
    container::parseXmlPart(zip, kContentPart, prolog);
    return prolog.reachedBody && prolog.sawSpreadsheet;
  } catch (const Failure&) {
    return false;
  }
}

std::unique_ptr<model::WorkbookFile> openOdsPackage(std::unique_ptr<container::ZipArchive> zip,
                                                    const std::string& path) {
  return std::make_unique<OdsWorkbook>(std::move(zip), path);
}

std::unique_ptr<model::WorkbookFile> openOds(const std::string& path) {
  return std::make_unique<OdsWorkbook>(path);
}

}  // namespace lomandra::ods
