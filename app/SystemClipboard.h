#pragma once

#include "app/core/Services.h"

namespace lomandra::app {

/// The system clipboard as plain text. On Windows each call opens the clipboard itself, so a
/// clipboard held by another program is reported as a failed attempt; elsewhere the clipboard
/// takes every attempt.
class SystemClipboard : public ClipboardService {
 public:
  bool clear() override;
  bool setText(const QString& text) override;
};

}  // namespace lomandra::app
