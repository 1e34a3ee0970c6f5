#pragma once

// The XML handlers of the OpenDocument spreadsheet reader. The same handlers read a package's
// settings.xml and content.xml and a flat document, which holds both in one file.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "sheet/container/XmlReader.h"
#include "sheet/model/WorkbookFile.h"
#include "sheet/ods/OdsDataStyles.h"

namespace lomandra::ods {

/// The OpenDocument namespaces whose elements and attributes the reader reads, whatever
/// prefixes a document binds to them: office, style, text, table, data style, formatting
/// properties and settings. Elements of any other namespace (drawings, extensions) pass by
/// with all they hold (see container::XmlHandler::namespaces).
inline const std::vector<std::string_view> kOdsNamespaces = {
    "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0",
    "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
    "urn:oasis:names:tc:opendocument:xmlns:config:1.0",
};

/// What the reader needs of a named automatic style.
struct OdsStyle {
  bool tableHidden = false;  ///< a table style with table:display="false"
  double columnWidth = -1;   ///< a column style's width in characters of the default font, or -1
  std::string dataStyle;     ///< a cell style's data style (style:data-style-name), or ""
};

/// Collects the automatic styles the tables and columns name.
class OdsStyleCollector {
 public:
  /// Feeds one start tag; returns true when it was part of a style definition.
  bool startElement(std::string_view name, const char** attributes);
  void endElement(std::string_view name);
  const OdsStyle* find(std::string_view name) const;
  const std::unordered_map<std::string, OdsStyle>& all() const { return styles_; }

 private:
  std::unordered_map<std::string, OdsStyle> styles_;
  std::string current_;  // the style:style being read, empty outside one
};

/// A length as OpenDocument writes it ("0.889in", "2.258cm", "64pt") in characters of the
/// default font (7 pixels each at 96 pixels an inch, plus 5 pixels of margin), or -1.
double columnWidthInCharacters(std::string_view length);

/// Reads the sheet list: the tables' names and visibility, and the active table the view
/// settings name. Feed settings.xml and then content.xml, or the one flat document.
class OdsIndexHandler : public container::XmlHandler {
 public:
  OdsIndexHandler() { namespaces = kOdsNamespaces; }
  void startElement(std::string_view name, const char** attributes) override;
  void endElement(std::string_view name) override;
  void characters(std::string_view text) override;
  /// Notes the prefix bound to the table namespace before the tables (for the table scanner).
  void namespaceDeclared(std::string_view prefix, std::string_view uri) override;

  /// Adds a sheet found by other means (the table scanner), its visibility from its style.
  void addSheet(std::string name, std::string_view styleName);
  /// The number format code of each cell style that names a data style, by style name.
  std::unordered_map<std::string, std::string> cellFormatCodes() const;

  /// Set before the parse: stop at the body's first element, the end of what precedes the tables.
  bool stopAtBody = false;
  std::vector<model::SheetInfo> sheets;
  std::string activeTable;      ///< as the settings name it; empty when they do not
  bool sawSpreadsheet = false;  ///< the body is an office:spreadsheet
  bool reachedBody = false;     ///< with stopAtBody: the parse stopped at the body
  std::string tablePrefix;      ///< the prefix the document binds to the table namespace

 private:
  OdsStyleCollector styles_;
  OdsDataStyles dataStyles_;
  int spreadsheetDepth_ = 0;  // > 0 inside office:spreadsheet
  int tableNesting_ = 0;      // depth of table:table elements
  bool inBody_ = false;
  bool inActiveTableItem_ = false;
  bool haveActiveTable_ = false;
};

/// Streams one table of content.xml (or of a flat document) to a visitor: column widths and
/// hidden columns, hidden rows, and every cell holding text, through row `lastRow`. Repeated
/// empty rows, columns and cells cost nothing; repeated cells with text are passed once per
/// cell within the visitor's bounds, and within a fixed budget.
class OdsSheetHandler : public container::XmlHandler {
 public:
  /// The cell format index given to the saved text of a number, date, time or percentage.
  static constexpr std::uint32_t kNumericText = 1;
  /// The most text kept of one cell, in bytes (longer text is cut at a character boundary).
  static constexpr std::size_t kMaxCellBytes = 1u << 20;
  /// The most cells a sheet's repeat counts may add beyond the cells the file writes out.
  static constexpr std::uint64_t kMaxRepeatedCells = 16u << 20;
  /// The most text bytes those repeated cells may add.
  static constexpr std::uint64_t kMaxRepeatedBytes = 64u << 20;

  OdsSheetHandler(int tableIndex, std::string sheetName, model::SheetVisitor& visitor,
                  std::uint32_t lastRow);
  void startElement(std::string_view name, const char** attributes) override;
  void endElement(std::string_view name) override;
  void characters(std::string_view text) override;

  /// True once the wanted table was found.
  bool found() const { return found_; }

  /// The cell format index of each cell style whose data style the workbook renders; a cell
  /// holding a value without its text shows it in that format. Set before the parse.
  const std::unordered_map<std::string, std::uint32_t>* cellFormats = nullptr;

 private:
  struct RowCell {
    std::uint32_t firstColumn, lastColumn;
    model::CellKind kind;
    double number;
    std::string text;
    std::uint32_t format = 0;  ///< kNumericText for a number's saved text
  };
  // The format a value without text is shown in: its style's, else its row's or column's
  // default cell style's; 0 (General) when none names a data style.
  std::uint32_t formatOf(std::string_view styleName) const;
  void startColumn(const char** attributes);
  void startRow(const char** attributes);
  void endRow();
  void startCell(std::string_view name, const char** attributes);
  void endCell();
  void appendText(std::string_view text);
  void appendSpaces(std::uint64_t count);
  void reportHidden(std::uint32_t first, std::uint32_t last);
  void flushPendingHidden();
  void stop() { stopRequested = true; }
  [[noreturn]] void tooMuch() const;

  int wantedTable_;
  std::string sheetName_;
  model::SheetVisitor& visitor_;
  std::uint32_t lastRow_;
  OdsStyleCollector styles_;

  int spreadsheetDepth_ = 0;
  int tableIndex_ = -1;  // index of the top-level table being read
  int tableNesting_ = 0;
  bool inWanted_ = false;
  bool found_ = false;

  std::uint32_t column_ = 0;  // next column of the table-column list, then of the current row
  std::uint32_t row_ = 0;     // first row of the current table-row
  bool inRow_ = false;
  std::uint32_t rowRepeat_ = 1;
  bool rowHidden_ = false;
  std::vector<RowCell> rowCells_;
  std::string rowStyle_;  // the current row's default cell style
  std::vector<std::pair<std::uint32_t, std::string>> columnStyles_;  // last column, default style
  std::string cellStyle_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> pendingHidden_;

  bool inCell_ = false;
  bool covered_ = false;
  std::uint32_t cellRepeat_ = 1;
  int cellDepth_ = 0;       // element depth inside the cell
  int skipDepth_ = 0;       // > 0 inside an annotation, drawing or note of the cell
  int paragraphDepth_ = 0;  // > 0 inside a paragraph
  int paragraphs_ = 0;
  bool paragraphStart_ = false;
  bool lastSpace_ = false;
  std::string text_;
  std::string valueType_, value_;

  std::uint64_t repeatedCells_ = 0;
  std::uint64_t repeatedBytes_ = 0;
};

/// A repeat count attribute: 1 when absent or unreadable, at most `limit`.
std::uint32_t repeatCount(const char* value, std::uint32_t limit);

}  // namespace lomandra::ods
