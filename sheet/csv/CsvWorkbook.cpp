#include "sheet/csv/CsvWorkbook.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "sheet/Failure.h"
#include "sheet/csv/CsvParser.h"
#include "sheet/model/WorkbookPath.h"

namespace lomandra::csv {

namespace {

constexpr std::size_t kChunkBytes = 1u << 16;
constexpr std::size_t kSampleBytes = 1u << 16;  // read at open to detect encoding and separator
constexpr std::size_t kMaxSheetNameCharacters = 31;  // the longest sheet name a workbook allows

std::string lowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The sheet name a spreadsheet application gives a text file: its name without folder and
// extension, cut to the longest name a sheet can have.
std::string sheetNameFor(const std::string& path) {
  std::string name = model::utf8Text(model::fileSystemPath(path).stem());
  std::size_t characters = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) continue;
    if (++characters > kMaxSheetNameCharacters) {
      name.resize(i);
      break;
    }
  }
  return name.empty() ? std::string("Sheet1") : name;
}

std::ifstream openStream(const std::string& path) { return model::openWorkbookStream(path); }

std::string readSome(std::ifstream& in, std::size_t count) {
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

class CsvWorkbook : public model::WorkbookFile {
 public:
  explicit CsvWorkbook(const std::string& path) : path_(path) {
    std::ifstream in = openStream(path);
    const std::string head = readSome(in, kSampleBytes);
    if (in.bad()) throw Failure("The file \"" + path + "\" cannot be read.");
    const bool complete = head.size() < kSampleBytes;
    encoding_ = detectEncoding(head);
    std::string text;
    TextDecoder decoder(encoding_);
    decoder.decode(std::string_view(head).substr(byteOrderMarkLength(encoding_)), complete, text);
    const std::string extension = lowerAscii(model::utf8Text(model::fileSystemPath(path).extension()));
    separator_ = detectSeparator(text, complete, extension == ".txt" || extension == ".tab");
    sheets_.push_back({sheetNameFor(path), true});
  }

  const std::vector<model::SheetInfo>& sheets() const override { return sheets_; }
  int activeSheet() const override { return 0; }
  bool date1904() const override { return false; }
  std::string formatCode(std::uint32_t) const override { return "General"; }

  void readSheet(int index, model::SheetVisitor& visitor, std::uint32_t lastRow) override {
    if (index != 0)
      throw Failure("The text file \"" + sheets_.front().name + "\" has only one sheet.");
    std::ifstream in = openStream(path_);
    const std::uint32_t maxRows =
        lastRow >= model::kMaxRows ? model::kMaxRows : lastRow + 1;  // rows 0..lastRow
    CsvParser parser(separator_, maxRows, model::kMaxColumns,
                     [&](std::uint32_t row, std::uint32_t column, std::string_view text) {
                       model::CellRef cell;
                       cell.kind = model::CellKind::Text;
                       cell.text = text;
                       return visitor.cell(row, column, cell);
                     });
    TextDecoder decoder(encoding_);
    std::string text;
    std::size_t skip = byteOrderMarkLength(encoding_);
    std::error_code sizeUnknown;
    const std::uintmax_t fileBytes = std::filesystem::file_size(model::fileSystemPath(path_), sizeUnknown);
    std::uint64_t read = 0;
    for (;;) {
      std::string bytes = readSome(in, kChunkBytes);
      if (in.bad()) throw Failure("The file \"" + path_ + "\" cannot be read to its end.");
      read += bytes.size();
      if (!sizeUnknown) visitor.progress(read, fileBytes);
      const bool last = bytes.size() < kChunkBytes;
      const std::size_t drop = std::min(skip, bytes.size());
      skip -= drop;
      text.clear();
      const std::string_view raw = std::string_view(bytes).substr(drop);
      // Text never holds a zero character: this is binary content (a program, an archive, an
      // image) that happened to begin like text, and none of it is given as cell texts.
      if (holdsZeroCharacter(raw))
        throw Failure("The file \"" + path_ + "\" holds binary data, not text: it is not a "
                      "workbook this program can read.");
      decoder.decode(raw, last, text);
      if (text.find('\0') != std::string::npos)
        throw Failure("The file \"" + path_ + "\" holds binary data, not text: it is not a "
                      "workbook this program can read.");
      if (!parser.feed(text)) return;
      if (last) break;
    }
    parser.finish();
  }

 private:
  // A zero byte in 8-bit text, a zero unit in UTF-16 (chunks hold whole units: they are even
  // in size and start past the two-byte mark).
  bool holdsZeroCharacter(std::string_view raw) const {
    if (encoding_ != TextEncoding::Utf16LE && encoding_ != TextEncoding::Utf16BE)
      return raw.find('\0') != std::string_view::npos;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
      if (raw[i] == '\0' && raw[i + 1] == '\0') return true;
    return false;
  }

  std::string path_;
  TextEncoding encoding_ = TextEncoding::Utf8;
  char separator_ = ',';
  std::vector<model::SheetInfo> sheets_;
};

}  // namespace

std::unique_ptr<model::WorkbookFile> openCsv(const std::string& path) {
  return std::make_unique<CsvWorkbook>(path);
}

}  // namespace lomandra::csv
