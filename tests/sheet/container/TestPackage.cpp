#include "tests/sheet/container/TestPackage.h"

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace lomandra::testing {

namespace {

void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// Raw deflate of `input` with the given flush mode, continuing `stream`.
std::string deflateChunk(z_stream& stream, const std::string& input, int flush) {
  std::string out;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<uInt>(input.size());
  char buffer[1 << 16];
  do {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    deflate(&stream, flush);
    out.append(buffer, sizeof buffer - stream.avail_out);
  } while (stream.avail_out == 0);
  return out;
}

struct Entry {
  std::string name, compressed;
  std::uint32_t crc = 0, size = 0;
  bool deflate = true;
};

Entry makeEntry(const ZipPart& part) {
  Entry e{part.name, part.data, 0, static_cast<std::uint32_t>(part.data.size()), part.deflate};
  e.crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(part.data.data()), static_cast<uInt>(part.data.size())));
  if (part.deflate) {
    z_stream s{};
    deflateInit2(&s, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    e.compressed = deflateChunk(s, part.data, Z_FINISH);
    deflateEnd(&s);
  }
  return e;
}

std::string assemble(const std::vector<Entry>& entries) {
  std::string out, directory;
  for (const Entry& e : entries) {
    const auto offset = static_cast<std::uint32_t>(out.size());
    put32(out, 0x04034b50);
    put16(out, 20);
    put16(out, 0);
    put16(out, e.deflate ? 8 : 0);
    put16(out, 0);
    put16(out, 0x21);
    put32(out, e.crc);
    put32(out, static_cast<std::uint32_t>(e.compressed.size()));
    put32(out, e.size);
    put16(out, static_cast<std::uint32_t>(e.name.size()));
    put16(out, 0);
    out += e.name;
    out += e.compressed;

    put32(directory, 0x02014b50);
    put16(directory, 20);
    put16(directory, 20);
    put16(directory, 0);
    put16(directory, e.deflate ? 8 : 0);
    put16(directory, 0);
    put16(directory, 0x21);
    put32(directory, e.crc);
    put32(directory, static_cast<std::uint32_t>(e.compressed.size()));
    put32(directory, e.size);
    put16(directory, static_cast<std::uint32_t>(e.name.size()));
    put16(directory, 0);
    put16(directory, 0);
    put16(directory, 0);
    put16(directory, 0);
    put32(directory, 0);
    put32(directory, offset);
    directory += e.name;
  }
  const auto directoryOffset = static_cast<std::uint32_t>(out.size());
  out += directory;
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<std::uint32_t>(entries.size()));
  put16(out, static_cast<std::uint32_t>(entries.size()));
  put32(out, static_cast<std::uint32_t>(directory.size()));
  put32(out, directoryOffset);
  put16(out, 0);
  return out;
}

}  // namespace

std::string zipBytes(const std::vector<ZipPart>& parts) {
  std::vector<Entry> entries;
  for (const ZipPart& p : parts) {
    if (p.name.starts_with("\x01" "bomb:")) {
      // A pre-built bomb entry: the data holds crc, size and compressed bytes.
      Entry e;
      e.name = p.name.substr(6);
      e.crc = static_cast<std::uint32_t>(std::stoul(p.data.substr(0, 10)));
      e.size = static_cast<std::uint32_t>(std::stoul(p.data.substr(10, 10)));
      e.compressed = p.data.substr(20);
      entries.push_back(std::move(e));
    } else {
      entries.push_back(makeEntry(p));
    }
  }
  return assemble(entries);
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void writeZip(const std::string& path, const std::vector<ZipPart>& parts) {
  writeFile(path, zipBytes(parts));
}

ZipPart bombPart(const std::string& name, const std::string& prefix, char fill,
                 std::uint64_t fillBytes, const std::string& suffix) {
  constexpr std::uint64_t kChunk = 1u << 20;
  const std::string chunk(kChunk, fill);
  const std::uint64_t chunks = fillBytes / kChunk;
  z_stream s{};
  deflateInit2(&s, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  std::string data = deflateChunk(s, prefix, Z_FULL_FLUSH);
  // After a full flush the compressor forgets what came before, so every further chunk
  // compresses to the same bytes: the bomb is those bytes repeated.
  const std::string repeated = deflateChunk(s, chunk, Z_FULL_FLUSH);
  for (std::uint64_t i = 0; i < chunks; ++i) data += repeated;
  // The trailing part goes through a fresh state; joining deflate blocks is allowed.
  data += deflateChunk(s, suffix, Z_FINISH);
  deflateEnd(&s);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(prefix.data()), static_cast<uInt>(prefix.size()));
  const uLong chunkCrc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(kChunk));
  for (std::uint64_t i = 0; i < chunks; ++i) crc = crc32_combine(crc, chunkCrc, static_cast<z_off_t>(kChunk));
  const uLong suffixCrc =
      crc32(0, reinterpret_cast<const Bytef*>(suffix.data()), static_cast<uInt>(suffix.size()));
  crc = crc32_combine(crc, suffixCrc, static_cast<z_off_t>(suffix.size()));
  const std::uint64_t total = prefix.size() + chunks * kChunk + suffix.size();
  char header[21];
  std::snprintf(header, sizeof header, "%010lu%010lu", static_cast<unsigned long>(crc),
                static_cast<unsigned long>(std::min<std::uint64_t>(total, 0xFFFFFFFFu)));
  return ZipPart{"\x01" "bomb:" + name, std::string(header, 20) + data, true};
}

std::string worksheet(const std::string& sheetData, const std::string& beforeData,
                      const std::string& afterData) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
         beforeData + "<sheetData>" + sheetData + "</sheetData>" + afterData + "</worksheet>";
}

std::vector<ZipPart> xlsxParts(const std::vector<std::string>& sheetXml,
                               const std::string& sharedStrings, const std::string& styles,
                               const std::string& workbookExtra) {
  const std::string ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::string types =
      "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
      "content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>";
  std::string rootRels =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
      "2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + ns +
      "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  std::string workbook =
      "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
      "2006/main\" xmlns:r=\"" + ns + "\">" + workbookExtra + "<sheets>";
  std::string rels =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
      "2006/relationships\">";
  std::vector<ZipPart> parts;
  for (std::size_t i = 0; i < sheetXml.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    workbook += "<sheet name=\"Sheet" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + ns + "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
    parts.push_back({"xl/worksheets/sheet" + n + ".xml", sheetXml[i], true});
  }
  workbook += "</sheets></workbook>";
  if (!sharedStrings.empty())
    rels += "<Relationship Id=\"rS\" Type=\"" + ns + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
  if (!styles.empty())
    rels += "<Relationship Id=\"rT\" Type=\"" + ns + "/styles\" Target=\"/xl/styles.xml\"/>";
  rels += "</Relationships>";
  parts.insert(parts.begin(), {{"[Content_Types].xml", types, true},
                               {"_rels/.rels", rootRels, true},
                               {"xl/workbook.xml", workbook, true},
                               {"xl/_rels/workbook.xml.rels", rels, true}});
  if (!sharedStrings.empty()) parts.push_back({"xl/sharedStrings.xml", sharedStrings, true});
  if (!styles.empty()) parts.push_back({"xl/styles.xml", styles, true});
  return parts;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "lomandra-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace lomandra::testing
