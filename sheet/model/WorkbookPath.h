#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "sheet/Failure.h"

namespace lomandra::model {

/// Workbook paths are UTF-8 text on every system, and every file function takes them through
/// this: on Windows a narrow path would be read in the ANSI code page, which cannot name a file
/// called in Cyrillic and Chinese at once.
inline std::filesystem::path fileSystemPath(const std::string& path) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
  return std::filesystem::path(path);
#endif
}

/// A file-system path (or a part of one) as UTF-8 text.
inline std::string utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

/// Opens the workbook file at `path` for reading, failing with the description a user
/// understands when it is missing, a folder, or unreadable.
inline std::ifstream openWorkbookStream(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path file = fileSystemPath(path);
  const auto status = std::filesystem::status(file, ec);
  if (ec || !std::filesystem::exists(status))
    throw Failure("The file \"" + path + "\" does not exist.");
  if (std::filesystem::is_directory(status))
    throw Failure("\"" + path + "\" is a folder, not a workbook file.");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Failure("The file \"" + path + "\" cannot be read: " + std::strerror(errno) + ".");
  return in;
}

}  // namespace lomandra::model
