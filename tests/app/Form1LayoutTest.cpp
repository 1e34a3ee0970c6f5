// The main window against its design table: captions, places and sizes (twips / 15 at 96 dpi),
// fonts, tool tips, tab order and the fixed window.
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include "tests/app/Form1Harness.h"

namespace lomandra::testing {
namespace {

class Form1Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(harness.form().logicalDpiX(), 96) << "these pixel sizes hold at 96 dpi";
  }
  Form1Layout() { harness.start(); }
  QWidget* control(const char* name) { return harness.form().findChild<QWidget*>(QString::fromLatin1(name)); }
  Form1Harness harness;
};

QString captionOf(QWidget* w) {
  if (auto* b = qobject_cast<QPushButton*>(w)) return b->text();
  if (auto* f = qobject_cast<QGroupBox*>(w)) return f->title();
  if (auto* t = qobject_cast<QLineEdit*>(w)) return t->text();
  if (auto* l = qobject_cast<QTreeView*>(w)) return l->model() ? l->model()->headerData(0, Qt::Horizontal).toString() : QString();
  return {};
}

TEST_F(Form1Layout, EveryControlHasItsCaptionPlaceAndSize) {
  struct Row {
    const char* name;
    const char* container;
    const char* caption;
    QRect pixels;  // left, top, width, height
  } rows[] = {
      {"Frame1", "Form1", "Excel File", {8, 8, 520, 88}},
      {"Text1", "Frame1", "", {16, 20, 441, 23}},
      {"PushButton1", "Frame1", "...", {464, 20, 40, 23}},
      {"PushButton10", "Frame1", "Load Sample/Example File", {16, 50, 240, 27}},
      {"PushButton11", "Frame1", "Clear File", {264, 50, 240, 27}},
      {"ListView1", "Form1", "Range(s)", {8, 103, 520, 105}},
      {"PushButton5", "Form1", "Add Range Of Cells To Merge", {8, 214, 256, 27}},
      {"PushButton6", "Form1", "Delete Selected", {272, 214, 256, 27}},
      {"PushButton7", "Form1", "Clear List", {8, 248, 256, 27}},
      {"PushButton9", "Form1", "Help", {272, 248, 256, 27}},
      {"PushButton2", "Form1", "Start Merging", {8, 282, 520, 27}},
      {"ListView2", "Form1", "Result(s)", {8, 316, 520, 105}},
      {"PushButton4", "Form1", "Save Results As Text File", {8, 427, 256, 27}},
      {"PushButton13", "Form1", "Send Results As Excel File", {272, 427, 256, 27}},
      {"PushButton3", "Form1", "Clear List", {8, 461, 256, 27}},
      {"PushButton8", "Form1", "Copy Results To Clipboard", {272, 461, 256, 27}},
      {"Frame2", "Form1", "Option", {8, 498, 520, 53}},
      {"Combo1", "Frame2", "", {16, 20, 488, 23}},
  };
  for (const Row& row : rows) {
    QWidget* w = control(row.name);
    ASSERT_NE(w, nullptr) << row.name;
    EXPECT_EQ(w->parentWidget()->objectName(), QString::fromLatin1(row.container)) << row.name;
    EXPECT_EQ(captionOf(w), QString::fromLatin1(row.caption)) << row.name;
    EXPECT_EQ(w->geometry(), row.pixels) << row.name;
  }
  EXPECT_EQ(harness.form().findChildren<QPushButton*>().size(), 12);
}

TEST_F(Form1Layout, TheWindowIsFixedWithMinimizeButNoMaximize) {
  app::Form1& form = harness.form();
  EXPECT_EQ(form.size(), QSize(536, 495));
  EXPECT_EQ(form.minimumSize(), QSize(536, 495));
  EXPECT_EQ(form.maximumSize(), QSize(536, 495));
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Lomandra"));
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(control("Frame1")->palette().color(QPalette::Window), QColor(Qt::white));
  // Frame2 lies wholly below the client area.
  EXPECT_GE(control("Frame2")->geometry().top(), form.rect().bottom());
}

TEST_F(Form1Layout, FontsAreArialBold) {
  struct Row {
    const char* name;
    double points;
  } rows[] = {{"Frame1", 9}, {"Frame2", 9}, {"Text1", 9}, {"Combo1", 9}, {"ListView1", 9}, {"ListView2", 9},
              {"PushButton1", 11.25}, {"PushButton5", 11.25}, {"PushButton13", 11.25}};
  for (const Row& row : rows) {
    const QFont font = control(row.name)->font();
    EXPECT_EQ(font.family(), QStringLiteral("Arial")) << row.name;
    EXPECT_DOUBLE_EQ(font.pointSizeF(), row.points) << row.name;
    EXPECT_TRUE(font.bold()) << row.name;
  }
  // Liberation Sans stands in for Arial where Arial is not installed.
  const QString shown = QFontInfo(control("PushButton5")->font()).family();
  EXPECT_TRUE(shown == QStringLiteral("Arial") || shown == QStringLiteral("Liberation Sans")) << shown.toStdString();
}

TEST_F(Form1Layout, TheListsAreOneColumnReportsWithTips) {
  for (const char* name : {"ListView1", "ListView2"}) {
    auto* list = qobject_cast<QTreeView*>(control(name));
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->isHeaderHidden()) << name;
    EXPECT_EQ(list->model()->columnCount(), 1) << name;
    EXPECT_EQ(list->columnWidth(0), 467) << name;  // 7000 twips
    EXPECT_FALSE(list->rootIsDecorated()) << name;
    EXPECT_TRUE(list->uniformRowHeights()) << name;
  }
  EXPECT_EQ(control("ListView1")->toolTip(),
            QStringLiteral("Double-click item to remove it. Move | line to right and out of window to reveal full names."));
  EXPECT_EQ(control("ListView2")->toolTip(),
            QStringLiteral("Move | line to right and out of window to reveal full names."));
  // Result List entries show a check box, checked when added; range entries have none.
  harness.form().resultList().add(QStringLiteral("r"));
  harness.form().rangeList().add(QStringLiteral("'S'!$A$1"));
  harness.form().resultList().flush();
  harness.form().rangeList().flush();
  auto* results = qobject_cast<QTreeView*>(control("ListView2"));
  auto* ranges = qobject_cast<QTreeView*>(control("ListView1"));
  EXPECT_EQ(results->model()->index(0, 0).data(Qt::CheckStateRole), QVariant(Qt::Checked));
  EXPECT_FALSE(ranges->model()->index(0, 0).data(Qt::CheckStateRole).isValid());
}

TEST_F(Form1Layout, TabOrderFollowsTheDesign) {
  const QStringList expected = {"ListView1",   "ListView2",   "PushButton5",  "PushButton6",
                                "PushButton7", "PushButton2", "PushButton4",  "PushButton13",
                                "PushButton3", "Text1",       "PushButton1",  "Combo1",
                                "PushButton8", "PushButton9", "PushButton10", "PushButton11"};
  QStringList order;
  QWidget* w = control("ListView1");
  do {
    if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
    w = w->nextInFocusChain();
  } while (w != control("ListView1") && order.size() < 40);
  // The chain also passes through the window and the list parts (unnamed); keep the controls.
  QStringList controls;
  for (const QString& name : order)
    if (expected.contains(name)) controls << name;
  EXPECT_EQ(controls, expected);
  // Combo1 is out of sight but still takes the focus by Tab.
  EXPECT_TRUE(control("Combo1")->focusPolicy() & Qt::TabFocus);
  EXPECT_TRUE(control("Combo1")->isEnabled());
}

}  // namespace
}  // namespace lomandra::testing
