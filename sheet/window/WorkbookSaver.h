#pragma once

// Saves the added workbook's sheet as .xlsx (numbers as numbers, everything else as strings,
// never as formulas) or as UTF-8 .csv. The file is written beside the target under a temporary
// name and put in place only when complete, so a failed save leaves an existing file as it was.

#include <QString>

#include "sheet/window/WrittenSheet.h"

namespace lomandra::window {

/// Saves `sheet` as one worksheet named `sheetName` in an .xlsx workbook. Throws lomandra::Failure.
void saveXlsx(const WrittenSheet& sheet, const QString& sheetName, const QString& path);
/// Saves `sheet` as comma-separated UTF-8 text with a byte order mark, CR LF line ends, fields
/// quoted where they hold a comma, a quote or a line break. Throws lomandra::Failure.
void saveCsv(const WrittenSheet& sheet, const QString& path);
/// Saves by the path's extension: ".csv" as CSV, anything else as .xlsx.
void saveWorkbook(const WrittenSheet& sheet, const QString& sheetName, const QString& path);

}  // namespace lomandra::window
