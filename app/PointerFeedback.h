#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

#include "app/core/MainForm.h"

class QWidget;

namespace lomandra::app {

/// The maker's contact page named in the help notice (set by the build: LOMANDRA_CONTACT_PAGE).
extern const QString kContactPage;

/// "Help": shows the contact notice (OK, no icon, application title), under its own error trap.
void PushButton9_Click(MainForm& form);

/// The pointer-move rule of the main window's surface and controls: unless the window is busy
/// (pointer kind 11), sets its pointer kind to `kind` (99 over a command button, 0 elsewhere).
void PointerMoved(MainForm& form, int kind);

/// Delivers the pointer-move notifications of the window's controls: every pointer move over a
/// watched control (or a part of it, such as a list's viewport) and every entry into one calls
/// `notify` with the kind given for that control.
class PointerWatcher : public QObject {
  Q_OBJECT

 public:
  explicit PointerWatcher(std::function<void(int kind)> notify, QObject* parent = nullptr);

  /// Watches `control` and every widget inside it that is not watched yet, reporting `kind`.
  void watch(QWidget& control, int kind);
  /// Claims `control` and the widgets inside it for no notification at all (a frame watched
  /// later does not take them over).
  void ignore(QWidget& control) { watch(control, kNoNotification); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static constexpr int kNoNotification = -1;

  std::function<void(int)> notify_;
  QHash<QObject*, int> kinds_;
};

}  // namespace lomandra::app
