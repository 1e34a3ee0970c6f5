#pragma once

// Shared pieces of the libFuzzer targets: a sheet visitor that checks what readers report, and
// a private file for readers that open workbooks by path.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::fuzz {

/// Checks every cell a reader reports lies within the sheet and that it stops when asked.
class CheckingVisitor : public model::SheetVisitor {
 public:
  explicit CheckingVisitor(std::size_t maxCells = 1u << 20) : maxCells_(maxCells) {}
  bool cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) override {
    if (row >= model::kMaxRows || column >= model::kMaxColumns) std::abort();
    if (stopped_) std::abort();  // a reader went on after the visitor said stop
    bytes += value.text.size();
    // What was reported, folded into one number, for targets that compare two readings.
    std::uint64_t number = 0;
    static_assert(sizeof number == sizeof value.number);
    std::memcpy(&number, &value.number, sizeof number);
    for (const std::uint64_t part : {std::uint64_t{row}, std::uint64_t{column}, std::uint64_t(value.kind),
                                     number, std::uint64_t{value.format},
                                     std::hash<std::string_view>{}(value.text),
                                     std::hash<std::string_view>{}(value.formula.text)})
      digest = (digest ^ part) * 0x100000001b3ull;
    stopped_ = ++cells >= maxCells_;
    return !stopped_;
  }
  std::size_t cells = 0;
  std::size_t bytes = 0;
  std::uint64_t digest = 0xcbf29ce484222325ull;

 private:
  std::size_t maxCells_;
  bool stopped_ = false;
};

/// Writes the input to a file private to this process and returns its path.
inline std::string writeInput(const std::uint8_t* data, std::size_t size, const char* suffix) {
  const std::string path = "/tmp/lomandra-fuzz-" + std::to_string(::getpid()) + suffix;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path;
}

}  // namespace lomandra::fuzz
