#pragma once

// Delimited text (.csv, .txt) opened as a workbook of one sheet named after the file. Fields
// are kept as the text written in the file (a spreadsheet application would turn "1.50" into
// the number 1.5; the text a user reads in the file is kept instead).

#include <memory>
#include <string>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::csv {

/// Opens the delimited text file at `path`: detects its encoding (UTF-8 with or without byte
/// order mark, UTF-16 with byte order mark, else Windows-1252) and its separator (comma,
/// semicolon or tab). The file is streamed when the sheet is read. Throws lomandra::Failure.
std::unique_ptr<model::WorkbookFile> openCsv(const std::string& path);

}  // namespace lomandra::csv
