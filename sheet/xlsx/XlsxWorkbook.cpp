#include "sheet/xlsx/XlsxWorkbook.h"

#include <unordered_map>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/xlsx/BuiltinFormats.h"
#include "sheet/xlsx/PackageParts.h"
#include "sheet/xlsx/SharedStringTable.h"
#include "sheet/xlsx/WorksheetReader.h"
#include "sheet/xlsx/XlsxValues.h"

namespace lomandra::xlsx {

namespace {

using container::xmlAttribute;

constexpr std::size_t kMaxSheets = 65535;
constexpr std::size_t kMaxCellFormats = 1u << 20;
constexpr std::size_t kMaxFormatCodeBytes = 1024;

bool isTrue(const char* value) {
  return value && (std::string_view(value) == "1" || std::string_view(value) == "true");
}

struct SheetEntry {
  model::SheetInfo info;
  std::string relationshipId;
  std::string part;  // "" for a sheet without cells (a chart sheet, a missing part)
};

// workbook.xml: the sheets in order, the active tab and the date system.
class WorkbookHandler : public container::XmlHandler {
 public:
  std::vector<SheetEntry> sheets;
  int activeTab = 0;
  bool date1904 = false;

  void startElement(std::string_view name, const char** attributes) override {
    if (name == "sheet") {
      if (sheets.size() >= kMaxSheets) return;
      SheetEntry entry;
      const char* sheetName = xmlAttribute(attributes, "name");
      entry.info.name = sheetName ? sheetName : "";
      const char* state = xmlAttribute(attributes, "state");
      entry.info.visible = !state || std::string_view(state) == "visible";
      const char* id = xmlAttribute(attributes, "id");  // r:id, the prefix stripped
      entry.relationshipId = id ? id : "";
      sheets.push_back(std::move(entry));
    } else if (name == "workbookView") {
      if (!viewSeen_) {
        viewSeen_ = true;
        if (const char* tab = xmlAttribute(attributes, "activeTab")) {
          if (const auto n = parseNumber(tab); n && *n >= 0 && *n < 65536)
            activeTab = static_cast<int>(*n);
        }
      }
    } else if (name == "workbookPr" && !propertiesSeen_) {
      // Only the first: extensions (x15:workbookPr) arrive under the same unprefixed name.
      propertiesSeen_ = true;
      date1904 = isTrue(xmlAttribute(attributes, "date1904"));
    }
  }
  void endElement(std::string_view) override {}
  void characters(std::string_view) override {}

 private:
  bool viewSeen_ = false;
  bool propertiesSeen_ = false;
};

// styles.xml: the custom number formats and the number format of each cell format (cellXfs).
class StylesHandler : public container::XmlHandler {
 public:
  // "fill" and "justify" start at the left; spread and across-selection forms are centred.
  static model::HorizontalAlign horizontal(const char* value) {
    using model::HorizontalAlign;
    if (!value) return HorizontalAlign::General;
    const std::string_view v(value);
    if (v == "left" || v == "fill" || v == "justify") return HorizontalAlign::Left;
    if (v == "center" || v == "centerContinuous" || v == "distributed") return HorizontalAlign::Center;
    if (v == "right") return HorizontalAlign::Right;
    return HorizontalAlign::General;
  }

  std::unordered_map<std::uint32_t, std::string> customFormats;
  std::vector<std::uint32_t> cellFormats;  // number format id per cell format index
  std::vector<model::HorizontalAlign> cellAligns;  // horizontal alignment per cell format index

  void startElement(std::string_view name, const char** attributes) override {
    if (name == "numFmt") {
      const char* id = xmlAttribute(attributes, "numFmtId");
      const char* code = xmlAttribute(attributes, "formatCode");
      if (!id || !code || customFormats.size() >= kMaxCellFormats) return;
      if (const auto n = parseNumber(id); n && *n >= 0 && *n < 4294967295.0) {
        std::string text(code);
        truncateUtf8(text, kMaxFormatCodeBytes);
        customFormats[static_cast<std::uint32_t>(*n)] = std::move(text);
      }
    } else if (name == "cellXfs") {
      inCellFormats_ = true;
    } else if (name == "xf" && inCellFormats_) {
      if (cellFormats.size() >= kMaxCellFormats) return;
      std::uint32_t id = 0;
      if (const char* text = xmlAttribute(attributes, "numFmtId")) {
        if (const auto n = parseNumber(text); n && *n >= 0 && *n < 4294967295.0)
          id = static_cast<std::uint32_t>(*n);
      }
      cellFormats.push_back(id);
      cellAligns.push_back(model::HorizontalAlign::General);
    } else if (name == "alignment" && inCellFormats_ && !cellAligns.empty()) {
      cellAligns.back() = horizontal(xmlAttribute(attributes, "horizontal"));
    }
  }
  void endElement(std::string_view name) override {
    if (name == "cellXfs") inCellFormats_ = false;
  }
  void characters(std::string_view) override {}

