#pragma once

// What reading a workbook's references gives, in order: texts with where they came from, and
// the lines that report a failure in their place among them.

#include <cstdint>
#include <string_view>

namespace lomandra::cli {

/// Where one text came from. The views are valid during the call that passes them.
struct CellSource {
  std::string_view workbook;  ///< the path as given
  std::string_view sheet;     ///< the sheet's name as the workbook has it
  std::uint32_t row = 0;      ///< 0-based
  std::uint32_t column = 0;   ///< 0-based
};

/// Receives the results of a merge in their order.
class MergeSink {
 public:
  virtual ~MergeSink() = default;
  /// The displayed text of one cell.
  virtual void text(const CellSource& source, std::string_view text) = 0;
  /// One line for standard error (without its line break), after the texts read before it.
  virtual void failure(std::string_view line) = 0;
};

}  // namespace lomandra::cli
