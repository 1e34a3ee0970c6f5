#pragma once

#include <QCursor>
#include <QElapsedTimer>
#include <QWidget>
#include <optional>

#include "app/Form1Layout.h"
#include "app/Form1Services.h"
#include "app/SkinFramework.h"
#include "app/core/EntryList.h"
#include "app/core/MainForm.h"

namespace lomandra::app {

class PointerWatcher;

/// The main window `Form1`: builds its controls, runs start-up (`Form_Load`), and wires every
/// control's events to their handlers in ranges/, merge/, output/ and app/.
///
///   Form1 form(services);
///   if (!form.load()) return 0;  // the spreadsheet application is missing: end, never shown
///   form.showCentred();
class Form1 : public QWidget, public MainForm {
  Q_OBJECT

 public:
  explicit Form1(Form1Services services, QWidget* parent = nullptr);
  ~Form1() override;

  /// Runs `Form_Load`. Returns false when the program must end before the window is shown.
  bool load();
  /// Shows the window centred on its screen.
  void showCentred();

  /// The spreadsheet export's probe (the window's one public method).
  bool SaveResultsAsExcelFileIsExcelInstalled();

  const Form1Controls& controls() const { return controls_; }
  /// The title of every message box that passes none of its own.
  const QString& appTitle() const { return appTitle_; }
  /// The hand loaded from HAND-M.CUR at start, if any.
  const std::optional<QCursor>& customPointerImage() const { return customPointer_; }

  // MainForm
  QString pathText() const override;
  void setPathText(const QString& text) override;
  QString optionText() const override;
  EntryList& rangeList() override { return ranges_; }
  EntryList& resultList() override { return results_; }
  int rangeListSelectedIndex() const override;
  int mousePointer() const override { return pointerKind_; }
  void setMousePointer(int kind) override;
  int msgBox(const QString& text, int style = mb::OkOnly, const QString& title = {}) override;
  CommonDialog& commonDialog() override { return *services_.dialog; }
  ClipboardService& clipboard() override { return *services_.clipboard; }
  sheet::Automation& automation() override { return *services_.automation; }
  void doEvents() override;
  QString programFolder() const override { return services_.programFolder; }

 signals:
  /// The window was closed: the program ends.
  void unloaded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A workbook file dropped anywhere on the window goes into the path box, as if typed.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void Form_Load();
  void wireHandlers();
  // Makes the setting "Locale" (the system's when empty) the rendering locale of every text.
  void applyLocaleSetting();
  /// "Add Range Of Cells To Merge" with the window held: while the workbook window and its
  /// range box are open, the window's controls take no clicks or keys.
  void PushButton5_ClickHoldingWindow();
  void watchPointer();
  void Text1_Change();
  void Combo1_Change();
  void saveSetting(const QString& key, const QString& value);
  QCursor pointerShape(int kind) const;

  Form1Services services_;
  Form1Controls controls_;
  EntryList ranges_;
  EntryList results_;
  SkinFramework SkinFramework1_;
  PointerWatcher* pointerWatcher_ = nullptr;
  QString appTitle_;
  std::optional<QCursor> customPointer_;
  int pointerKind_ = pointer::Default;
  bool endProgram_ = false;
  bool picking_ = false;          // a pick holds the window
  bool closeAfterPick_ = false;   // the window was closed during a pick
  QElapsedTimer lastYield_;  // when doEvents last processed events
  int yieldsUnchecked_ = 0;  // yields since the clock was last read
};

}  // namespace lomandra::app
