#pragma once

// The range box: a small window above the workbook window with the prompt, a reference field,
// OK and Cancel. The field follows the selection in the grid; typing into it selects the cells
// typed.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace lomandra::window {

class RangeBox final : public QWidget {
  Q_OBJECT

 public:
  /// A box owned by (and kept above) `owner`, the workbook window.
  RangeBox(const QString& prompt, QWidget* owner);

  QLineEdit* field() const { return field_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QString problem() const;

  /// Shows an address in the field, selected, so that typing replaces it.
  void setAddress(const QString& address);
  /// Says what is wrong with the typed reference (empty clears it).
  void showProblem(const QString& text);
  /// Gives the field the keyboard focus with its text selected.
  void focusField();
  /// Text typed elsewhere (in the grid) goes into the field as if typed there: it replaces the
  /// selected text, and the field takes the keyboard focus for what follows.
  /// With `replaceAll` it replaces the whole field.
  void typeText(const QString& text, bool replaceAll = false);

 signals:
  void okChosen();
  void cancelChosen();
  /// The user typed into the field.
  void referenceEdited(const QString& text);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* prompt_;
  QLineEdit* field_;
  QLabel* problem_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace lomandra::window
