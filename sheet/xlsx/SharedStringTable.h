#pragma once

// The workbook's shared strings, held in one buffer with an offset per string, and read from
// the package only as far as the cells asked for so far need.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::container {
class XmlHandler;
class ZipArchive;
}

namespace lomandra::xlsx {

class SharedStringTable {
 public:
  /// A table over part `part` of `zip` ("" when the workbook has no shared strings).
  SharedStringTable(const container::ZipArchive& zip, std::string part, std::uint64_t maxPartBytes,
                    std::size_t maxStringBytes, std::size_t maxCount);
  /// A table over the part's XML held in memory by the caller for the table's lifetime.
  SharedStringTable(std::string_view xml, std::size_t maxStringBytes, std::size_t maxCount);

  /// String `index`, reading further into the part when needed. Throws lomandra::Failure when
  /// the part holds fewer strings or is damaged. The view is valid until the next call.
  std::string_view at(std::size_t index);

  /// Strings read so far.
  std::size_t loaded() const { return offsets_.size() - 1; }
  /// True when the whole part has been read.
  bool complete() const { return complete_; }

 private:
  friend class SharedStringsHandler;
  void readUpTo(std::size_t count);

  std::function<void(container::XmlHandler&)> scan_;  // one pass over the part from its start
  std::size_t maxStringBytes_;
  std::size_t maxCount_;
  std::string buffer_;
  std::vector<std::uint64_t> offsets_{0};  // string i is buffer_[offsets_[i], offsets_[i+1])
  bool complete_ = false;
};

}  // namespace lomandra::xlsx
