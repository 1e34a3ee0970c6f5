#pragma once

#include <vector>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeView;
class QWidget;

namespace lomandra::app {

/// Converts a length in twips (1440 to the inch) to pixels at `dpi` dots per inch.
int twipsToPixels(int twips, double dpi);

/// The controls of the main window, under their design names.
struct Form1Controls {
  QGroupBox* Frame1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* PushButton1 = nullptr;
  QPushButton* PushButton10 = nullptr;
  QPushButton* PushButton11 = nullptr;
  QTreeView* ListView1 = nullptr;
  QPushButton* PushButton5 = nullptr;
  QPushButton* PushButton6 = nullptr;
  QPushButton* PushButton7 = nullptr;
  QPushButton* PushButton9 = nullptr;
  QPushButton* PushButton2 = nullptr;
  QTreeView* ListView2 = nullptr;
  QPushButton* PushButton4 = nullptr;
  QPushButton* PushButton13 = nullptr;
  QPushButton* PushButton3 = nullptr;
  QPushButton* PushButton8 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QComboBox* Combo1 = nullptr;

  /// Every command button.
  std::vector<QPushButton*> buttons() const;
};

/// Builds the main window as designed: its fixed size, white surface, and every control with
/// its caption, place, size, font, tool tip and tab order, lengths converted at `dpi`.
/// The lists get their models and columns at start-up, not here.
Form1Controls buildForm1(QWidget& form, double dpi);

}  // namespace lomandra::app
