#pragma once

#include "app/core/Services.h"

namespace lomandra::app {

/// `CommonDialog1` as a QFileDialog. The save dialog asks before replacing a file only when the
/// flags ask for it (2, "overwrite prompt").
class WidgetFileDialog : public CommonDialog {
 public:
  void showOpen() override;
  void showSave() override;
};

/// The dialog's "Caption|pattern|Caption|pattern" filter as Qt's "Caption (patterns);;...":
/// patterns separated by ';' become space separated, and "*.*" matches every file.
QString qtFileFilter(const QString& filter);

}  // namespace lomandra::app
