#pragma once

#include <QString>

#include "app/core/EntryList.h"
#include "app/core/ErrorTrap.h"
#include "app/core/Services.h"
#include "sheet/Spreadsheet.h"

namespace lomandra {

/// Pointer kinds of the main window. The hourglass doubles as the busy flag.
namespace pointer {
constexpr int Default = 0;
constexpr int Hourglass = 11;
constexpr int Custom = 99;  ///< the hand loaded at start
}  // namespace pointer

/// The main window `Form1` as its command handlers see it: its controls, its pointer and
/// the platform services behind it. Form1 implements it; the handlers in ranges/, merge/
/// and output/ take it, so they never touch a widget or a platform call directly.
class MainForm {
 public:
  virtual ~MainForm() = default;

  /// `Text1`: the source workbook path box. Setting it raises its change notification.
  virtual QString pathText() const = 0;
  virtual void setPathText(const QString& text) = 0;
  /// `Combo1`: the text of the chosen duplicates option (empty when none is chosen).
  virtual QString optionText() const = 0;
  /// `ListView1` (Range List) and `ListView2` (Result List).
  virtual EntryList& rangeList() = 0;
  virtual EntryList& resultList() = 0;
  /// The 1-based index of the Range List's selected entry; throws lomandra::Failure when none is selected.
  virtual int rangeListSelectedIndex() const = 0;
  /// The window's pointer kind (see lomandra::pointer).
  virtual int mousePointer() const = 0;
  virtual void setMousePointer(int kind) = 0;
  /// A modal message box; an empty title shows the application title. Returns the answer (mb::).
  virtual int msgBox(const QString& text, int style = mb::OkOnly, const QString& title = {}) = 0;
  /// `CommonDialog1`.
  virtual CommonDialog& commonDialog() = 0;
  virtual ClipboardService& clipboard() = 0;
  /// The spreadsheet application.
  virtual sheet::Automation& automation() = 0;
  /// Processes pending window events (the yield of the exports).
  virtual void doEvents() = 0;
  /// The program's folder, without a trailing separator.
  virtual QString programFolder() const = 0;
};

}  // namespace lomandra

namespace lomandra {

/// The Error Report sink of a handler of `form`: title "Application Error", warning icon, OK.
inline ErrorReportSink errorReportSink(MainForm& form) {
  return [&form](const QString& text) {
    form.msgBox(text, mb::Exclamation, QStringLiteral("Application Error"));
  };
}

}  // namespace lomandra
