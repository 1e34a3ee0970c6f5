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
  bool withSource = false;  ///< --with-source: workbook, sheet and cell beside every text
  bool skipEmpty = false;   ///< --skip-empty: leave out cells whose text is empty
  bool byColumn = false;    ///< --by-column: walk each area column by column
  int jobs = 0;             ///< --jobs N: workbooks read at a time; 0 for one per core
  /// --locale TAG: the regional settings the texts follow; the environment's when absent.
  std::optional<QString> locale;
  /// --workbook PATH, repeatable, in the order given.
  QStringList workbookPaths;
  /// --workbooks LIST: a file naming one workbook per line; "-" for standard input.
  std::optional<QString> workbookList;
  QString workbook;        ///< the one-workbook form's WORKBOOK
  QStringList references;  ///< in the order given

  /// True when --workbook or --workbooks names the workbooks: every positional argument is
  /// then a REFERENCE.
  bool manyWorkbooks() const { return !workbookPaths.isEmpty() || workbookList.has_value(); }
};

/// Bad usage; what() is the one line to show the user.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Reads the arguments (without the program name). Options may stand anywhere before "--".
/// Without --workbook and --workbooks the first other argument is the workbook and the rest are
/// Range References; with either, every other argument is a Range Reference. Throws UsageError.
MergeToolOptions parseCommandLine(const QStringList& arguments);

/// The text --help prints.
QString helpText();

/// The line --version prints: "lomandra-merge " and the version, then a line break.
QString versionText();
/// The workbook paths of a --workbooks list: one per line, in order; CR LF or LF line ends,
/// blank lines skipped, spaces kept (a path may hold them). Throws UsageError for a list that
/// names no workbook.
QStringList parseWorkbookList(const QByteArray& list);

}  // namespace lomandra::cli
