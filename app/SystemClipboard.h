#pragma once

#include <QPointer>
#include <QWidget>

#include "app/core/Services.h"

namespace lomandra::app {

/// The system clipboard as plain text. On Windows each call opens the clipboard itself, with the
/// main window as its owner, so a clipboard held by another program is reported as a failed
/// attempt; elsewhere the clipboard takes every attempt.
class SystemClipboard : public ClipboardService {
 public:
  bool clear() override;
  bool setText(const QString& text) override;
  /// The window that owns what this puts on the clipboard (the main window).
  void setOwner(QWidget* window) { owner_ = window; }

 private:
  void* ownerHandle() const;
  QPointer<QWidget> owner_;
};

}  // namespace lomandra::app
