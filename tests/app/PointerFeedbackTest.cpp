// Pointer kinds on the main window, the pointer-move rules and the help notice.
#include <QComboBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/PointerFeedback.h"
#include "tests/app/Form1Harness.h"

namespace lomandra::testing {
namespace {

// Every widget of the window, the window included.
QList<QWidget*> allWidgets(app::Form1& form) {
  QList<QWidget*> widgets = form.findChildren<QWidget*>();
  widgets.prepend(&form);
  return widgets;
}

TEST(PointerKinds, HourglassAndHandGovernTheWholeWindowAndDefaultRestoresEachControlsOwn) {
  Form1Harness h;
  ASSERT_TRUE(h.start());
  app::Form1& form = h.form();
  ASSERT_EQ(h.controls().Text1->cursor().shape(), Qt::IBeamCursor);

  form.setMousePointer(pointer::Hourglass);
  EXPECT_EQ(form.mousePointer(), 11);
  for (QWidget* w : allWidgets(form)) {
    if (!w->isWindow() || w == &form) {
      EXPECT_EQ(w->cursor().shape(), Qt::WaitCursor) << w->metaObject()->className();
    }
  }

  form.setMousePointer(pointer::Custom);  // no hand loaded: the platform's pointing hand
  for (QWidget* w : allWidgets(form)) {
    if (!w->isWindow() || w == &form) {
      EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor) << w->metaObject()->className();
    }
  }

  form.setMousePointer(pointer::Default);
  EXPECT_EQ(h.controls().Text1->cursor().shape(), Qt::IBeamCursor);
  EXPECT_EQ(h.controls().PushButton5->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(h.controls().ListView1->viewport()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

TEST(PointerKinds, TheLoadedHandShowsForTheCustomKind) {
  Form1Harness h;
  h.placeProgramFile(QStringLiteral("HAND-M.CUR"), Form1Harness::shippedFile(QStringLiteral("HAND-M.CUR")));
  ASSERT_TRUE(h.start());
  h.form().setMousePointer(pointer::Custom);
  const QCursor shown = h.controls().PushButton9->cursor();
  EXPECT_EQ(shown.shape(), Qt::BitmapCursor);
  EXPECT_EQ(shown.hotSpot(), QPoint(6, 0));
}

class PointerMoves : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.startShown()); }
  // Moves the pointer to a point of `widget` and returns the window's pointer kind after it.
  int moveTo(QWidget* widget, QPoint at = {}) {
    QTest::mouseMove(widget, at.isNull() ? widget->rect().center() : at);
    return h.form().mousePointer();
  }
  Form1Harness h;
};

TEST_F(PointerMoves, HandOverEveryButtonArrowElsewhere) {
  const app::Form1Controls& c = h.controls();
  for (QPushButton* button : c.buttons()) {
    EXPECT_EQ(moveTo(&h.form(), {3, 3}), 0);
    if (!button->isVisibleTo(&h.form()) || button->geometry().top() > 495) continue;
    EXPECT_EQ(moveTo(button), 99) << button->objectName().toStdString();
  }
  struct Row {
    const char* where;
    QWidget* widget;
    QPoint at;
    int kind;
  } rows[] = {
      {"PushButton5", c.PushButton5, {}, 99},
      {"the window's surface", &h.form(), {3, 300}, 0},
      {"PushButton5 again", c.PushButton5, {}, 99},
      {"Text1", c.Text1, {}, 0},
      {"PushButton1 inside Frame1", c.PushButton1, {}, 99},
      {"Frame1's surface", c.Frame1, {5, 46}, 0},
      {"PushButton10", c.PushButton10, {}, 99},
      {"ListView1", c.ListView1->viewport(), {}, 0},
      {"PushButton2", c.PushButton2, {}, 99},
      {"ListView2's header", c.ListView2->header(), {}, 0},
      {"PushButton8", c.PushButton8, {}, 99},
      {"ListView2", c.ListView2->viewport(), {}, 0},
  };
  for (const Row& row : rows) EXPECT_EQ(moveTo(row.widget, row.at), row.kind) << row.where;
}

TEST_F(PointerMoves, TheHourglassIsNeverDisturbed) {
  h.form().setMousePointer(pointer::Hourglass);
  for (QWidget* w : std::initializer_list<QWidget*>{h.controls().PushButton5, &h.form(), h.controls().Text1,
                                                    h.controls().ListView1->viewport(), h.controls().PushButton13}) {
    EXPECT_EQ(moveTo(w), 11) << w->objectName().toStdString();
    EXPECT_EQ(w->cursor().shape(), Qt::WaitCursor);
  }
  h.form().setMousePointer(pointer::Default);
  EXPECT_EQ(moveTo(h.controls().PushButton4), 99);
}

TEST_F(PointerMoves, TheOptionListChangesNothingButItsFrameGivesTheArrow) {
  // Frame2 and Combo1 lie out of sight, so their notifications are sent directly.
  h.form().setMousePointer(pointer::Custom);
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(h.controls().Combo1, &move);
  EXPECT_EQ(h.form().mousePointer(), 99);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(h.controls().Combo1, &enter);
  EXPECT_EQ(h.form().mousePointer(), 99);
  QCoreApplication::sendEvent(h.controls().Frame2, &move);
  EXPECT_EQ(h.form().mousePointer(), 0);
}

TEST_F(PointerMoves, ClickingAButtonStillWorksUnderTheHand) {
  EXPECT_EQ(moveTo(h.controls().PushButton9), 99);
  h.click(h.controls().PushButton9);
  EXPECT_EQ(h.notices().size(), 1);
}

TEST(Help, EachPressShowsTheContactNotice) {
  Form1Harness h;
  ASSERT_TRUE(h.startShown());
  h.click(h.controls().PushButton9);
  h.click(h.controls().PushButton9);
  ASSERT_EQ(h.messages.shown.size(), 2u);
  for (const auto& box : h.messages.shown) {
    // The page is a build setting (LOMANDRA_CONTACT_PAGE).
    EXPECT_EQ(box.text, QStringLiteral("Questions? Please contact Team Quillbrook at ") + app::kContactPage);
    EXPECT_EQ(box.style, mb::OkOnly);
    EXPECT_EQ(box.title, QStringLiteral("Lomandra"));
  }
}

TEST(Help, AFailingNoticeIsReportedAtLine100) {
  Form1Harness h;
  ASSERT_TRUE(h.startShown());
  bool first = true;
  h.messages.onShow = [&](const fakes::FakeMessageBox::Shown&) {
    if (first) {
      first = false;
      throw std::runtime_error("The message box could not be shown.");
    }
  };
  h.click(h.controls().PushButton9);
  EXPECT_EQ(h.reports(), QStringList{QStringLiteral("PushButton9_Click@100: The message box could not be shown.")});
}

}  // namespace
}  // namespace lomandra::testing
