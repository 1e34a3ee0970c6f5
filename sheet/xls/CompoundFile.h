#pragma once

// The compound document container (OLE2 structured storage) that holds an .xls workbook's
// "Workbook" or "Book" stream. Every size, count and sector chain in it is checked against the
// file's own size, so a damaged or hostile file fails with lomandra::Failure instead of looping
// or allocating without bound.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::xls {

class CompoundFile {
 public:
  /// One entry of the directory, read as a flat list (the red-black tree is not needed to
  /// find a stream by name).
  struct Entry {
    std::string name;       ///< UTF-8
    std::uint8_t type = 0;  ///< 1 storage, 2 stream, 5 root
    std::uint32_t start = 0;
    std::uint64_t size = 0;
  };

  /// True when `bytes` begin with the compound document signature.
  static bool hasSignature(std::string_view bytes);

  /// Reads the header, the sector allocation tables and the directory of the container held in
  /// `bytes` (which must outlive this object). Throws lomandra::Failure.
  explicit CompoundFile(std::string_view bytes);

  const std::vector<Entry>& entries() const { return entries_; }
  /// The stream entry whose name equals `name` without regard to ASCII case, or nullptr.
  const Entry* findStream(std::string_view name) const;
  /// The whole content of a stream entry. Throws lomandra::Failure when its chain is damaged.
  std::string readStream(const Entry& entry) const;

 private:
  std::vector<std::uint32_t> chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                                   std::uint64_t limit, const char* what) const;
  std::string_view sector(std::uint32_t id) const;
  void readFat();
  void readDirectory();
  void readMiniStream();

  std::string_view bytes_;
  std::uint32_t sectorShift_ = 9;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t miniSectorSize_ = 64;
  std::uint32_t miniCutoff_ = 4096;
  std::uint32_t sectorCount_ = 0;  ///< sectors the file holds, the last one possibly short
  int majorVersion_ = 3;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::string miniStream_;
  std::vector<Entry> entries_;
};

}  // namespace lomandra::xls
