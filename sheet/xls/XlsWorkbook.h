#pragma once

// The .xls reader: a workbook of the 97-2003 binary format (BIFF8) or its predecessors
// (BIFF5, and the single-sheet BIFF2-4 files), in a compound document or as a bare stream.

#include <memory>
#include <string>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::xls {

/// Opens the .xls workbook at `path`, reading its workbook-level records (sheets, formats,
/// shared strings). Throws lomandra::Failure with a description a user understands.
std::unique_ptr<model::WorkbookFile> openXls(const std::string& path);

}  // namespace lomandra::xls
