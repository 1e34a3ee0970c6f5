#include "sheet/xls/CompoundFile.h"

#include <algorithm>
#include <cstring>

#include "sheet/Failure.h"
#include "sheet/xls/BiffText.h"

namespace lomandra::xls {
namespace {

constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kDirectoryEntrySize = 128;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::uint16_t u16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t u32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

[[noreturn]] void damaged(const std::string& why) {
  throw Failure("The workbook is damaged: " + why + ".");
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

bool CompoundFile::hasSignature(std::string_view bytes) {
  return bytes.size() >= sizeof kSignature &&
         std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0;
}

CompoundFile::CompoundFile(std::string_view bytes) : bytes_(bytes) {
  if (!hasSignature(bytes)) throw Failure("The file is not a compound document.");
  if (bytes.size() < 512) damaged("the file ends inside its header");
  majorVersion_ = u16(bytes, 0x1A);
  sectorShift_ = u16(bytes, 0x1E);
  if (sectorShift_ != 9 && sectorShift_ != 12) damaged("its sector size is not 512 or 4096 bytes");
  sectorSize_ = 1u << sectorShift_;
  const std::uint32_t miniShift = u16(bytes, 0x20);
  if (miniShift != 6) damaged("its mini sector size is not 64 bytes");
  miniSectorSize_ = 1u << miniShift;
  miniCutoff_ = u32(bytes, 0x38);
  if (miniCutoff_ != 4096) miniCutoff_ = 4096;  // the only size writers use; others are damage
  // Sector n starts at (n + 1) * sectorSize; a short last sector is read as if zero-padded.
  const std::uint64_t afterHeader = bytes.size() > sectorSize_ ? bytes.size() - sectorSize_ : 0;
  sectorCount_ = static_cast<std::uint32_t>(
      std::min<std::uint64_t>((afterHeader + sectorSize_ - 1) / sectorSize_, kMaxRegularSector));
  readFat();
  readDirectory();
  readMiniStream();
}

std::string_view CompoundFile::sector(std::uint32_t id) const {
  if (id >= sectorCount_) damaged("a sector lies beyond the end of the file");
  const std::uint64_t offset = (static_cast<std::uint64_t>(id) + 1) << sectorShift_;
  return bytes_.substr(offset, sectorSize_);
}

std::vector<std::uint32_t> CompoundFile::chain(std::uint32_t start,
                                               const std::vector<std::uint32_t>& table,
                                               std::uint64_t limit, const char* what) const {
  std::vector<std::uint32_t> ids;
  std::vector<bool> seen(table.size());
  std::uint32_t id = start;
  while (id != kEndOfChain && ids.size() < limit) {
    if (id >= table.size()) damaged(std::string("the chain of ") + what + " leaves the file");
    if (seen[id]) damaged(std::string("the chain of ") + what + " runs in a loop");
    seen[id] = true;
    ids.push_back(id);
    id = table[id];
  }
  return ids;
}

void CompoundFile::readFat() {
  const std::uint32_t fatSectors = u32(bytes_, 0x2C);
  if (fatSectors > sectorCount_)
    damaged("its allocation table claims more sectors than the file holds");
  std::vector<std::uint32_t> fatIds;
  fatIds.reserve(fatSectors);
  for (std::size_t i = 0; i < kHeaderDifatEntries && fatIds.size() < fatSectors; ++i) {
    const std::uint32_t id = u32(bytes_, 0x4C + 4 * i);
    if (id > kMaxRegularSector) break;
    fatIds.push_back(id);
  }
  // Further FAT sector ids sit in a chain of DIFAT sectors, each ending with the next one's id.
  std::uint32_t difat = u32(bytes_, 0x44);
  const std::uint32_t perDifat = sectorSize_ / 4 - 1;
  std::vector<bool> seen(sectorCount_);
  while (fatIds.size() < fatSectors && difat <= kMaxRegularSector) {
    if (difat >= sectorCount_) damaged("its allocation index lies beyond the end of the file");
    if (seen[difat]) damaged("its allocation index runs in a loop");
    seen[difat] = true;
    const std::string_view data = sector(difat);
    if (data.size() < sectorSize_) damaged("the file ends inside its allocation index");
    for (std::uint32_t i = 0; i < perDifat && fatIds.size() < fatSectors; ++i) {
      const std::uint32_t id = u32(data, 4 * i);
      if (id > kMaxRegularSector) break;
      fatIds.push_back(id);
    }
    difat = u32(data, 4 * perDifat);
  }
  if (fatIds.empty()) damaged("it has no allocation table");
  fat_.reserve(fatIds.size() * (sectorSize_ / 4));
  for (const std::uint32_t id : fatIds) {
    const std::string_view data = sector(id);
    for (std::size_t at = 0; at + 4 <= sectorSize_; at += 4)
      fat_.push_back(at + 4 <= data.size() ? u32(data, at) : kFreeSector);
  }
}

void CompoundFile::readDirectory() {
  const std::vector<std::uint32_t> ids =
      chain(u32(bytes_, 0x30), fat_, sectorCount_, "the directory");
  for (const std::uint32_t id : ids) {
    const std::string_view data = sector(id);
    for (std::size_t at = 0; at + kDirectoryEntrySize <= data.size(); at += kDirectoryEntrySize) {
      const std::string_view raw = data.substr(at, kDirectoryEntrySize);
      Entry entry;
      entry.type = static_cast<std::uint8_t>(raw[0x42]);
      if (entry.type != 1 && entry.type != 2 && entry.type != 5) continue;
      const std::uint16_t nameBytes = std::min<std::uint16_t>(u16(raw, 0x40), 64);
      std::string_view name = raw.substr(0, nameBytes >= 2 ? nameBytes - 2 : 0);
      appendUtf16Le(entry.name, name);
      entry.start = u32(raw, 0x74);
      entry.size = u32(raw, 0x78);
      if (majorVersion_ >= 4) entry.size |= static_cast<std::uint64_t>(u32(raw, 0x7C)) << 32;
      entries_.push_back(std::move(entry));
    }
  }
  if (entries_.empty() || entries_.front().type != 5) damaged("its directory has no root entry");
}

void CompoundFile::readMiniStream() {
  const Entry& root = entries_.front();
  if (root.size == 0) return;
  if (root.size > bytes_.size()) damaged("its mini stream is larger than the file");
  const std::uint64_t sectors = (root.size + sectorSize_ - 1) / sectorSize_;
  const std::vector<std::uint32_t> ids = chain(root.start, fat_, sectors, "the mini stream");
  if (ids.size() < sectors) damaged("its mini stream is shorter than its directory says");
  miniStream_.reserve(ids.size() * sectorSize_);
  for (const std::uint32_t id : ids) {
    const std::string_view data = sector(id);
    miniStream_.append(data);
    miniStream_.append(sectorSize_ - data.size(), '\0');
  }
  miniStream_.resize(root.size);
  const std::vector<std::uint32_t> miniFatIds =
      chain(u32(bytes_, 0x3C), fat_, sectorCount_, "the mini allocation table");
  for (const std::uint32_t id : miniFatIds) {
    const std::string_view data = sector(id);
    for (std::size_t at = 0; at + 4 <= data.size(); at += 4) miniFat_.push_back(u32(data, at));
  }
}

const CompoundFile::Entry* CompoundFile::findStream(std::string_view name) const {
  for (const Entry& entry : entries_)
    if (entry.type == 2 && equalsIgnoringAsciiCase(entry.name, name)) return &entry;
  return nullptr;
}

std::string CompoundFile::readStream(const Entry& entry) const {
  std::string out;
  if (entry.size == 0) return out;
  const bool mini = entry.size < miniCutoff_ && entry.type != 5;
  const std::uint64_t unit = mini ? miniSectorSize_ : sectorSize_;
  const std::uint64_t available = mini ? miniStream_.size() : bytes_.size();
  if (entry.size > available) damaged("the stream \"" + entry.name + "\" is larger than the file");
  const std::uint64_t sectors = (entry.size + unit - 1) / unit;
  const std::vector<std::uint32_t> ids =
      chain(entry.start, mini ? miniFat_ : fat_, sectors, "a stream");
  if (ids.size() < sectors)
    damaged("the stream \"" + entry.name + "\" is shorter than its directory says");
  out.reserve(entry.size);
  for (const std::uint32_t id : ids) {
    std::string_view data;
    if (mini) {
      const std::uint64_t offset = static_cast<std::uint64_t>(id) * unit;
      if (offset >= miniStream_.size()) damaged("a mini sector lies beyond the mini stream");
      data = std::string_view(miniStream_).substr(offset, unit);
    } else {
      data = sector(id);
    }
    const std::uint64_t want = std::min<std::uint64_t>(unit, entry.size - out.size());
    out.append(data.substr(0, want));
    out.append(want - std::min<std::uint64_t>(want, data.size()), '\0');
  }
  return out;
}

}  // namespace lomandra::xls
