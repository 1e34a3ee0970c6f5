#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "sheet/Failure.h"

namespace lomandra::model {

/// Opens the workbook file at `path` for reading, failing with the description a user
/// understands when it is missing, a folder, or unreadable.
inline std::ifstream openWorkbookStream(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status))
    throw Failure("The file \"" + path + "\" does not exist.");
  if (std::filesystem::is_directory(status))
    throw Failure("\"" + path + "\" is a folder, not a workbook file.");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure("The file \"" + path + "\" cannot be read: " + std::strerror(errno) + ".");
  return in;
}

}  // namespace lomandra::model
