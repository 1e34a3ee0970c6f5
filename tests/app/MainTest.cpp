// The shell's small rules: FileExists, the application title, twips, file filters, message-box
// lines, key codes and the availability message.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/Form1Layout.h"
#include "app/IsInstalled.h"
#include "app/KeyCodes.h"
#include "app/Main.h"
#include "app/WidgetFileDialog.h"
#include "app/WidgetMessageBox.h"

namespace lomandra::app {
namespace {

TEST(FileExists, TrueOnlyWhenTheModificationTimeCanBeRead) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("HAND-M.CUR"));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  struct Row {
    const char* name;
    QString path;
    bool exists;
  } rows[] = {
      {"an existing file", file, true},
      {"a folder", dir.path(), true},
      {"a missing file", dir.filePath(QStringLiteral("missing.cur")), false},
      {"a file under a missing folder", dir.filePath(QStringLiteral("no/HAND-M.CUR")), false},
      {"a file used as a folder", file + QStringLiteral("/x"), false},
      {"the empty path", QString(), false},
      {"a pattern", dir.filePath(QStringLiteral("*.CUR")), false},
      {"a path with a NUL", file + QChar(0) + QStringLiteral("x"), false},
  };
  for (const Row& row : rows) EXPECT_EQ(FileExists(row.path), row.exists) << row.name;
}

TEST(AppTitleFor, CutsAtTheLastSpaceUntilFortyCharactersOrFewer) {
  const QString forty = QString(40, QLatin1Char('a'));
  const QString fortyOne = QString(41, QLatin1Char('b'));
  struct Row {
    const char* name;
    QString product, title;
  } rows[] = {
      {"one word is kept whole", QStringLiteral("Lomandra"), QStringLiteral("Lomandra")},
      {"two words lose the last", QStringLiteral("Quillbrook Lomandra"), QStringLiteral("Quillbrook")},
      {"a short name still loses its last word", QStringLiteral("A B C"), QStringLiteral("A B")},
      {"a trailing space cuts nothing else", QStringLiteral("Lomandra "), QStringLiteral("Lomandra")},
      {"a leading space leaves nothing", QStringLiteral(" Lomandra"), QString()},
      {"exactly forty after the cut stays", forty + QStringLiteral(" tail"), forty},
      {"forty-one after the cut is cut again", QStringLiteral("x ") + QString(39, QLatin1Char('y')) + QStringLiteral(" z"),
       QStringLiteral("x")},
      {"long words lose words until short enough",
       QStringLiteral("Lomandra the very long product name for merging ranges"),
       QStringLiteral("Lomandra the very long product name for")},
      {"a long single word left after a cut stays", fortyOne + QStringLiteral(" end"), fortyOne},
      {"the empty name", QString(), QString()},
  };
  for (const Row& row : rows) EXPECT_EQ(AppTitleFor(row.product), row.title) << row.name;
}

TEST(TwipsToPixels, FifteenTwipsToAPixelAt96Dpi) {
  struct Row {
    int twips;
    double dpi;
    int pixels;
  } rows[] = {{8040, 96, 536}, {7425, 96, 495}, {7000, 96, 467}, {1540, 96, 103},
              {800, 96, 53},   {0, 96, 0},      {1440, 120, 120}, {7000, 144, 700}};
  for (const Row& row : rows)
    EXPECT_EQ(twipsToPixels(row.twips, row.dpi), row.pixels) << row.twips << " twips at " << row.dpi;
}

TEST(QtFileFilter, TranslatesCaptionPatternPairs) {
  struct Row {
    const char* name;
    QString filter, qt;
  } rows[] = {
      {"one pair", QStringLiteral("Text Files (*.txt)|*.txt"), QStringLiteral("Text Files (*.txt) (*.txt)")},
      {"several patterns", QStringLiteral("Excel Files|*.xls;*.xlsx;*.xlsm|"),
       QStringLiteral("Excel Files (*.xls *.xlsx *.xlsm)")},
      {"all files", QStringLiteral("Text (*.txt)|*.txt|All Files (*.*)|*.*"),
       QStringLiteral("Text (*.txt) (*.txt);;All Files (*.*) (*)")},
      {"a caption without a pattern", QStringLiteral("Anything|"), QStringLiteral("Anything (*)")},
      {"empty", QString(), QString()},
  };
  for (const Row& row : rows) EXPECT_EQ(qtFileFilter(row.filter), row.qt) << row.name;
}

TEST(MessageBoxLines, EveryKindOfLineEndIsOneBreak) {
  EXPECT_EQ(messageBoxLines(QStringLiteral("a\r\nb\r\rc\nd")), QStringLiteral("a\nb\n\nc\nd"));
  EXPECT_EQ(messageBoxLines(QStringLiteral("\r\nx")), QStringLiteral("\nx"));
}

// The Help notice's web address stays whole on one line: lines break at spaces only, and the
// box is wide enough for each.
TEST(MessageBoxLines, NoWordIsBrokenOverTwoLines) {
  const QString address = QStringLiteral("https://www.quillbrook.example/contact/lomandra/help-and-support");
  const QString text = QStringLiteral("Questions? Please contact Team Quillbrook at ") + address;
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Lomandra"), text);
  keepWordsWhole(box);
  box.show();
  QApplication::processEvents();
  const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(QString(label->text()).replace(QLatin1Char('\n'), QLatin1Char(' ')), text);
  EXPECT_TRUE(label->text().endsWith(QLatin1Char('\n') + address) || label->text() == text);
  EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(address));
}

TEST(WindowsKeyCode, MapsTheKeysHandlersTest) {
  struct Row {
    int qt, code;
  } rows[] = {{Qt::Key_Delete, 46}, {Qt::Key_A, 65},  {Qt::Key_Z, 90},     {Qt::Key_0, 48},
              {Qt::Key_Return, 13}, {Qt::Key_Enter, 13}, {Qt::Key_Escape, 27}, {Qt::Key_F1, 112},
              {Qt::Key_Down, 40},   {Qt::Key_Backspace, 8}, {Qt::Key_Insert, 45}, {Qt::Key_Eacute, 0}};
  for (const Row& row : rows) EXPECT_EQ(windowsKeyCode(row.qt), row.code) << row.qt;
}

TEST(NotInstalledMessage, IsTheFiveParagraphsJoinedByBlankLines) {
  const QString message = notInstalledMessage();
  EXPECT_TRUE(message.startsWith(
      QStringLiteral("Error 842001. A normal instance of Excel could not be created.\r\n\r\n1. Please make sure Excel "
                     "is installed on this computer.\r\n\r\n2. Please open Excel normally")));
  EXPECT_TRUE(message.endsWith(QStringLiteral(
      "interrupting messages.\r\n\r\n4. All versions of Excel are supported by this software except for the rare "
      "Excel Starter and Student editions.")));
  EXPECT_EQ(message.count(QStringLiteral("\r\n\r\n")), 4);
  EXPECT_EQ(message.count(QLatin1Char('\r')), 8);
}

}  // namespace
}  // namespace lomandra::app
