#pragma once

// The .xls reader: a workbook of the 97-2003 binary format (BIFF8) or its predecessors
// (BIFF5; the BIFF2-4 worksheets and BIFF4 workbooks), in a compound document or as a bare
// record stream.

#include <memory>
#include <string>
#include <string_view>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::xls {

/// Opens the .xls workbook at `path`, reading its workbook-level records (sheets, formats,
/// shared strings). Throws lomandra::Failure with a description a user understands.
std::unique_ptr<model::WorkbookFile> openXls(const std::string& path);

/// True when `firstBytes`, the start of a file, is a bare BIFF record stream (an .xls file of
/// Excel 2.x-4.0, or a later one written without a compound document around it).
bool isBareBiffStream(std::string_view firstBytes);

}  // namespace lomandra::xls
