#pragma once

// Recognises a workbook file's format from its content, whatever its name.

#include <memory>
#include <string>
#include <vector>

namespace lomandra::container {
class ZipArchive;
}

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

/// What opening a file once found: its format and, for a zip package, the package itself, to be
/// handed to the reader rather than opened again.
struct RecognisedWorkbook {
  WorkbookFormat format = WorkbookFormat::Unknown;
  std::unique_ptr<container::ZipArchive> package;  ///< set for a zip package
  RecognisedWorkbook();
  RecognisedWorkbook(RecognisedWorkbook&&) noexcept;
  RecognisedWorkbook& operator=(RecognisedWorkbook&&) noexcept;
  ~RecognisedWorkbook();
};

/// What a workbook file is, decided in this one place from its content, whatever its name:
/// a zip package (also behind other bytes, such as a program stub) is an .xlsx or .ods package
/// by the parts it holds; a compound file is an .xls by its streams; a bare BIFF record stream
/// is an old .xls; XML text whose root is an OpenDocument document (any encoding XML allows,
/// any prefix bound to its namespace) is a flat .fods; other text is delimited text; anything
/// else (binary content) is Unknown and never read as text. Throws lomandra::Failure when the
/// file is missing or cannot be read.
RecognisedWorkbook recogniseWorkbook(const std::string& path);

/// The format recogniseWorkbook() finds for the file at `path`.
WorkbookFormat sniffWorkbook(const std::string& path);

/// The names of the streams and storages in the directory of the compound file at `path`;
/// empty when it is no compound file or its directory cannot be followed.
std::vector<std::string> compoundFileNames(const std::string& path);

}  // namespace lomandra::engine
