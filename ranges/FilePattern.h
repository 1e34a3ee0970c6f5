#pragma once

#include <QString>

namespace lomandra::ranges {

/// The file test of range picking: true when at least one ordinary file matches `path` as
/// typed. Folders, hidden files (on Linux a name starting with '.'; on Windows the hidden and
/// system attributes) and other special files do not count. The wildcards * (any run of
/// characters) and ? (one character) match as in a directory listing, in the file-name part
/// only; the folder part is taken literally. Throws lomandra::Failure with a description when
/// the platform cannot take the text as a file name.
bool ordinaryFileMatches(const QString& path);

/// The wildcard rule of the listing: * matches any run of characters, ? exactly one; every
/// other character matches itself (case-insensitively when `caseSensitive` is false).
bool wildcardMatches(const QString& pattern, const QString& name, bool caseSensitive);

}  // namespace lomandra::ranges
