#pragma once

// Test helpers: zip packages and workbooks written byte by byte, so the tests can build any
// package they need, hostile ones included (bombs, truncations, missing parts).

#include <cstdint>
#include <string>
#include <vector>

namespace lomandra::testing {

/// One entry of a zip written by writeZip.
struct ZipPart {
  std::string name;
  std::string data;
  bool deflate = true;
};

/// Writes a zip file holding `parts`, in order.
void writeZip(const std::string& path, const std::vector<ZipPart>& parts);

/// The bytes of a zip holding `parts`.
std::string zipBytes(const std::vector<ZipPart>& parts);

/// A deflated entry that inflates to prefix + `fillBytes` copies of `fill` + suffix while its
/// compressed data stays about a thousand times smaller (a decompression bomb). `fillBytes` is
/// rounded down to whole MiB.
ZipPart bombPart(const std::string& name, const std::string& prefix, char fill,
                 std::uint64_t fillBytes, const std::string& suffix);

/// The parts of a minimal .xlsx package: one sheet per entry of `sheetXml` (the whole
/// worksheet XML), with the given shared strings and styles parts when not empty.
std::vector<ZipPart> xlsxParts(const std::vector<std::string>& sheetXml,
                               const std::string& sharedStrings = {},
                               const std::string& styles = {},
                               const std::string& workbookExtra = {});

/// A worksheet part around `sheetData` (the rows, without the <sheetData> element).
/// `afterData` follows the cells (merged cells, page set-up).
std::string worksheet(const std::string& sheetData, const std::string& beforeData = {},
                      const std::string& afterData = {});

/// A folder removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

/// Writes `bytes` to the file at `path`.
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace lomandra::testing
