#include "app/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#ifdef Q_OS_WIN
#include "app/win32/Win32Services.h"
#endif

namespace lomandra::app {

#ifdef Q_OS_WIN

// The Win32 clipboard itself: QClipboard would retry on its own and report nothing, while
// every attempt here must say whether it got the clipboard.
void* SystemClipboard::ownerHandle() const {
  return owner_ ? reinterpret_cast<void*>(owner_->window()->winId()) : nullptr;
}

bool SystemClipboard::clear() { return win32::clearClipboard(ownerHandle()); }

bool SystemClipboard::setText(const QString& text) {
  return win32::setClipboardText(text.toStdWString(), ownerHandle());
}

#else

bool SystemClipboard::clear() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->clear();
  return true;
}

bool SystemClipboard::setText(const QString& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(text);
  return true;
}

#endif

}  // namespace lomandra::app
