#include "sheet/ods/OdsWorkbook.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

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
  return text;
}

using ByteSink = std::function<bool(std::string_view)>;

// The sheet list of a content part or flat document. The parser reads what precedes the body
// (settings, styles, the namespace prefixes); the tables are then found by scanning the bytes,
// which costs a fraction of parsing every cell. When the scanner cannot serve (an unusual prefix,
// an enormous tag) the parser reads the whole document.
OdsIndexHandler indexDocument(const std::string& activeTable,
                              const std::function<void(container::XmlHandler&)>& parse,
                              const std::function<bool(const ByteSink&)>& bytes) {
  OdsIndexHandler prolog;
  prolog.activeTable = activeTable;
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
  parse(full);
  return full;
}

class OdsWorkbook : public model::WorkbookFile {
 public:
  explicit OdsWorkbook(const std::string& path) : path_(path) {
    const std::string head = readFilePrefix(path, 1u << 16);
    if (head.starts_with("PK\x03\x04")) {
      openPackage();
    } else if (looksLikeFlatOds(head)) {
      const std::string text = readFlatFile(path_);
      takeIndex(indexDocument(
          "",
          [&](container::XmlHandler& handler) {
            container::parseXmlText(text, fileName(), handler);
          },
          [&](const ByteSink& sink) { return sink(text); }));
    } else {
      throw Failure("The file \"" + path + "\" is not an OpenDocument spreadsheet.");
    }
  }

  const std::vector<model::SheetInfo>& sheets() const override { return sheets_; }
  int activeSheet() const override { return active_; }
  bool date1904() const override { return false; }
  std::string formatCode(std::uint32_t) const override { return "General"; }
  model::CellStyle cellStyle(std::uint32_t format) const override {
    model::CellStyle style;
    style.numericText = format == OdsSheetHandler::kNumericText;
    return style;
  }

  void readSheet(int index, model::SheetVisitor& visitor, std::uint32_t lastRow) override {
    if (index < 0 || static_cast<std::size_t>(index) >= sheets_.size())
      throw Failure("The workbook has no sheet number " + std::to_string(index + 1) + ".");
    OdsSheetHandler handler(index, sheets_[static_cast<std::size_t>(index)].name, visitor, lastRow);
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

  void openPackage() {
    zip_ = container::ZipArchive::open(path_);
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
          bool going = true;
          zip_->stream(kContentPart, [&](const char* data, std::size_t size) {
            going = sink(std::string_view(data, size));
            return going;
          });
          return going;
        }));
  }

  void takeIndex(const OdsIndexHandler& index) {
    if (!index.sawSpreadsheet)
      throw Failure("The file \"" + path_ + "\" is an OpenDocument file but not a spreadsheet.");
    if (index.sheets.empty()) throw Failure("The workbook \"" + path_ + "\" has no sheets.");
    sheets_ = index.sheets;
    const auto it = std::find_if(sheets_.begin(), sheets_.end(), [&](const model::SheetInfo& s) {
      return s.name == index.activeTable;
    });
    active_ = it == sheets_.end() ? 0 : static_cast<int>(it - sheets_.begin());
  }

  std::string path_;
  std::unique_ptr<container::ZipArchive> zip_;  // null for a flat document
  std::vector<model::SheetInfo> sheets_;
  int active_ = 0;
};

constexpr std::string_view kRoot = "<office:document";

bool endsName(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '['; }

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

// Skips white space, then any XML declaration, processing instructions, comments and document
// type declaration. `doctypeRoot` is set when the declaration names an office:document root,
// which then need not be within `text`.
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
      const std::string_view rootName = kRoot.substr(1);
      if (name != std::string_view::npos && text.substr(name).starts_with(rootName) &&
          text.size() > name + rootName.size() && endsName(text[name + rootName.size()]))
        doctypeRoot = true;
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
  // A flat document with a document type declaration is recognised, to be refused when read
  // as the zipped form's parts are ("declares a document type"), rather than read as text.
  bool doctypeRoot = false;
  const std::string_view root = skipProlog(firstBytes, doctypeRoot);
  if (doctypeRoot) return true;
  if (!root.starts_with(kRoot) || root.size() <= kRoot.size()) return false;
  const char after = root[kRoot.size()];
  if (after != ' ' && after != '\t' && after != '\r' && after != '\n' && after != '>') return false;
  // The root names its document type; another type (a flat text document) is not ours.
  const std::string_view tag = root.substr(0, root.find('>'));
  const std::size_t mime = tag.find("office:mimetype=");
  if (mime == std::string_view::npos) return true;
  if (mime + 17 > tag.size()) return false;  // the tag ends before the value does
  const std::string_view value = tag.substr(mime + 17);  // past the opening quote
  return value.starts_with(kSpreadsheetMime);
}

bool isOdsPackage(const std::string& path) {
  try {
    const auto zip = container::ZipArchive::open(path);
    // The first entry names the type; without it the content part tells, as other readers go.
    if (zip->contains("mimetype")) return zip->read("mimetype", 4096).starts_with(kSpreadsheetMime);
    if (!zip->contains(kContentPart)) return false;
    OdsIndexHandler prolog;
    prolog.stopAtBody = true;
    container::parseXmlPart(*zip, kContentPart, prolog);
    return prolog.reachedBody && prolog.sawSpreadsheet;
  } catch (const Failure&) {
    return false;
  }
}

std::unique_ptr<model::WorkbookFile> openOds(const std::string& path) {
  return std::make_unique<OdsWorkbook>(path);
}

}  // namespace lomandra::ods
