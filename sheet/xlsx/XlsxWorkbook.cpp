#include "sheet/xlsx/XlsxWorkbook.h"

#include <unordered_map>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/xlsx/PackageParts.h"
#include "sheet/xlsx/SharedStringTable.h"
#include "sheet/xlsx/StylesPart.h"
#include "sheet/xlsx/WorkbookPart.h"
#include "sheet/xlsx/WorksheetReader.h"
#include "sheet/xlsx/XlsxValues.h"

namespace lomandra::xlsx {

namespace {

class XlsxWorkbook : public model::WorkbookFile {
 public:
  XlsxWorkbook(std::unique_ptr<container::ZipArchive> zip, const XlsxLimits& limits)
      : zip_(std::move(zip)), limits_(limits) {
    const std::string workbookPart = findWorkbookPart(*zip_, limits_.workbookPartBytes);
    if (workbookPart.empty())
      throw Failure("The file is a zip archive but holds no spreadsheet workbook.");

    WorkbookDescription workbook = readWorkbookPart(partParser(workbookPart));
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

    for (const WorkbookSheet& entry : workbook.sheets) {
      const auto found = byId.find(entry.relationshipId);
      if (found != byId.end() && !found->second->external &&
          relationshipIs(found->second->type, "worksheet") && zip_->contains(found->second->target))
        parts_.push_back(found->second->target);
      else
        parts_.emplace_back();  // a chart sheet, or a sheet whose part is missing: no cells
      sheets_.push_back(entry.info);
    }
    activeSheet_ = workbook.activeTab < static_cast<int>(sheets_.size()) ? workbook.activeTab : 0;

    if (!stylesPart.empty() && zip_->contains(stylesPart))
      formats_ = readStylesPart(partParser(stylesPart));
    if (!stringsPart.empty() && !zip_->contains(stringsPart)) stringsPart.clear();
    strings_ = std::make_unique<SharedStringTable>(*zip_, stringsPart, limits_.sharedStringBytes,
                                                   limits_.cellTextBytes,
                                                   limits_.sharedStringCount);
  }

  const std::vector<model::SheetInfo>& sheets() const override { return sheets_; }
  int activeSheet() const override { return activeSheet_; }
  bool date1904() const override { return date1904_; }

  std::string formatCode(std::uint32_t format) const override { return formats_.code(format); }
  int builtinFormatId(std::uint32_t format) const override { return formats_.builtinId(format); }

  model::CellStyle cellStyle(std::uint32_t format) const override {
    model::CellStyle style;
    style.align = formats_.align(format);
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
  // Parses a workbook-level part of the package, within the bound on such parts.
  PartParser partParser(const std::string& part) const {
    return [this, part](container::XmlHandler& handler) {
      container::parseXmlPart(*zip_, part, handler, limits_.workbookPartBytes);
    };
  }

  std::unique_ptr<container::ZipArchive> zip_;
  XlsxLimits limits_;
  std::vector<model::SheetInfo> sheets_;
  std::vector<std::string> parts_;
  int activeSheet_ = 0;
  bool date1904_ = false;
  NumberFormats formats_;
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
