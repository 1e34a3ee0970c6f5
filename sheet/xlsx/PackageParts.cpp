#include "sheet/xlsx/PackageParts.h"

#include "sheet/container/XmlReader.h"
#include "sheet/container/ZipArchive.h"

namespace lomandra::xlsx {

namespace {

using container::xmlAttribute;

// The package's own namespaces (the Open Packaging Conventions): the relationship parts and
// the content types part.
const std::vector<std::string_view> kRelationshipsNamespace = {
    "http://schemas.openxmlformats.org/package/2006/relationships"};
const std::vector<std::string_view> kContentTypesNamespace = {
    "http://schemas.openxmlformats.org/package/2006/content-types"};

class RelationshipsHandler : public container::XmlHandler {
 public:
  RelationshipsHandler(std::string_view source, std::vector<Relationship>& out)
      : source_(source), out_(out) {
    namespaces = kRelationshipsNamespace;
  }
  void startElement(std::string_view name, const char** attributes) override {
    if (name != "Relationship") return;
    if (out_.size() >= kMaxRelationships) return;  // bound: a workbook never has this many
    const char* id = xmlAttribute(attributes, "Id");
    const char* type = xmlAttribute(attributes, "Type");
    const char* target = xmlAttribute(attributes, "Target");
    const char* mode = xmlAttribute(attributes, "TargetMode");
    if (!id || !type || !target) return;
    Relationship r;
    r.id = id;
    r.type = type;
    r.external = mode && std::string_view(mode) == "External";
    r.rawTarget = target;
    r.target = r.external ? std::string(target) : resolveTarget(source_, target);
    out_.push_back(std::move(r));
  }
  void endElement(std::string_view) override {}
  void characters(std::string_view) override {}

 private:
  static constexpr std::size_t kMaxRelationships = 100000;
  std::string_view source_;
  std::vector<Relationship>& out_;
};

class ContentTypesHandler : public container::XmlHandler {
 public:
  std::string workbookPart;
  ContentTypesHandler() { namespaces = kContentTypesNamespace; }
  void startElement(std::string_view name, const char** attributes) override {
    if (name != "Override" || !workbookPart.empty()) return;
    const char* type = xmlAttribute(attributes, "ContentType");
    const char* part = xmlAttribute(attributes, "PartName");
    if (!type || !part) return;
    const std::string_view t(type);
    // spreadsheetml.sheet.main+xml, .template.main+xml, sheet.macroEnabled.main+xml, ...
    if (t.starts_with("application/vnd.ms-excel.") ||
        t.starts_with("application/vnd.openxmlformats-officedocument.spreadsheetml.")) {
      if (t.ends_with(".main+xml") && t.find("sheet") != std::string_view::npos)
        workbookPart = resolveTarget("", part);
      else if (t.ends_with("template.main+xml"))
        workbookPart = resolveTarget("", part);
    }
  }
  void endElement(std::string_view) override {}
  void characters(std::string_view) override {}
};

}  // namespace

std::string relationshipsPartOf(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  if (slash == std::string_view::npos) return "_rels/" + std::string(part) + ".rels";
  return std::string(part.substr(0, slash + 1)) + "_rels/" + std::string(part.substr(slash + 1)) +
         ".rels";
}

std::string resolveTarget(std::string_view sourcePart, std::string_view target) {
  std::string path;
  if (!target.empty() && target.front() == '/') {
    path = std::string(target.substr(1));
  } else {
    const std::size_t slash = sourcePart.rfind('/');
    if (slash != std::string_view::npos) path = std::string(sourcePart.substr(0, slash + 1));
    path += target;
  }
  // Fold "." and ".." segments and drop empty ones.
  std::vector<std::string_view> segments;
  std::string_view rest(path);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view segment = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(segment);
  }
  std::string result;
  for (const std::string_view segment : segments) {
    if (!result.empty()) result += '/';
    result += segment;
  }
  return result;
}

std::vector<Relationship> readRelationships(const container::ZipArchive& zip,
                                            std::string_view sourcePart, std::uint64_t maxBytes) {
  const std::string rels = relationshipsPartOf(sourcePart);
  if (!zip.contains(rels)) return {};
  return parseRelationships(sourcePart, zip.read(rels, maxBytes));
}

std::vector<Relationship> parseRelationships(std::string_view sourcePart, std::string_view xml) {
  std::vector<Relationship> result;
  RelationshipsHandler handler(sourcePart, result);
  container::parseXmlText(xml, relationshipsPartOf(sourcePart), handler);
  return result;
}

std::string parseContentTypes(std::string_view xml) {
  ContentTypesHandler types;
  container::parseXmlText(xml, "[Content_Types].xml", types);
  return types.workbookPart;
}

bool relationshipIs(std::string_view type, std::string_view suffix) {
  return type.size() > suffix.size() && type.ends_with(suffix) &&
         type[type.size() - suffix.size() - 1] == '/';
}

std::string findWorkbookPart(const container::ZipArchive& zip, std::uint64_t maxBytes) {
  if (zip.contains("[Content_Types].xml")) {
    const std::string part = parseContentTypes(zip.read("[Content_Types].xml", maxBytes));
    if (!part.empty() && zip.contains(part)) return part;
  }
  for (const Relationship& r : readRelationships(zip, "", maxBytes))
    if (!r.external && relationshipIs(r.type, "officeDocument") && zip.contains(r.target))
      return r.target;
  if (zip.contains("xl/workbook.xml")) return "xl/workbook.xml";
  return {};
}

}  // namespace lomandra::xlsx
