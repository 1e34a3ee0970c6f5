#pragma once

// The .xlsx / .xlsm / .xltx / .xltm reader: an Office Open XML spreadsheet package read through
// the zip container and the streaming XML reader. Opening reads the workbook-level parts only;
// shared strings are read when a sheet first needs them, and sheets are streamed.

#include <cstdint>
#include <memory>
#include <string>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::container {
class ZipArchive;
}

namespace lomandra::xlsx {

/// Upper bounds on what one workbook may make the reader inflate or keep.
struct XlsxLimits {
  std::uint64_t workbookPartBytes = 64ull << 20;     ///< workbook.xml, styles, relationships
  std::uint64_t sharedStringBytes = 1ull << 30;      ///< the shared-string part, inflated
  std::uint64_t sheetPartBytes = 2ull << 30;         ///< one worksheet part, inflated
  /// The bytes kept of one cell's or string's text (UTF-8) while it is read: room for the
  /// cell limit (model::kMaxCellCharacters), which the sheet store applies to every reader.
  std::size_t cellTextBytes = model::kMaxCellCharacters * 4;
  std::size_t sharedStringCount = 16u << 20;         ///< distinct shared strings kept
};

/// Opens the package at `path`. Throws lomandra::Failure when it is no spreadsheet package or
/// its workbook-level parts are damaged.
std::unique_ptr<model::WorkbookFile> openXlsx(const std::string& path,
                                              const XlsxLimits& limits = XlsxLimits{});

/// Reads the package `zip`, already open (see openXlsx(path)).
std::unique_ptr<model::WorkbookFile> openXlsx(std::unique_ptr<container::ZipArchive> zip,
                                              const XlsxLimits& limits = XlsxLimits{});

/// True when the zip at `path` holds a spreadsheet workbook part (any part name).
bool isXlsxPackage(const std::string& path);
/// True when the open package holds a spreadsheet workbook part.
bool isXlsxPackage(const container::ZipArchive& zip);

}  // namespace lomandra::xlsx
