#include "sheet/xlsx/WorkbookPart.h"

#include "sheet/container/XmlReader.h"
#include "sheet/xlsx/XlsxValues.h"

namespace lomandra::xlsx {

namespace {

using container::xmlAttribute;

constexpr std::size_t kMaxSheets = 65535;
constexpr std::size_t kMaxSheetNameBytes = 1024;

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
    }
  }
  void endElement(std::string_view) override {}
  void characters(std::string_view) override {}

 private:
  WorkbookDescription& out_;
  bool viewSeen_ = false;
  bool propertiesSeen_ = false;
};

}  // namespace

WorkbookDescription readWorkbookPart(const PartParser& parse) {
  WorkbookDescription description;
  WorkbookHandler handler(description);
  parse(handler);
  return description;
}

}  // namespace lomandra::xlsx
