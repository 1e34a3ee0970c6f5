#pragma once

#include <QString>

class QWidget;

namespace lomandra::app {

/// `SkinFramework1`, the main window's skin component. A skin file is a Qt style sheet
/// (UTF-8); applying it styles the window and every control on it.
class SkinFramework {
 public:
  /// Skin files larger than this are refused.
  static constexpr qint64 kLargestSkin = 1024 * 1024;

  /// Loads the skin file at `path`; throws lomandra::Failure when it cannot be read.
  void loadSkin(const QString& path);
  /// Applies the loaded skin to `window` (nothing when no skin was loaded).
  void applyWindow(QWidget& window) const;
  /// The loaded style sheet.
  const QString& styleSheet() const { return styleSheet_; }

 private:
  QString styleSheet_;
};

}  // namespace lomandra::app
