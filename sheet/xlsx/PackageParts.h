#pragma once

// Locating parts inside an Office Open XML package: relationships and part names.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::container {
class ZipArchive;
}

namespace lomandra::xlsx {

/// One relationship of a part's .rels file, its target already resolved to a part name.
struct Relationship {
  std::string id;
  std::string type;    ///< the full type URI
  std::string target;  ///< part name without a leading slash ("xl/worksheets/sheet1.xml")
  std::string rawTarget;  ///< the target as the relationship writes it
  bool external = false;
};

/// The relationships part of `part`: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string relationshipsPartOf(std::string_view part);

/// Resolves a relationship target against the folder of `sourcePart`; absolute targets start
/// at the package root. "." and ".." segments are folded; ".." never climbs above the root.
std::string resolveTarget(std::string_view sourcePart, std::string_view target);

/// Reads the relationships of `sourcePart` (none when the .rels part is absent).
std::vector<Relationship> readRelationships(const container::ZipArchive& zip,
                                            std::string_view sourcePart, std::uint64_t maxBytes);

/// The relationships that the XML text `xml` of a .rels part lists for `sourcePart`.
std::vector<Relationship> parseRelationships(std::string_view sourcePart, std::string_view xml);

/// The workbook part that the XML text of [Content_Types].xml names, or "".
std::string parseContentTypes(std::string_view xml);

/// True when a relationship type URI ends with `/suffix` (both transitional and strict URIs).
bool relationshipIs(std::string_view type, std::string_view suffix);

/// The name of the workbook part of the package, or "" when it holds none.
std::string findWorkbookPart(const container::ZipArchive& zip, std::uint64_t maxBytes);

}  // namespace lomandra::xlsx
