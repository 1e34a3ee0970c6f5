#include "sheet/xlsx/WorkbookPart.h"

#include "sheet/container/XmlReader.h"
#include "sheet/xlsx/XlsxValues.h"

namespace lomandra::xlsx {

namespace {

using container::xmlAttribute;

constexpr std::size_t kMaxSheets = 65535;
constexpr std::size_t kMaxSheetNameBytes = 1024;
constexpr std::size_t kMaxNames = 65536;
constexpr std::size_t kMaxNameBytes = 8192;

bool isTrue(const char* value) {
  return value && (std::string_view(value) == "1" || std::string_view(value) == "true");
}

class WorkbookHandler : public container::XmlHandler {
 public:
  explicit WorkbookHandler(WorkbookDescription& out) : out_(out) {
    namespaces = kSpreadsheetNamespaces;
  }

  void startElement(std::string_view name, const char** attributes) override {
    if (name == "sheet") {
      if (out_.sheets.size() >= kMaxSheets) return;
      WorkbookSheet entry;
      const char* sheetName = xmlAttribute(attributes, "name");
      entry.info.name = sheetName ? sheetName : "";
      truncateUtf8(entry.info.name, kMaxSheetNameBytes);
      const char* state = xmlAttribute(attributes, "state");
      entry.info.visible = !state || std::string_view(state) == "visible";
      const char* id = xmlAttribute(attributes, "id");  // r:id, the prefix stripped
      entry.relationshipId = id ? id : "";
      out_.sheets.push_back(std::move(entry));
    } else if (name == "workbookView") {
      if (!viewSeen_) {
        viewSeen_ = true;
        if (const char* tab = xmlAttribute(attributes, "activeTab")) {
          if (const auto n = parseNumber(tab); n && *n >= 0 && *n < 65536)
            out_.activeTab = static_cast<int>(*n);
        }
      }
    } else if (name == "workbookPr" && !propertiesSeen_) {
      // Only the first: extensions (x15:workbookPr) arrive under the same unprefixed name.
      propertiesSeen_ = true;
      out_.date1904 = isTrue(xmlAttribute(attributes, "date1904"));
    } else if (name == "calcPr") {
      out_.fullCalcOnLoad = isTrue(xmlAttribute(attributes, "fullCalcOnLoad"));
    } else if (name == "definedName" && out_.names.size() < kMaxNames) {
      const char* defined = xmlAttribute(attributes, "name");
      inName_ = defined != nullptr;
      if (!inName_) return;
      model::DefinedName entry;
      entry.name = defined;
      truncateUtf8(entry.name, kMaxNameBytes);
      if (const char* local = xmlAttribute(attributes, "localSheetId")) {
        if (const auto n = parseNumber(local); n && *n >= 0 && *n < kMaxSheets)
          entry.sheet = static_cast<int>(*n);
      }
      out_.names.push_back(std::move(entry));
    }
  }
  void endElement(std::string_view name) override {
    if (name == "definedName") inName_ = false;
  }
  void characters(std::string_view text) override {
    if (!inName_) return;
    std::string& formula = out_.names.back().formula;
    if (formula.size() + text.size() <= kMaxNameBytes) formula.append(text);
  }

 private:
  WorkbookDescription& out_;
  bool viewSeen_ = false;
  bool propertiesSeen_ = false;
  bool inName_ = false;  // within a definedName element: its text is the name's formula
};

}  // namespace

WorkbookDescription readWorkbookPart(const PartParser& parse) {
  WorkbookDescription description;
  WorkbookHandler handler(description);
  parse(handler);
  return description;
}

}  // namespace lomandra::xlsx
