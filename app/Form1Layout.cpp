#include "app/Form1Layout.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QWidget>
#include <cmath>

namespace lomandra::app {

int twipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

std::vector<QPushButton*> Form1Controls::buttons() const {
  return {PushButton1, PushButton2, PushButton3, PushButton4,  PushButton5,  PushButton6,
          PushButton7, PushButton8, PushButton9, PushButton10, PushButton11, PushButton13};
}

namespace {

// Frames, the path box, the option list and the lists: Arial 9 pt bold. Buttons: 11.25 pt bold.
QFont controlFont(double points) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(points);
  font.setBold(true);
  return font;
}

void paintWhite(QWidget& widget) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, Qt::white);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

class Builder {
 public:
  Builder(QWidget& form, double dpi) : form_(form), dpi_(dpi) {}

  int px(int twips) const { return twipsToPixels(twips, dpi_); }

  template <typename Control>
  Control* place(QWidget& container, const char* name, int left, int top, int width, int height,
                 double points) {
    auto* control = new Control(&container);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(px(left), px(top), px(width), px(height));
    control->setFont(controlFont(points));
    return control;
  }

  QPushButton* button(QWidget& container, const char* name, const char* caption, int left, int top,
                      int width, int height) {
    auto* control = place<QPushButton>(container, name, left, top, width, height, 11.25);
    control->setText(QString::fromLatin1(caption));
    control->setAutoDefault(false);
    return control;
  }

  QGroupBox* frame(const char* name, const char* caption, int left, int top, int width, int height) {
    auto* control = place<QGroupBox>(form_, name, left, top, width, height, 9);
    control->setTitle(QString::fromLatin1(caption));
    paintWhite(*control);
    return control;
  }

  QTreeView* list(const char* name, int left, int top, int width, int height, const char* tip) {
    auto* control = place<QTreeView>(form_, name, left, top, width, height, 9);
    control->setRootIsDecorated(false);
    control->setUniformRowHeights(true);
    control->setItemsExpandable(false);
    control->setAllColumnsShowFocus(true);
    control->setSelectionMode(QAbstractItemView::SingleSelection);
    control->setSelectionBehavior(QAbstractItemView::SelectRows);
    control->setEditTriggers(QAbstractItemView::NoEditTriggers);
    control->header()->setStretchLastSection(false);
    control->header()->setSectionsMovable(false);
    control->setToolTip(QString::fromLatin1(tip));
    return control;
  }

 private:
  QWidget& form_;
  double dpi_;
};

}  // namespace

Form1Controls buildForm1(QWidget& form, double dpi) {
  Builder b(form, dpi);
  form.setObjectName(QStringLiteral("Form1"));
  form.setWindowTitle(QStringLiteral("Form1"));
  form.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                      Qt::MSWindowsFixedSizeDialogHint);
  form.setFixedSize(b.px(8040), b.px(7425));
  paintWhite(form);

  // Created in tab order, so the focus chain already runs as designed.
  Form1Controls c;
  c.ListView1 = b.list("ListView1", 120, 1540, 7800, 1575,
                       "Double-click item to remove it. Move | line to right and out of window "
                       "to reveal full names.");
  c.ListView2 = b.list("ListView2", 120, 4740, 7800, 1575,
                       "Move | line to right and out of window to reveal full names.");
  c.PushButton5 = b.button(form, "PushButton5", "Add Range Of Cells To Merge", 120, 3210, 3840, 405);
  c.PushButton6 = b.button(form, "PushButton6", "Delete Selected", 4080, 3210, 3840, 405);
  c.PushButton7 = b.button(form, "PushButton7", "Clear List", 120, 3720, 3840, 405);
  c.PushButton2 = b.button(form, "PushButton2", "Start Merging", 120, 4230, 7800, 405);
  c.PushButton4 = b.button(form, "PushButton4", "Save Results As Text File", 120, 6405, 3840, 405);
  c.PushButton13 = b.button(form, "PushButton13", "Send Results As Excel File", 4080, 6405, 3840, 405);
  c.PushButton3 = b.button(form, "PushButton3", "Clear List", 120, 6915, 3840, 405);
  c.Frame1 = b.frame("Frame1", "Excel File", 120, 120, 7800, 1320);
  c.Text1 = b.place<QLineEdit>(*c.Frame1, "Text1", 240, 300, 6620, 345, 9);
  c.PushButton1 = b.button(*c.Frame1, "PushButton1", "...", 6960, 300, 600, 345);
  // Frame2 starts below the client area: out of sight, but Combo1 keeps its tab stop and choice.
  c.Frame2 = b.frame("Frame2", "Option", 120, 7470, 7800, 800);
  c.Combo1 = b.place<QComboBox>(*c.Frame2, "Combo1", 240, 300, 7320, 345, 9);
  c.Combo1->setEditable(false);
  c.PushButton8 = b.button(form, "PushButton8", "Copy Results To Clipboard", 4080, 6915, 3840, 405);
  c.PushButton9 = b.button(form, "PushButton9", "Help", 4080, 3720, 3840, 405);
  c.PushButton10 = b.button(*c.Frame1, "PushButton10", "Load Sample/Example File", 240, 750, 3600, 405);
  c.PushButton11 = b.button(*c.Frame1, "PushButton11", "Clear File", 3960, 750, 3600, 405);

  const std::vector<QWidget*> tabOrder = {
      c.ListView1,   c.ListView2,   c.PushButton5, c.PushButton6, c.PushButton7,
      c.PushButton2, c.PushButton4, c.PushButton13, c.PushButton3, c.Text1,
      c.PushButton1, c.Combo1,      c.PushButton8, c.PushButton9, c.PushButton10,
      c.PushButton11};
  for (size_t i = 1; i < tabOrder.size(); ++i) QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
  return c;
}

}  // namespace lomandra::app
