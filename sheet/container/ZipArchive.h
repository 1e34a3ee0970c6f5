#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::container {

/// A zip container opened for reading (the package of .xlsx and .ods workbooks).
/// Every failure throws lomandra::Failure with a description a user understands.
class ZipArchive {
 public:
  /// Opens the zip file at `path`.
  static std::unique_ptr<ZipArchive> open(const std::string& path);
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  /// The entry names in the container, in directory order.
  std::vector<std::string> names() const;
  /// True when an entry of that name exists (names compare without regard to case).
  bool contains(std::string_view name) const;
  /// The inflated size the directory claims for an entry (not to be trusted for allocation).
  std::uint64_t claimedSize(std::string_view name) const;
  /// Reads a whole entry; throws when it inflates to more than `maxBytes`.
  std::string read(std::string_view name, std::size_t maxBytes = kDefaultReadLimit) const;
  /// Streams an entry's inflated bytes in chunks; the callback returns false to stop early.
  /// Throws when more than `maxBytes` would be inflated (a decompression bomb). A large entry
  /// is inflated on a second thread while the callback takes the chunks before (see
  /// setParallelInflate); the bytes and their order are the same either way. The callback may
  /// stream other entries of the archive meanwhile.
  void stream(std::string_view name, const std::function<bool(const char*, std::size_t)>& chunk,
              std::uint64_t maxBytes = kDefaultStreamLimit) const;

  /// Entries claiming at least this many inflated bytes are inflated on a second thread.
  static constexpr std::uint64_t kParallelBytes = 1u << 20;
  /// Whether large entries are inflated on a second thread (on by default, where the machine has
  /// more than one core); for comparisons.
  static void setParallelInflate(bool on);

  static constexpr std::size_t kDefaultReadLimit = 256u << 20;        // 256 MiB
  static constexpr std::uint64_t kDefaultStreamLimit = 4ull << 30;    // 4 GiB
  /// The most an entry may inflate relative to its stored size, once past kRatioGraceBytes.
  static constexpr std::uint64_t kMaxInflateRatio = 50;
  static constexpr std::uint64_t kRatioGraceBytes = 64u << 20;        // 64 MiB

 private:
  struct Impl;
  explicit ZipArchive(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace lomandra::container
