#include "tests/sheet/xls/XlsTestFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace lomandra::xls::testing {
namespace {

constexpr std::uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD,
                        kDifatSect = 0xFFFFFFFC, kNoStream = 0xFFFFFFFF;

std::uint32_t sectorsFor(std::uint64_t bytes, std::uint32_t unit) {
  return static_cast<std::uint32_t>((bytes + unit - 1) / unit);
}

std::string bof(std::uint16_t version, std::uint16_t type) {
  std::string data = le16(version) + le16(type) + le16(0x0DBB) + le16(0x07CC);
  if (version == 0x0600) data += le32(0) + le32(0x0006);
  return rec(0x0809, data);
}

std::string workbook(bool biff8, const std::string& globals, const std::vector<SheetSpec>& sheets) {
  const std::uint16_t version = biff8 ? 0x0600 : 0x0500;
  auto boundSheet = [&](const SheetSpec& sheet, std::uint32_t offset) {
    std::string name = biff8 ? narrowString(sheet.name, 1)
                             : std::string(1, static_cast<char>(sheet.name.size())) + sheet.name;
    return rec(0x0085, le32(offset) + std::string(1, static_cast<char>(sheet.state)) +
                           std::string(1, '\0') + name);
  };
  std::string head = bof(version, 0x0005) + globals;
  std::size_t size = head.size() + 4;  // + EOF
  for (const SheetSpec& sheet : sheets) size += boundSheet(sheet, 0).size();
  std::string sheetBytes;
  std::string bounds;
  for (const SheetSpec& sheet : sheets) {
    bounds += boundSheet(sheet, static_cast<std::uint32_t>(size + sheetBytes.size()));
    sheetBytes += bof(version, 0x0010) + sheet.records + rec(0x000A, "");
  }
  return head + bounds + rec(0x000A, "") + sheetBytes;
}

}  // namespace

std::string le16(std::uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}
std::string le32(std::uint32_t value) { return le16(value & 0xFFFF) + le16(value >> 16); }
std::string le64Double(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return le32(static_cast<std::uint32_t>(bits)) + le32(static_cast<std::uint32_t>(bits >> 32));
}
std::string rec(std::uint16_t id, const std::string& data) {
  return le16(id) + le16(static_cast<std::uint32_t>(data.size())) + data;
}
std::string narrowString(const std::string& latin1, int countBytes) {
  const auto count = static_cast<std::uint32_t>(latin1.size());
  return (countBytes == 1 ? std::string(1, static_cast<char>(count)) : le16(count)) +
         std::string(1, '\0') + latin1;
}
std::string wideString(const std::u16string& utf16, int countBytes) {
  const auto count = static_cast<std::uint32_t>(utf16.size());
  std::string out = (countBytes == 1 ? std::string(1, static_cast<char>(count)) : le16(count)) +
                    std::string(1, '\x01');
  for (const char16_t unit : utf16) out += le16(unit);
  return out;
}

std::string biff8Workbook(const std::string& globals, const std::vector<SheetSpec>& sheets) {
  return workbook(true, globals, sheets);
}
std::string biff5Workbook(const std::string& globals, const std::vector<SheetSpec>& sheets) {
  return workbook(false, globals, sheets);
}

std::string xfRecords(const std::vector<std::uint16_t>& formats) {
  std::string out;
  for (const std::uint16_t id : formats)
    out += rec(0x00E0, le16(0) + le16(id) + std::string(16, '\0'));
  return out;
}

