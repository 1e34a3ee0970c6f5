#include "tests/sheet/ods/OdsTestFiles.h"

#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace lomandra::ods::test {

const char* const kNamespaces =
    R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
    R"( xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0")"
    R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0")"
    R"( xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0")"
    R"( xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0")"
    R"( xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0")"
    R"( xmlns:dc="http://purl.org/dc/elements/1.1/")"
    R"( xmlns:xlink="http://www.w3.org/1999/xlink")"
    R"( xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0")"
    R"( xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0")";

std::string contentXml(const std::string& spreadsheetBody, const std::string& automaticStyles) {
  return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>)") + "<office:document-content" +
         kNamespaces + R"( office:version="1.3"><office:automatic-styles>)" + automaticStyles +
         "</office:automatic-styles><office:body><office:spreadsheet>" + spreadsheetBody +
         "</office:spreadsheet></office:body></office:document-content>";
}

std::string settingsXml(const std::string& activeTable) {
  return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>)") + "<office:document-settings" +
         kNamespaces +
         R"(><office:settings><config:config-item-set config:name="ooo:view-settings">)"
         R"(<config:config-item-map-indexed config:name="Views"><config:config-item-map-entry>)"
         R"(<config:config-item config:name="ViewId" config:type="string">view1</config:config-item>)"
         R"(<config:config-item config:name="ActiveTable" config:type="string">)" +
         activeTable +
         "</config:config-item></config:config-item-map-entry></config:config-item-map-indexed>"
         "</config:config-item-set></office:settings></office:document-settings>";
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "lomandra-ods-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  dir_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string TempFolder::path(const std::string& name) const { return dir_ + "/" + name; }

std::string TempFolder::writeZip(const std::string& name,
                                 const std::vector<std::pair<std::string, std::string>>& entries) {
  const std::string file = path(name);
  int error = 0;
  zip_t* zip = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) throw std::runtime_error("cannot create " + file);
  for (const auto& [entry, bytes] : entries) {
    // libzip reads the buffer when the archive is closed: keep a copy until then.
    zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
    if (!source || zip_file_add(zip, entry.c_str(), source, ZIP_FL_ENC_UTF_8) < 0)
      throw std::runtime_error("cannot add " + entry);
  }
  if (zip_close(zip) != 0) throw std::runtime_error("cannot write " + file);
  return file;
}

std::string TempFolder::writeOds(const std::string& name, const std::string& content,
                                 const std::string& settings) {
  std::vector<std::pair<std::string, std::string>> entries = {
      {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}};
  if (!settings.empty()) entries.emplace_back("settings.xml", settings);
  return writeZip(name, entries);
}

std::string TempFolder::writeFile(const std::string& name, const std::string& bytes) {
  const std::string file = path(name);
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file);
  return file;
}

void RecordingVisitor::columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) {
  columnRuns.push_back({first, last, width, hidden});
}

void RecordingVisitor::hiddenRow(std::uint32_t row) { hiddenRows.push_back(row); }

bool RecordingVisitor::cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) {
  cells[{row, column}] = {value.kind, value.number, std::string(value.text)};
  return ++calls < stopAfter;
}

std::string RecordingVisitor::text(std::uint32_t row, std::uint32_t column) const {
  const auto it = cells.find({row, column});
  return it == cells.end() ? std::string() : it->second.text;
}

}  // namespace lomandra::ods::test
