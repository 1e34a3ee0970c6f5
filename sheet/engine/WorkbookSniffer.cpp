#include "sheet/engine/WorkbookSniffer.h"

#include <sys/stat.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "sheet/Failure.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/ods/OdsWorkbook.h"
#include "sheet/xls/XlsWorkbook.h"
#include "sheet/xlsx/XlsxWorkbook.h"
#include "sheet/model/WorkbookPath.h"

namespace lomandra::engine {

namespace {

constexpr unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Reads the directory of a compound file: enough of the allocation table to follow the
// directory's sector chain, every step bounded by the file's size.
class CompoundDirectory {
 public:
  explicit CompoundDirectory(const std::string& path) : in_(path, std::ios::binary) {}

  std::vector<std::string> names() {
    std::vector<std::string> result;
    unsigned char header[512];
    if (!readAt(0, header, sizeof header) || std::memcmp(header, kCompoundSignature, 8) != 0)
      return result;
    const std::uint16_t shift = le16(header + 30);
    if (shift != 9 && shift != 12) return result;
    sectorSize_ = 1u << shift;
    in_.seekg(0, std::ios::end);
    fileSize_ = static_cast<std::uint64_t>(in_.tellg());
    for (int i = 0; i < 109; ++i) fatSectors_.push_back(le32(header + 76 + 4 * i));
    std::vector<unsigned char> sector(sectorSize_);
    const std::uint64_t maxSectors = fileSize_ / sectorSize_ + 1;
    std::uint32_t s = le32(header + 48);
    for (std::uint64_t steps = 0; s < kEndOfChain - 4 && steps < maxSectors; ++steps) {
      if (!readSector(s, sector.data())) break;
      for (std::uint32_t off = 0; off + 128 <= sectorSize_; off += 128) {
        const unsigned char* entry = sector.data() + off;
        const std::uint16_t bytes = le16(entry + 64);
        if (entry[66] == 0 || bytes < 2 || bytes > 64) continue;
        std::string name;
        for (unsigned i = 0; i + 2 < bytes && i < 62; i += 2) {
          const std::uint16_t unit = le16(entry + i);
          name += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        result.push_back(name);
      }
      s = next(s);
    }
    return result;
  }

 private:
  bool readAt(std::uint64_t offset, unsigned char* out, std::size_t size) {
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in_.gcount()) == size;
  }
  bool readSector(std::uint32_t s, unsigned char* out) {
    const std::uint64_t offset = (static_cast<std::uint64_t>(s) + 1) * sectorSize_;
    if (offset + sectorSize_ > fileSize_ + sectorSize_) return false;
    std::memset(out, 0, sectorSize_);
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(sectorSize_));
    return in_.gcount() > 0;
  }
  // The allocation-table entry of sector `s` (the first 109 table sectors are enough for any
  // directory within the first ~6.8 MB of a 512-byte-sector file; later ones end the chain).
  std::uint32_t next(std::uint32_t s) {
    const std::uint32_t perSector = sectorSize_ / 4;
    const std::uint32_t index = s / perSector;
    if (index >= fatSectors_.size()) return kEndOfChain;
    std::vector<unsigned char> table(sectorSize_);
    if (!readSector(fatSectors_[index], table.data())) return kEndOfChain;
    return le32(table.data() + 4 * (s % perSector));
  }

  std::ifstream in_;
  std::uint32_t sectorSize_ = 512;
  std::uint64_t fileSize_ = 0;
  std::vector<std::uint32_t> fatSectors_;
};

bool looksLikeText(const unsigned char* data, std::size_t size) {
  if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF)))
    return true;  // UTF-16 with a byte-order mark
  std::size_t control = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char c = data[i];
    if (c == 0) return false;
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') ++control;
  }
  return control * 100 <= size;  // a stray control character or two is still text
}

