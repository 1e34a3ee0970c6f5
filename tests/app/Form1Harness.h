#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "app/Form1.h"
#include "app/core/SettingsStore.h"
#include "tests/fakes/FakeAutomation.h"
#include "tests/fakes/FakeServices.h"

class QWidget;

namespace lomandra::testing {

/// The real main window driven headless, with every platform service replaced by a recorder:
/// message boxes (scripted answers), the file dialog, the clipboard, the spreadsheet
/// application (FakeAutomation), a Settings Store in a temporary folder and a temporary program
/// folder. Tests of commands use it end to end:
///
///   Form1Harness h;
///   ASSERT_TRUE(h.start());
///   h.sheets.workbooks["/w.xlsx"]["'Sheet1'!$A$1"] = {"x"};
///   h.form().setPathText("/w.xlsx");
///   h.click(h.controls().PushButton2);
///   EXPECT_EQ(h.form().resultList().count(), 1);
class Form1Harness {
 public:
  Form1Harness();
  ~Form1Harness();

  QTemporaryDir programDir;
  QTemporaryDir settingsDir;
  fakes::FakeMessageBox messages;
  fakes::FakeCommonDialog dialog;
  fakes::FakeClipboard clipboard;
  fakes::FakeAutomation sheets;
  std::unique_ptr<SettingsStore> settings;  ///< the store in settingsDir
  int yields = 0;                           ///< doEvents calls
  /// Real services to hand the window in place of the recorders above (none: the recorder).
  /// The tests of the whole program on Windows drive the spreadsheet application through COM,
  /// the Windows clipboard and the registry's Settings Store; the dialogs stay scripted.
  struct {
    sheet::Automation* automation = nullptr;
    ClipboardService* clipboard = nullptr;
    SettingsStore* settings = nullptr;
  } system;
  std::function<void()> onDoEvents;         ///< runs at every yield

  /// Builds a new Form1 (closing any earlier one, as a restart) and runs its start-up.
  /// Returns what load() returned: false when the program would end.
  bool start();
  /// start() followed by showing the window and waiting until it is exposed.
  bool startShown();
  app::Form1& form() { return *form_; }
  const app::Form1Controls& controls() const { return form_->controls(); }

  /// The program folder (no trailing separator).
  QString programFolder() const { return programDir.path(); }
  /// Writes a file under the program folder, creating folders as needed.
  void placeProgramFile(const QString& relativePath, const QByteArray& bytes);
  /// Places the project's own HAND-M.CUR and x/o.cjs in the program folder.
  void placeShippedFiles();
  /// The project's file at `relativePath` under app/resources.
  static QByteArray shippedFile(const QString& relativePath);

  /// The stored value of a key of the program's section (`absent` when there is none).
  QString stored(const QString& key, const QString& absent = QStringLiteral("<absent>")) const;
  /// Stores a value, as an earlier run would have.
  void store(const QString& key, const QString& value);

  /// The Error Reports shown so far, as "<procedure>@<line>: <description>".
  QStringList reports() const;
  /// The message boxes other than Error Reports, by text.
  QStringList notices() const;

  /// Clicks a control with the mouse, as the user would.
  void click(QWidget* control);
  /// Types text into a control one key at a time (Latin-1 characters).
  void type(QWidget* control, const QString& text);

 private:
  std::unique_ptr<app::Form1> form_;
};

}  // namespace lomandra::testing