namespace old {

namespace {
std::uint16_t bofId(int biff) { return biff == 2 ? 0x0009 : biff == 3 ? 0x0209 : 0x0409; }
std::string byteCount(int biff, std::size_t size) {
  return biff == 2 ? std::string(1, static_cast<char>(size)) : le16(static_cast<std::uint32_t>(size));
}
std::string oldBof(int biff, std::uint16_t type) {
  const std::string data = le16(biff == 2 ? 0x0002 : 0x0000) + le16(type);
  return rec(bofId(biff), biff == 2 ? data : data + le16(0));
}
}  // namespace

std::string worksheet(int biff, const std::string& records, std::uint16_t type) {
  return oldBof(biff, type) + records + rec(0x000A, "");
}

std::string workbook4(const std::string& globals, const std::vector<SheetSpec>& sheets) {
  std::string out = oldBof(4, 0x0100) + globals + rec(0x000A, "");
  for (const SheetSpec& sheet : sheets) {
    const std::string body = worksheet(4, sheet.records);
    out += rec(0x008F, le32(static_cast<std::uint32_t>(body.size())) +
                           std::string(1, static_cast<char>(sheet.name.size())) + sheet.name);
    out += body;
  }
  return out;
}

std::string formats(int biff, const std::vector<std::string>& codes) {
  std::string out;
  for (const std::string& code : codes) {
    const std::string text = std::string(1, static_cast<char>(code.size())) + code;
    out += biff == 4 ? rec(0x041E, le16(0xBEEF) + text) : rec(0x001E, text);
  }
  return out;
}

std::string xfs(int biff, const std::vector<std::uint8_t>& formatIndexes) {
  std::string out;
  for (const std::uint8_t index : formatIndexes) {
    const char f = static_cast<char>(index);
    if (biff == 2)
      out += rec(0x0043, std::string("\x00\x00", 2) + std::string(1, f) + std::string(1, '\0'));
    else
      out += rec(biff == 3 ? 0x0243 : 0x0443, std::string(1, '\0') + f + std::string(10, '\0'));
  }
  return out;
}

std::string cellHead(int biff, std::uint32_t row, std::uint32_t column, std::uint32_t xf,
                     std::uint32_t format2) {
  const std::string position = le16(row) + le16(column);
  if (biff != 2) return position + le16(xf);
  return position + std::string(1, static_cast<char>(xf & 0x3F)) +
         std::string(1, static_cast<char>(format2 & 0x3F)) + std::string(1, '\0');
}

std::string number(int biff, std::uint32_t row, std::uint32_t column, double value,
                   std::uint32_t xf, std::uint32_t format2) {
  return rec(biff == 2 ? 0x0003 : 0x0203, cellHead(biff, row, column, xf, format2) + le64Double(value));
}

std::string label(int biff, std::uint32_t row, std::uint32_t column, const std::string& bytes,
                  std::uint32_t xf) {
  return rec(biff == 2 ? 0x0004 : 0x0204,
             cellHead(biff, row, column, xf) + byteCount(biff, bytes.size()) + bytes);
}

std::string boolErr(int biff, std::uint32_t row, std::uint32_t column, std::uint8_t value,
                    bool error, std::uint32_t xf) {
  return rec(biff == 2 ? 0x0005 : 0x0205, cellHead(biff, row, column, xf) +
                                              std::string(1, static_cast<char>(value)) +
                                              std::string(1, error ? '\x01' : '\0'));
}

std::string formula(int biff, std::uint32_t row, std::uint32_t column, const std::string& result,
                    const std::string& stringResult, std::uint32_t xf) {
  // The token array: one tInt (=1), after the option flags and the token count.
  const std::string tokens = std::string("\x1E\x01\x00", 3);
  const std::string tail = biff == 2 ? std::string(1, '\0') + std::string(1, '\x03') + tokens
                                     : le16(0) + le16(3) + tokens;
  const std::uint16_t id = biff == 2 ? 0x0006 : biff == 3 ? 0x0206 : 0x0406;
  std::string out = rec(id, cellHead(biff, row, column, xf) + result + tail);
  const bool textResult = result.size() == 8 && result[0] == '\0' &&
                          static_cast<unsigned char>(result[6]) == 0xFF &&
                          static_cast<unsigned char>(result[7]) == 0xFF;
  if (textResult)
    out += rec(biff == 2 ? 0x0007 : 0x0207, byteCount(biff, stringResult.size()) + stringResult);
  return out;
}

std::string blank(int biff, std::uint32_t row, std::uint32_t column, std::uint32_t xf) {
  return rec(biff == 2 ? 0x0001 : 0x0201, cellHead(biff, row, column, xf));
}

}  // namespace old

