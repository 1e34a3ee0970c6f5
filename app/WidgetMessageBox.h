#pragma once

#include "app/core/Services.h"

class QMessageBox;

namespace lomandra::app {

/// Message boxes as QMessageBox windows. The style follows the platform's message-box styles:
/// buttons in bits 0-2 (0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No), the icon in bits 4-6
/// (16 critical, 32 question, 48 warning, 64 information); the first button is the default.
/// The text is shown as plain text, each CR, LF or CR LF a line break.
class WidgetMessageBox : public MessageBoxService {
 public:
  int show(const QString& text, int style, const QString& title) override;
};

/// The text as a message box shows it: CR LF, CR and LF each become one line break.
QString messageBoxLines(const QString& text);

/// Wraps a message box's text at spaces only, so that no word is broken over two lines (Qt
/// breaks a web address at its slashes otherwise), as far as the screen allows.
void keepWordsWhole(QMessageBox& box);

}  // namespace lomandra::app
