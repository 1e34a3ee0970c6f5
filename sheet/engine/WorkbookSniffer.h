#pragma once

// Recognises a workbook file's format from its content, whatever its name.

#include <string>
#include <vector>

namespace lomandra::engine {

enum class WorkbookFormat {
  Xlsx,       ///< zip package with a spreadsheet workbook part
  Xlsb,       ///< zip package with a binary workbook part (not read)
  Ods,        ///< zip package whose mimetype is an OpenDocument spreadsheet
  Xls,        ///< compound file with a Workbook or Book stream, or a bare BIFF record stream
  Encrypted,  ///< compound file holding an encrypted package (EncryptionInfo)
  Csv,        ///< plain text
  Unknown,    ///< none of these
};

/// The format of the file at `path`. Throws lomandra::Failure when the file is missing or
/// cannot be read.
WorkbookFormat sniffWorkbook(const std::string& path);

/// The names of the streams and storages in the directory of the compound file at `path`;
/// empty when it is no compound file or its directory cannot be followed.
std::vector<std::string> compoundFileNames(const std::string& path);

}  // namespace lomandra::engine
