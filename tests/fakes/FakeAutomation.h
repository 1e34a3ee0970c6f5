#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "sheet/Spreadsheet.h"

namespace lomandra::fakes {

/// A scriptable spreadsheet application for tests. It records every call in `log` as
/// "<operation>#<instance>[ <argument>]" (instances count from 1) and can be told to fail any
/// operation, to return given ranges and texts, and to answer the range box.
class FakeAutomation : public sheet::Automation {
 public:
  // --- script ---
  /// Operations that throw: create attach name open add show pickRange resolve sheetName
  /// address walk text write fit quit.
  std::set<QString> failing;
  /// Called with each log line before the operation runs; may throw to fail just that call.
  std::function<void(const QString& call)> beforeCall;
  /// Workbooks by path: each maps a Range Reference to the texts of its cells, in walk order.
  std::map<QString, std::map<QString, QStringList>> workbooks;
  /// Cell texts whose Cell text read fails.
  std::set<QString> failingTexts;
  /// What the range box answers: a sheet and address, or Cancel.
  QString pickedSheet = QStringLiteral("Sheet1");
  QString pickedAddress = QStringLiteral("$A$1");
  bool pickCancels = false;
  /// The new workbook's sheet has this many rows: Write past them fails as the application's
  /// does (0: no limit).
  int sheetRows = 0;
  /// Attach finds a running instance reporting `runningName` when `running` is true.
  bool running = false;
  QString runningName = QStringLiteral("Microsoft Excel");

  // --- record ---
  QStringList log;
  int created = 0;   ///< instances made by create()
  int quit = 0;      ///< quit() calls that went through
  int released = 0;  ///< instances destroyed (released)
  struct Written {
    int instance, row, column;
    QString text;
  };
  std::vector<Written> written;

  std::unique_ptr<sheet::Application> create() override;
  std::unique_ptr<sheet::Application> attach() override;

  /// Records a call and throws when the script says so (used by the fake's objects).
  void call(const QString& operation, int instance, const QString& argument = {});
};

}  // namespace lomandra::fakes
