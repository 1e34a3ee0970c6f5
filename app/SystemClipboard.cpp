#include "app/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#ifdef Q_OS_WIN
#include <windows.h>

#include <cstring>
#endif

namespace lomandra::app {

#ifdef Q_OS_WIN

bool SystemClipboard::clear() {
  if (!OpenClipboard(nullptr)) return false;  // another program holds it
  const bool emptied = EmptyClipboard() != 0;
  CloseClipboard();
  return emptied;
}

bool SystemClipboard::setText(const QString& text) {
  const std::wstring wide = text.toStdWString();
  const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return false;
  void* target = GlobalLock(memory);
  if (!target) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(target, wide.c_str(), bytes);
  GlobalUnlock(memory);
  if (!OpenClipboard(nullptr)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!placed) GlobalFree(memory);  // the clipboard owns it only once it was placed
  return placed;
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
