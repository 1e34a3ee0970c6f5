#include "app/PointerFeedback.h"

#include <QEvent>
#include <QWidget>

#include "app/core/ErrorTrap.h"

namespace lomandra::app {

const QString kContactPage = QString::fromUtf8(LOMANDRA_CONTACT_PAGE);

void PushButton9_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton9_Click"));
  trap.step(100, [&] {
    form.msgBox(QStringLiteral("Questions? Please contact Team Quillbrook at ") + kContactPage,
                mb::OkOnly);
  });
}

void PointerMoved(MainForm& form, int kind) {
  if (form.mousePointer() == pointer::Hourglass) return;
  form.setMousePointer(kind);
}

PointerWatcher::PointerWatcher(std::function<void(int)> notify, QObject* parent)
    : QObject(parent), notify_(std::move(notify)) {}

void PointerWatcher::watch(QWidget& control, int kind) {
  const auto follow = [&](QWidget& widget) {
    widget.setMouseTracking(true);
    // A move that a control ignores would otherwise reach the frame or window beneath it too.
    if (!widget.isWindow()) widget.setAttribute(Qt::WA_NoMousePropagation);
    widget.installEventFilter(this);
    kinds_.insert(&widget, kind);
    connect(&widget, &QObject::destroyed, this, [this](QObject* gone) { kinds_.remove(gone); });
  };
  follow(control);
  for (QWidget* part : control.findChildren<QWidget*>()) {
    // A control inside a frame keeps its own kind: controls are watched before their frames.
    if (!kinds_.contains(part)) follow(*part);
  }
}

bool PointerWatcher::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseMove || type == QEvent::Enter) {
    const auto found = kinds_.constFind(watched);
    if (found != kinds_.constEnd() && *found != kNoNotification) {
      const int kind = *found;
      runUntrapped([&] { notify_(kind); });
    }
  }
  return false;
}

}  // namespace lomandra::app
