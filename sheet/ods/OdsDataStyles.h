#pragma once

// OpenDocument data styles (number:number-style, date-style, ...) as the number format codes
// the number-format engine renders, so that a cell a writer saved with a value and a data style
// but without its text shows what the style shows, by the application's rules as for .xlsx.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lomandra::ods {

/// Collects the data styles of styles.xml and content.xml (or a flat document).
class OdsDataStyles {
 public:
  /// Feeds the parse's events (names without prefix); other elements pass by.
  void startElement(std::string_view name, const char** attributes);
  void endElement(std::string_view name);
  void characters(std::string_view text);

  /// The format code of data style `name` with its conditional sections ("" when unknown).
  std::string code(std::string_view name) const;

 private:
  struct DataStyle {
    std::string code;
    std::vector<std::pair<std::string, std::string>> maps;  // condition, style applied
  };
  void literal(std::string_view text);

  std::unordered_map<std::string, DataStyle> styles_;
  std::string current_;  // the data style being read, empty outside one
  std::string family_;   // its element: "number-style", "date-style", ...
  DataStyle building_;
  bool elapsed_ = false;   // a time style whose hours run past 24
  int literalDepth_ = 0;   // > 0 inside number:text or number:currency-symbol
  std::string literal_;
};

/// An ISO 8601 date or date-time ("2024-01-31", "2024-01-31T12:30:00.5") as a serial day number
/// counted from 1899-12-30, as the spreadsheet application counts; nullopt when malformed.
std::optional<double> odsDateSerial(std::string_view text);

/// An ISO 8601 duration of a time cell ("PT12H30M15.5S", "-PT1H") in days; nullopt when malformed.
std::optional<double> odsDurationDays(std::string_view text);

}  // namespace lomandra::ods