std::string compoundFile(const std::vector<StreamSpec>& streams, const CfbOptions& options,
                         CfbLayout* layoutOut) {
  const std::uint32_t ss = 1u << options.sectorShift;
  const std::uint32_t perFat = ss / 4;
  // The mini stream holds every stream below 4096 bytes, each from a 64-byte boundary.
  std::string mini;
  std::vector<std::uint32_t> miniFat;
  std::vector<std::uint32_t> starts(streams.size(), kEnd);
  std::vector<bool> isMini(streams.size());
  std::uint32_t bigSectors = 0;
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const std::string& data = streams[i].data;
    if (data.empty()) continue;
    if (data.size() < 4096) {
      isMini[i] = true;
      const std::uint32_t first = static_cast<std::uint32_t>(mini.size() / 64);
      const std::uint32_t count = sectorsFor(data.size(), 64);
      starts[i] = first;
      for (std::uint32_t k = 0; k < count; ++k)
        miniFat.push_back(k + 1 < count ? first + k + 1 : kEnd);
      mini += data;
      mini.append(count * 64 - data.size(), '\0');
    } else {
      bigSectors += sectorsFor(data.size(), ss);
    }
  }
  const std::uint32_t dirSectors = sectorsFor((streams.size() + 1) * 128, ss);
  const std::uint32_t miniFatSectors = sectorsFor(miniFat.size() * 4, ss);
  const std::uint32_t miniSectors = sectorsFor(mini.size(), ss);
  const std::uint32_t rest = dirSectors + miniFatSectors + miniSectors + bigSectors;
  std::uint32_t fatCount = 1, difatCount = 0;
  for (int round = 0; round < 64; ++round) {
    difatCount = fatCount > 109 ? sectorsFor(fatCount - 109, perFat - 1) : 0;
    const std::uint32_t need =
        sectorsFor(fatCount + difatCount + rest, perFat) + options.extraFatSectors;
    if (need == fatCount) break;
    fatCount = need;
  }
  const std::uint32_t total = fatCount + difatCount + rest;
  std::vector<std::uint32_t> fat(static_cast<std::size_t>(fatCount) * perFat, kFree);
  std::uint32_t next = 0;
  auto chainOf = [&](std::uint32_t count) {
    const std::uint32_t first = next;
    for (std::uint32_t k = 0; k < count; ++k) fat[next + k] = k + 1 < count ? next + k + 1 : kEnd;
    next += count;
    return count ? first : kEnd;
  };
  for (std::uint32_t k = 0; k < fatCount; ++k) fat[next++] = kFatSect;
  const std::uint32_t difatStart = difatCount ? next : kEnd;
  for (std::uint32_t k = 0; k < difatCount; ++k) fat[next++] = kDifatSect;
  const std::uint32_t dirStart = chainOf(dirSectors);
  const std::uint32_t miniFatStart = chainOf(miniFatSectors);
  const std::uint32_t miniStart = chainOf(miniSectors);
  CfbLayout layout;
  layout.sectorSize = ss;
  layout.fatStart = 0;
  layout.difatStart = difatStart;
  layout.directoryStart = dirStart;
  for (std::size_t i = 0; i < streams.size(); ++i) {
    if (!isMini[i] && !streams[i].data.empty())
      starts[i] = chainOf(sectorsFor(streams[i].data.size(), ss));
    layout.bigStreamStart.push_back(isMini[i] || streams[i].data.empty() ? kFree : starts[i]);
  }

  std::string header = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(16, '\0');
  header += le16(0x3E) + le16(options.sectorShift == 12 ? 4 : 3) + le16(0xFFFE) +
            le16(options.sectorShift) + le16(6) + std::string(6, '\0');
  header += le32(options.sectorShift == 12 ? dirSectors : 0) + le32(fatCount) + le32(dirStart) +
            le32(0) + le32(4096) + le32(miniFatStart) + le32(miniFatSectors) + le32(difatStart) +
            le32(difatCount);
  for (std::uint32_t k = 0; k < 109; ++k) header += le32(k < fatCount ? k : kFree);
  header.resize(ss, '\0');

  std::string body;
  auto padSector = [&] { body.resize(sectorsFor(body.size(), ss) * ss, '\0'); };
  for (const std::uint32_t entry : fat) body += le32(entry);
  for (std::uint32_t d = 0; d < difatCount; ++d) {
    for (std::uint32_t k = 0; k < perFat - 1; ++k) {
      const std::uint64_t index = 109 + std::uint64_t{d} * (perFat - 1) + k;
      body += le32(index < fatCount ? static_cast<std::uint32_t>(index) : kFree);
    }
    body += le32(d + 1 < difatCount ? difatStart + d + 1 : kEnd);
  }
  auto dirEntry = [&](const std::u16string& name, std::uint8_t type, std::uint32_t right,
                      std::uint32_t child, std::uint32_t start, std::uint64_t size) {
    std::string entry;
    for (const char16_t unit : name) entry += le16(unit);
    entry.resize(64, '\0');
    entry += le16(static_cast<std::uint32_t>((name.size() + 1) * 2));
    entry += std::string(1, static_cast<char>(type)) + std::string(1, '\x01');
    entry += le32(kNoStream) + le32(right) + le32(child) + std::string(16 + 4 + 16, '\0');
    entry += le32(start) + le32(static_cast<std::uint32_t>(size)) +
             le32(static_cast<std::uint32_t>(size >> 32));
    return entry;
  };
  body += dirEntry(u"Root Entry", 5, kNoStream, streams.empty() ? kNoStream : 1,
                   mini.empty() ? kEnd : miniStart, mini.size());
  for (std::size_t i = 0; i < streams.size(); ++i)
    body += dirEntry(streams[i].name, 2,
                     i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kNoStream,
                     kNoStream, starts[i], streams[i].data.size());
  while (body.size() % ss) body += dirEntry(u"", 0, kNoStream, kNoStream, 0, 0);
  for (const std::uint32_t entry : miniFat) body += le32(entry);
  while (body.size() % ss) body += le32(kFree);
  body += mini;
  padSector();
  for (std::size_t i = 0; i < streams.size(); ++i) {
    if (isMini[i]) continue;
    body += streams[i].data;
    padSector();
  }
  EXPECT_EQ(body.size(), std::size_t{total} * ss);
  if (layoutOut) *layoutOut = layout;
  return header + body;
}

std::string writeTempFile(const std::string& name, const std::string& bytes) {
  const auto dir = std::filesystem::temp_directory_path() / "lomandra-xls-tests";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / (std::to_string(::getpid()) + "-" + name)).string();
  // A new file rather than a truncated one: truncating makes the file system flush to disk.
  std::filesystem::remove(path);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

bool CollectingVisitor::cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) {
  cells.push_back({row, column, value.kind, value.number, std::string(value.text), value.format});
  return cells.size() < stopAfter;
}

}  // namespace lomandra::xls::testing
