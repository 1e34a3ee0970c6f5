#pragma once

// The styles part (xl/styles.xml): the number format code of each cell format index.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "sheet/model/WorkbookFile.h"
#include "sheet/xlsx/WorkbookPart.h"

namespace lomandra::xlsx {

/// The custom number formats and the number format of each cell format (cellXfs).
class NumberFormats {
 public:
  /// The format code of cell format `format`: custom, built in, or "General".
  std::string code(std::uint32_t format) const;
  /// The built-in id of cell format `format` when the part gives it no code; -1 otherwise.
  int builtinId(std::uint32_t format) const;
  /// The horizontal alignment cell format `format` stores (General when it stores none).
  model::HorizontalAlign align(std::uint32_t format) const {
    return format < cellAligns_.size() ? cellAligns_[format] : model::HorizontalAlign::General;
  }

 private:
  friend class StylesHandler;
  std::unordered_map<std::uint32_t, std::string> custom_;
  std::vector<std::uint32_t> cellFormats_;  // number format id per cell format index
  std::vector<model::HorizontalAlign> cellAligns_;  // horizontal alignment per cell format index
};

/// Reads the styles part through `parse`. Throws lomandra::Failure when it is damaged.
NumberFormats readStylesPart(const PartParser& parse);

}  // namespace lomandra::xlsx