// True when the file ends with a zip archive's end-of-directory record: a zip behind other
// bytes (a self-extracting program, say). The record sits in the last 22 bytes plus a comment
// of at most 65,535 bytes.
bool endsWithZipDirectory(std::ifstream& in) {
  constexpr std::size_t kRecord = 22, kMaxComment = 65535;
  in.clear();
  in.seekg(0, std::ios::end);
  const auto end = static_cast<std::uint64_t>(in.tellg());
  if (end < kRecord) return false;
  const std::uint64_t from = end > kRecord + kMaxComment ? end - kRecord - kMaxComment : 0;
  std::string tail(static_cast<std::size_t>(end - from), '\0');
  in.seekg(static_cast<std::streamoff>(from));
  in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  tail.resize(static_cast<std::size_t>(in.gcount()));
  for (std::size_t at = tail.rfind("PK\x05\x06"); at != std::string::npos;
       at = at == 0 ? std::string::npos : tail.rfind("PK\x05\x06", at - 1)) {
    // The comment length must reach exactly to the end of the file.
    if (at + kRecord > tail.size()) continue;
    const auto comment = static_cast<std::size_t>(static_cast<unsigned char>(tail[at + 20]) |
                                                  static_cast<unsigned char>(tail[at + 21]) << 8);
    if (at + kRecord + comment == tail.size()) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> compoundFileNames(const std::string& path) {
  return CompoundDirectory(path).names();
}

RecognisedWorkbook::RecognisedWorkbook() = default;
RecognisedWorkbook::RecognisedWorkbook(RecognisedWorkbook&&) noexcept = default;
RecognisedWorkbook& RecognisedWorkbook::operator=(RecognisedWorkbook&&) noexcept = default;
RecognisedWorkbook::~RecognisedWorkbook() = default;

RecognisedWorkbook recogniseWorkbook(const std::string& path) {
  std::ifstream in = model::openWorkbookStream(path);
  std::array<unsigned char, 4096> head{};
  in.read(reinterpret_cast<char*>(head.data()), head.size());
  const auto size = static_cast<std::size_t>(in.gcount());
  if (size == 0) throw Failure("The file \"" + path + "\" is empty.");
  const bool zipAhead = size >= 4 && head[0] == 'P' && head[1] == 'K' &&
                        ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
  const bool zipBehind = !zipAhead && endsWithZipDirectory(in);
  in.close();

  RecognisedWorkbook found;
  if (zipAhead || zipBehind) {
    // The parts inside decide, whatever their order and whether or not a mimetype entry
    // leads: an OpenDocument mimetype or content part, a spreadsheet workbook part. A zip
    // behind other bytes (a program stub) is read when the zip library can follow it, and
    // otherwise is nothing this program reads, never text.
    std::unique_ptr<container::ZipArchive> zip;
    try {
      zip = container::ZipArchive::open(path);
    } catch (const Failure&) {
      if (zipAhead) throw;
      return found;
    }
    if (zip->contains("mimetype") && ods::isOdsPackage(*zip)) found.format = WorkbookFormat::Ods;
    else if (xlsx::isXlsxPackage(*zip)) found.format = WorkbookFormat::Xlsx;
    else if (zip->contains("xl/workbook.bin")) found.format = WorkbookFormat::Xlsb;
    else if (ods::isOdsPackage(*zip)) found.format = WorkbookFormat::Ods;
    if (found.format == WorkbookFormat::Xlsx || found.format == WorkbookFormat::Ods)
      found.package = std::move(zip);
    return found;
  }
  if (size >= 8 && std::memcmp(head.data(), kCompoundSignature, 8) == 0) {
    bool workbook = false;
    for (const std::string& name : compoundFileNames(path)) {
      if (name == "EncryptionInfo" || name == "EncryptedPackage") {
        found.format = WorkbookFormat::Encrypted;
        return found;
      }
      // Names compare without regard to case, as the reader finds them.
      std::string lower = name;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower == "workbook" || lower == "book") workbook = true;
    }
    if (workbook) found.format = WorkbookFormat::Xls;
    return found;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(head.data()), size);
  // Excel 2.x-4.0 saved a workbook as its bare record stream, without a compound document.
  if (xls::isBareBiffStream(bytes)) found.format = WorkbookFormat::Xls;
  // A flat OpenDocument spreadsheet is XML text: tell it from a .csv before the text test.
  else if (ods::looksLikeFlatOds(bytes)) found.format = WorkbookFormat::Ods;
  else if (looksLikeText(head.data(), size)) found.format = WorkbookFormat::Csv;
  return found;
}

WorkbookFormat sniffWorkbook(const std::string& path) { return recogniseWorkbook(path).format; }

}  // namespace lomandra::engine
