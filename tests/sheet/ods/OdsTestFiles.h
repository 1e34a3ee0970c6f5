#pragma once

// Builds small OpenDocument spreadsheets for the tests: zip packages written with libzip and
// flat documents, from a body of table XML, in a temporary folder removed with the object.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::ods::test {

/// The namespace declarations of an OpenDocument root element.
extern const char* const kNamespaces;

/// content.xml around `spreadsheetBody` (the children of office:spreadsheet), with
/// `automaticStyles` (children of office:automatic-styles).
std::string contentXml(const std::string& spreadsheetBody, const std::string& automaticStyles = "");

/// settings.xml naming `activeTable` as the active table.
std::string settingsXml(const std::string& activeTable);

/// A temporary folder for test files.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  /// Path of `name` inside the folder.
  std::string path(const std::string& name) const;
  /// Writes a zip file of `entries` (name, bytes) in order, stored uncompressed when `store`.
  std::string writeZip(const std::string& name,
                       const std::vector<std::pair<std::string, std::string>>& entries);
  /// Writes a package: mimetype, content.xml and, when given, settings.xml.
  std::string writeOds(const std::string& name, const std::string& content,
                       const std::string& settings = "");
  /// Writes a plain file.
  std::string writeFile(const std::string& name, const std::string& bytes);

 private:
  std::string dir_;
};

/// A cell as a visitor saw it.
struct SeenCell {
  model::CellKind kind;
  double number;
  std::string text;
  bool operator==(const SeenCell&) const = default;
};

/// Records everything a sheet read reports.
class RecordingVisitor : public model::SheetVisitor {
 public:
  void columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) override;
  void hiddenRow(std::uint32_t row) override;
  bool cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) override;

  std::map<std::pair<std::uint32_t, std::uint32_t>, SeenCell> cells;  ///< (row, column) -> cell
  std::vector<std::uint32_t> hiddenRows;
  struct Columns {
    std::uint32_t first, last;
    double width;
    bool hidden;
  };
  std::vector<Columns> columnRuns;
  std::uint64_t calls = 0;
  std::uint64_t stopAfter = UINT64_MAX;  ///< return false on this many-th cell
  /// The text of a cell, "" when none was reported.
  std::string text(std::uint32_t row, std::uint32_t column) const;
};

}  // namespace lomandra::ods::test
