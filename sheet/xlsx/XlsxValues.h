#pragma once

// Small decoders for values as Office Open XML writes them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::xlsx {

/// The namespaces of a spreadsheet package's parts that the reader reads (transitional and
/// strict): elements of any other namespace pass by, whatever their local name (see
/// container::XmlHandler::namespaces).
inline const std::vector<std::string_view> kSpreadsheetNamespaces = {
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "http://purl.oclc.org/ooxml/spreadsheetml/main",
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://purl.oclc.org/ooxml/officeDocument/relationships",
};

/// Appends `text` to `out`, decoding the _xHHHH_ escapes of shared and inline strings
/// (UTF-16 code units, surrogate pairs joined; "_x005F_" stands for a literal underscore).
void appendUnescaped(std::string& out, std::string_view text);

/// Cuts `text` to at most `maxBytes`, never inside a UTF-8 sequence.
void truncateUtf8(std::string& text, std::size_t maxBytes);

/// A cell reference "B12" (letters then digits, no $) as 0-based row and column; nullopt when
/// malformed or beyond the sheet's 1,048,576 rows and 16,384 columns.
struct CellPosition {
  std::uint32_t row = 0, column = 0;
};
std::optional<CellPosition> parseCellPosition(std::string_view text);

/// Parses a number as the file writes it ("1", "-1.5E-3", " 2 "); nullopt when not a number.
std::optional<double> parseNumber(std::string_view text);

/// An ISO 8601 date, date-time or time ("2024-01-31", "2024-01-31T12:30:00.5", "12:30:00") as a
/// serial day number in the 1900 (with its 29 February 1900) or 1904 date system.
std::optional<double> isoDateToSerial(std::string_view text, bool date1904);

}  // namespace lomandra::xlsx
