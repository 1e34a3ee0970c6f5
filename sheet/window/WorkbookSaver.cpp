#include "sheet/window/WorkbookSaver.h"

#include <xlsxwriter.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>

#include "sheet/Failure.h"

namespace lomandra::window {

namespace {

[[noreturn]] void fail(const QString& path, const QString& reason) {
  throw Failure(QStringLiteral("The workbook could not be saved as \"%1\": %2")
                    .arg(QFileInfo(path).fileName(), reason)
                    .toStdString());
}

void writeSheet(lxw_workbook* book, const WrittenSheet& sheet, const QString& sheetName,
                const QString& path) {
  const QByteArray name = sheetName.toUtf8();
  lxw_worksheet* worksheet = workbook_add_worksheet(book, name.constData());
  if (!worksheet) fail(path, QStringLiteral("the sheet could not be added."));
  for (std::uint32_t c = 0; c < sheet.usedColumns(); ++c) {
    if (!sheet.hasWidth(c)) continue;
    const auto column = static_cast<lxw_col_t>(c);
    worksheet_set_column(worksheet, column, column, sheet.columnWidth(c), nullptr);
  }
  for (const auto& [r, c] : sheet.cellsInOrder()) {
    const WrittenCell* cell = sheet.cell(r, c);
    const auto row = static_cast<lxw_row_t>(r);
    const auto column = static_cast<lxw_col_t>(c);
    // A string stays a string: "=1+1" is written as that text, never as a formula.
    const lxw_error error = cell->isNumber
                                ? worksheet_write_number(worksheet, row, column, cell->number, nullptr)
                                : worksheet_write_string(worksheet, row, column, cell->text.c_str(), nullptr);
    if (error != LXW_NO_ERROR) fail(path, QString::fromUtf8(lxw_strerror(error)));
  }
}

/// Writes an .xlsx file at exactly `file`.
void writeXlsxFile(const WrittenSheet& sheet, const QString& sheetName, const QString& file,
                   const QString& shownPath) {
  const QByteArray encoded = QFile::encodeName(file);
  lxw_workbook* book = workbook_new(encoded.constData());
  if (!book) fail(shownPath, QStringLiteral("the file could not be created."));
  try {
    writeSheet(book, sheet, sheetName, shownPath);
  } catch (...) {
    workbook_close(book);
    throw;
  }
  const lxw_error error = workbook_close(book);
  if (error != LXW_NO_ERROR) fail(shownPath, QString::fromUtf8(lxw_strerror(error)));
}

QByteArray csvField(const std::string& text) {
  QByteArray field = QByteArray::fromStdString(text);
  if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r')) {
    field.replace("\"", "\"\"");
    field = '"' + field + '"';
  }
  return field;
}

}  // namespace

void saveXlsx(const WrittenSheet& sheet, const QString& sheetName, const QString& path) {
  // Written beside the target first, then renamed over it, so a failure leaves it untouched.
  QTemporaryFile temporary(path + QStringLiteral(".~XXXXXX"));
  temporary.setAutoRemove(false);
  if (!temporary.open()) {
    // A folder we cannot create files in may still hold a writable file: write in place.
    writeXlsxFile(sheet, sheetName, path, path);
    return;
  }
  const QString temporaryName = temporary.fileName();
  // The temporary file is private to its owner; the saved workbook gets the permissions of
  // the file it replaces, or those of a newly made file.
  temporary.setPermissions(QFileInfo::exists(path)
                               ? QFile::permissions(path)
                               : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                     QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
  temporary.close();
  try {
    writeXlsxFile(sheet, sheetName, temporaryName, path);
  } catch (...) {
    QFile::remove(temporaryName);
    throw;
  }
  if (std::rename(QFile::encodeName(temporaryName).constData(), QFile::encodeName(path).constData()) != 0) {
    QFile::remove(temporaryName);
    fail(path, QStringLiteral("the file could not be replaced."));
  }
}

void saveCsv(const WrittenSheet& sheet, const QString& path) {
  QSaveFile file(path);
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) fail(path, file.errorString());
  QByteArray line;
  auto cells = sheet.cellsInOrder();
  std::size_t next = 0;
  file.write("\xEF\xBB\xBF");
  for (std::uint32_t r = 0; r < sheet.usedRows(); ++r) {
    line.clear();
    std::uint32_t column = 0;  // fields written on this line so far
    for (; next < cells.size() && cells[next].first == r; ++next) {
      for (; column < cells[next].second; ++column) line += ',';
      line += csvField(sheet.cell(r, cells[next].second)->text);
    }
    // Every line has as many fields as the widest row, as spreadsheet applications write them.
    for (; column + 1 < sheet.usedColumns(); ++column) line += ',';
    line += "\r\n";
    if (file.write(line) != line.size()) fail(path, file.errorString());
  }
  if (!file.commit()) fail(path, file.errorString());
}

void saveWorkbook(const WrittenSheet& sheet, const QString& sheetName, const QString& path) {
  if (QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0)
    saveCsv(sheet, path);
  else
    saveXlsx(sheet, sheetName, path);
}

}  // namespace lomandra::window
