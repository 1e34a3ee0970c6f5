#include "sheet/xls/XlsWorkbook.h"

#include <filesystem>
#include <fstream>

#include "sheet/Failure.h"
#include "sheet/model/WorkbookPath.h"
#include "sheet/xls/BiffRecords.h"
#include "sheet/xls/CompoundFile.h"
#include "sheet/xls/SheetReader.h"
#include "sheet/xls/WorkbookGlobals.h"

namespace lomandra::xls {
namespace {

constexpr std::uint64_t kMaxFileSize = 1ull << 31;  // far beyond any workbook the format allows

std::string readFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::path file = model::fileSystemPath(path);
  if (!std::filesystem::exists(file, error))
    throw Failure("The file \"" + path + "\" does not exist.");
  if (!std::filesystem::is_regular_file(file, error))
    throw Failure("\"" + path + "\" is not a file.");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Failure("The file \"" + path + "\" cannot be opened.");
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw Failure("The file \"" + path + "\" cannot be read.");
  if (static_cast<std::uint64_t>(size) > kMaxFileSize)
    throw Failure("The file \"" + path + "\" is too large to be an Excel 97-2003 workbook.");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) throw Failure("The file \"" + path + "\" cannot be read.");
  return bytes;
}

// The file name without folder and extension: the name of the one sheet of a BIFF2-4 file, as
// the spreadsheet application names it.
std::string baseName(const std::string& path) {
  std::string name = path.substr(path.find_last_of("/\\") + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name.empty() ? "Sheet1" : name;
}

class XlsWorkbook final : public model::WorkbookFile {
 public:
  XlsWorkbook(std::string stream, const std::string& path)
      : stream_(std::move(stream)), globals_(readWorkbookGlobals(stream_, baseName(path))) {}

  const std::vector<model::SheetInfo>& sheets() const override { return globals_.sheets; }
  int activeSheet() const override { return globals_.active; }
  bool date1904() const override { return globals_.date1904; }
  model::Grid grid() const override { return model::kXlsGrid; }
  std::string formatCode(std::uint32_t format) const override {
    return globals_.formatCode(format);
  }
  int builtinFormatId(std::uint32_t format) const override { return globals_.builtinFormatId(format); }
  model::CellStyle cellStyle(std::uint32_t format) const override {
    model::CellStyle style;
    if (format < globals_.xfAligns.size()) style.align = globals_.xfAligns[format];
    return style;
  }
  void readSheet(int index, model::SheetVisitor& visitor, std::uint32_t lastRow) override {
    readXlsSheet(globals_, stream_, index, visitor, lastRow);
  }

 private:
  std::string stream_;
  WorkbookGlobals globals_;
};

}  // namespace

bool isBareBiffStream(std::string_view firstBytes) { return looksLikeBiffStream(firstBytes); }

std::unique_ptr<model::WorkbookFile> openXls(const std::string& path) {
  std::string bytes = readFile(path);
  std::string stream;
  if (CompoundFile::hasSignature(bytes)) {
    const CompoundFile file(bytes);
    const CompoundFile::Entry* entry = file.findStream("Workbook");
    if (!entry) entry = file.findStream("Book");
    if (!entry) {
      if (file.findStream("EncryptedPackage")) throw Failure(kEncryptedWorkbook);
      throw Failure("The file \"" + path + "\" is not an Excel workbook: it holds no workbook.");
    }
    stream = file.readStream(*entry);
  } else if (looksLikeBiffStream(bytes)) {
    stream = std::move(bytes);  // a BIFF2-4 file (and a few later ones) is a bare record stream
  } else {
    throw Failure("The file \"" + path + "\" is not an Excel 97-2003 workbook.");
  }
  return std::make_unique<XlsWorkbook>(std::move(stream), path);
}

}  // namespace lomandra::xls
