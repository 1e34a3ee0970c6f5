#pragma once

#include <functional>

#include "app/core/EntryList.h"
#include "app/core/ErrorTrap.h"
#include "app/core/MainForm.h"
#include "tests/fakes/FakeAutomation.h"
#include "tests/fakes/FakeServices.h"

namespace lomandra::fakes {

/// A main window without widgets, for testing command handlers on their own.
/// Message boxes with no title record the application title "Lomandra".
class FakeForm : public MainForm {
 public:
  FakeForm();

  QString path;
  QString option = QStringLiteral("Allow duplicates in results");
  int pointerKind = pointer::Default;
  int selectedRange = 0;  ///< 0: nothing selected
  QString folder = QStringLiteral("/opt/lomandra");
  EntryList ranges{QStringLiteral("Range(s)"), false};
  EntryList results{QStringLiteral("Result(s)"), true};
  FakeMessageBox messages;
  FakeCommonDialog dialog;
  FakeClipboard clip;
  FakeAutomation sheets;
  std::function<void()> onDoEvents;  ///< runs at every yield
  int yields = 0;
  std::vector<int> pointerHistory;  ///< every pointer kind set, in order

  /// The sink that shows Error Reports in `messages`.
  ErrorReportSink reportSink();
  /// The Error Reports shown so far, as "<procedure>@<line>: <description>".
  QStringList reports() const;

  QString pathText() const override { return path; }
  void setPathText(const QString& text) override { path = text; }
  QString optionText() const override { return option; }
  EntryList& rangeList() override { return ranges; }
  EntryList& resultList() override { return results; }
  int rangeListSelectedIndex() const override;
  int mousePointer() const override { return pointerKind; }
  void setMousePointer(int kind) override {
    pointerKind = kind;
    pointerHistory.push_back(kind);
  }
  int msgBox(const QString& text, int style, const QString& title) override;
  CommonDialog& commonDialog() override { return dialog; }
  ClipboardService& clipboard() override { return clip; }
  sheet::Automation& automation() override { return sheets; }
  void doEvents() override;
  QString programFolder() const override { return folder; }
};

}  // namespace lomandra::fakes
