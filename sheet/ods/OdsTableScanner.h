#pragma once

// Finds the sheets of a large content part quickly: scans the bytes for the start and end tags
// of tables instead of parsing every element, which is what opening a workbook needs (the sheet
// names) without paying for a full parse of all its cells.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::ods {

/// Scans a content stream, chunk by chunk, for the top-level `table` elements of the namespace
/// prefix it is given. Markup is recognised as XML defines it: '<' never stands raw in text or
/// attribute values; comments, CDATA sections and processing instructions are passed over.
class OdsTableScanner {
 public:
  /// A top-level table: its name and style name, entities decoded.
  struct Table {
    std::string name;
    std::string styleName;
  };
  /// The longest table start tag the scanner keeps whole; a longer one ends the scan.
  static constexpr std::size_t kMaxTagBytes = 1u << 20;

  /// `tablePrefix` is the prefix the document binds to the table namespace ("table").
  explicit OdsTableScanner(std::string tablePrefix);

  /// Scans the next bytes; returns false when the scanner cannot go on (a table tag longer than
  /// it keeps), after which the caller parses the document instead.
  bool feed(std::string_view bytes);
  /// The tables found, in document order.
  const std::vector<Table>& tables() const { return tables_; }

 private:
  enum class Skip { None, Comment, CData, Instruction, Declaration };
  std::size_t scan(std::string_view text, bool& incomplete);
  void startTable(std::string_view tag);

  std::string startName_, endName_;  // "table:table"
  std::string carry_;                // bytes of a construct cut by the end of the last chunk
  Skip skip_ = Skip::None;
  int nesting_ = 0;
  bool failed_ = false;
  std::vector<Table> tables_;
};

/// Decodes the entity and character references of an attribute value, and turns the white
/// space characters in it into spaces, as an XML parser does.
std::string decodeAttributeValue(std::string_view raw);

}  // namespace lomandra::ods