 private:
  bool inCellFormats_ = false;
};

class XlsxWorkbook : public model::WorkbookFile {
 public:
  XlsxWorkbook(std::unique_ptr<container::ZipArchive> zip, const XlsxLimits& limits)
      : zip_(std::move(zip)), limits_(limits) {
    const std::string workbookPart = findWorkbookPart(*zip_, limits_.workbookPartBytes);
    if (workbookPart.empty())
      throw Failure("The file is a zip archive but holds no spreadsheet workbook.");

    WorkbookHandler workbook;
    container::parseXmlPart(*zip_, workbookPart, workbook, limits_.workbookPartBytes);
    date1904_ = workbook.date1904;
    if (workbook.sheets.empty()) throw Failure("The workbook holds no sheets.");

    std::string stylesPart, stringsPart;
    const auto relationships = readRelationships(*zip_, workbookPart, limits_.workbookPartBytes);
    std::unordered_map<std::string, const Relationship*> byId;
    for (const Relationship& r : relationships) {
      byId.emplace(r.id, &r);
      if (r.external) continue;
      if (relationshipIs(r.type, "styles") && stylesPart.empty()) stylesPart = r.target;
      if (relationshipIs(r.type, "sharedStrings") && stringsPart.empty()) stringsPart = r.target;
    }
    // Some writers leave the relationships out; the usual part names still find the parts.
    if (stringsPart.empty() && zip_->contains("xl/sharedStrings.xml"))
      stringsPart = "xl/sharedStrings.xml";
    if (stylesPart.empty() && zip_->contains("xl/styles.xml")) stylesPart = "xl/styles.xml";

    for (SheetEntry& entry : workbook.sheets) {
      const auto found = byId.find(entry.relationshipId);
      if (found != byId.end() && !found->second->external &&
          relationshipIs(found->second->type, "worksheet") && zip_->contains(found->second->target))
        entry.part = found->second->target;
      sheets_.push_back(entry.info);
      parts_.push_back(entry.part);
    }
    activeSheet_ = workbook.activeTab < static_cast<int>(sheets_.size()) ? workbook.activeTab : 0;

    if (!stylesPart.empty() && zip_->contains(stylesPart)) {
      StylesHandler styles;
      container::parseXmlPart(*zip_, stylesPart, styles, limits_.workbookPartBytes);
      customFormats_ = std::move(styles.customFormats);
      cellFormats_ = std::move(styles.cellFormats);
      cellAligns_ = std::move(styles.cellAligns);
    }
    if (!stringsPart.empty() && !zip_->contains(stringsPart)) stringsPart.clear();
    strings_ = std::make_unique<SharedStringTable>(*zip_, stringsPart, limits_.sharedStringBytes,
                                                   limits_.cellTextBytes,
                                                   limits_.sharedStringCount);
  }

  const std::vector<model::SheetInfo>& sheets() const override { return sheets_; }
  int activeSheet() const override { return activeSheet_; }
  bool date1904() const override { return date1904_; }

  std::string formatCode(std::uint32_t format) const override {
    if (format >= cellFormats_.size()) return "General";
    const std::uint32_t id = cellFormats_[format];
    const auto custom = customFormats_.find(id);
    if (custom != customFormats_.end()) return custom->second;
    return builtinFormat(static_cast<int>(std::min<std::uint32_t>(id, 100000)));
  }

  model::CellStyle cellStyle(std::uint32_t format) const override {
    model::CellStyle style;
    if (format < cellAligns_.size()) style.align = cellAligns_[format];
    return style;
  }

  void readSheet(int index, model::SheetVisitor& visitor, std::uint32_t lastRow) override {
    if (index < 0 || index >= static_cast<int>(sheets_.size()))
      throw Failure("The workbook has no sheet number " + std::to_string(index + 1) + ".");
    const std::string& part = parts_[static_cast<std::size_t>(index)];
    if (part.empty()) return;  // a chart sheet or dialog sheet: no cells
    readWorksheet(*zip_, part, *strings_, date1904_, limits_, visitor, lastRow);
  }

 private:
  std::unique_ptr<container::ZipArchive> zip_;
  XlsxLimits limits_;
  std::vector<model::SheetInfo> sheets_;
  std::vector<std::string> parts_;
  int activeSheet_ = 0;
  bool date1904_ = false;
  std::unordered_map<std::uint32_t, std::string> customFormats_;
  std::vector<std::uint32_t> cellFormats_;
  std::vector<model::HorizontalAlign> cellAligns_;
  std::unique_ptr<SharedStringTable> strings_;
};

}  // namespace

std::unique_ptr<model::WorkbookFile> openXlsx(const std::string& path, const XlsxLimits& limits) {
  return std::make_unique<XlsxWorkbook>(container::ZipArchive::open(path), limits);
}

bool isXlsxPackage(const std::string& path) {
  try {
    const auto zip = container::ZipArchive::open(path);
    return !findWorkbookPart(*zip, XlsxLimits{}.workbookPartBytes).empty();
  } catch (const Failure&) {
    return false;
  }
}

}  // namespace lomandra::xlsx
