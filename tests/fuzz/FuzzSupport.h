#pragma once

// Shared pieces of the libFuzzer targets: a sheet visitor that checks what readers report, and
// a private file for readers that open workbooks by path.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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
    stopped_ = ++cells >= maxCells_;
    return !stopped_;
  }
  std::size_t cells = 0;
  std::size_t bytes = 0;

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
