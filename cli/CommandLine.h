#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

namespace lomandra::cli {

/// What one call of lomandra-merge asks for.
struct MergeToolOptions {
  bool help = false;       ///< --help: print the usage and stop
  bool version = false;    ///< --version: print the program's name and version and stop
  bool json = false;       ///< --json: print one JSON array of strings
  bool unique = false;     ///< --unique: drop a text equal to one already in the list
  bool clipboard = false;  ///< --clipboard: print the clipboard text of the list
  std::optional<QString> saveFile;  ///< --save FILE: write the text file of the list
  QString workbook;
  QStringList references;  ///< in the order given
};

/// Bad usage; what() is the one line to show the user.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Reads the arguments (without the program name). Options may stand anywhere before "--";
/// the first other argument is the workbook, the rest are Range References. Throws UsageError.
MergeToolOptions parseCommandLine(const QStringList& arguments);

/// The text --help prints.
QString helpText();

/// The line --version prints: "lomandra-merge " and the version, then a line break.
QString versionText();

}  // namespace lomandra::cli
