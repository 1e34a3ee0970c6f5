// Start-up of the real main window: settings restored and written through, the optional
// pointer and skin files, the availability check.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/Main.h"
#include "sheet/numfmt/Locale.h"
#include "tests/app/Form1Harness.h"

namespace lomandra::testing {
namespace {

const QString kAllow = QStringLiteral("Allow duplicates in results");
const QString kRemove = QStringLiteral("Remove duplicates from results");

TEST(Form1Startup, FirstRunShowsTheDefaultsAndReportsNothing) {
  Form1Harness h;
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.controls().Combo1->count(), 2);
  EXPECT_EQ(h.controls().Combo1->itemText(0), kAllow);
  EXPECT_EQ(h.controls().Combo1->itemText(1), kRemove);
  EXPECT_EQ(h.form().optionText(), kAllow);
  EXPECT_EQ(h.form().pathText(), QString());
  EXPECT_TRUE(h.messages.shown.empty());
  EXPECT_EQ(h.form().appTitle(), QStringLiteral("Lomandra"));
  // Selecting the default option wrote it through; the empty path changed nothing.
  EXPECT_EQ(h.stored(QStringLiteral("Option")), kAllow);
  EXPECT_EQ(h.stored(QStringLiteral("Excel File")), QStringLiteral("<absent>"));
  // The availability probe created one instance and let it go without Quit.
  EXPECT_EQ(h.sheets.created, 1);
  EXPECT_EQ(h.sheets.released, 1);
  EXPECT_EQ(h.sheets.quit, 0);
}

TEST(Form1Startup, StoredValuesAreRestoredUnchanged) {
  Form1Harness h;
  h.store(QStringLiteral("Option"), kRemove);
  h.store(QStringLiteral("Excel File"), QStringLiteral("  /gone/No Such Book.xlsx"));
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.form().optionText(), kRemove);
  EXPECT_EQ(h.form().pathText(), QStringLiteral("  /gone/No Such Book.xlsx"));
  EXPECT_TRUE(h.messages.shown.empty());
  EXPECT_EQ(h.stored(QStringLiteral("Option")), kRemove);
}

TEST(Form1Startup, TheLocaleSettingChoosesTheRenderingLocaleAndSurvivesARestart) {
  Form1Harness h;
  ASSERT_TRUE(h.start());
  // A first run writes the key, empty: the system's locale (C in the tests, so en-US).
  EXPECT_EQ(h.stored(QStringLiteral("Locale")), QString());
  EXPECT_TRUE(numfmt::Locale::display()->isEnUS());
  h.store(QStringLiteral("Locale"), QStringLiteral("de-DE"));
  ASSERT_TRUE(h.start());  // the next run
  EXPECT_EQ(numfmt::Locale::display()->tag(), "de-DE");
  EXPECT_EQ(h.stored(QStringLiteral("Locale")), QStringLiteral("de-DE"));
  EXPECT_TRUE(h.reports().isEmpty());
  ASSERT_TRUE(h.start());  // and the one after
  EXPECT_EQ(numfmt::Locale::display()->tag(), "de-DE");
  // A tag that names no locale is reported at line 142; the system's locale is used.
  h.store(QStringLiteral("Locale"), QStringLiteral("xx-QQ"));
  ASSERT_TRUE(h.start());
  EXPECT_TRUE(numfmt::Locale::display()->isEnUS());
  ASSERT_EQ(h.reports().size(), 1);
  EXPECT_TRUE(h.reports().front().contains(QStringLiteral("142"))) << h.reports().front().toStdString();
  EXPECT_EQ(h.stored(QStringLiteral("Locale")), QStringLiteral("xx-QQ"));  // kept as the user wrote it
  numfmt::Locale::setDisplay(numfmt::Locale::enUS());
}

TEST(Form1Startup, ATypedPathIsStoredAtEveryKeystrokeAndComesBackAtTheNextStart) {
  Form1Harness h;
  ASSERT_TRUE(h.startShown());
  const QString path = QStringLiteral("/d/b.xls");
  QStringList storedAfterEachKey;
  for (const QChar ch : path) {
    h.type(h.controls().Text1, QString(ch));
    storedAfterEachKey << h.stored(QStringLiteral("Excel File"));
  }
  EXPECT_EQ(storedAfterEachKey, (QStringList{"/", "/d", "/d/", "/d/b", "/d/b.", "/d/b.x", "/d/b.xl", "/d/b.xls"}));
  QTest::keyClick(h.controls().Text1, Qt::Key_Backspace);
  EXPECT_EQ(h.stored(QStringLiteral("Excel File")), QStringLiteral("/d/b.xl"));
  ASSERT_TRUE(h.start());  // the next run
  EXPECT_EQ(h.form().pathText(), QStringLiteral("/d/b.xl"));
}

TEST(Form1Startup, ClearingThePathStoresTheEmptyText) {
  Form1Harness h;
  h.store(QStringLiteral("Excel File"), QStringLiteral("/a.xls"));
  ASSERT_TRUE(h.start());
  h.form().setPathText(QString());
  EXPECT_EQ(h.stored(QStringLiteral("Excel File")), QString());
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.form().pathText(), QString());
}

TEST(Form1Startup, ChoosingAnOptionIsStored) {
  Form1Harness h;
  ASSERT_TRUE(h.start());
  h.controls().Combo1->setCurrentIndex(1);
  EXPECT_EQ(h.stored(QStringLiteral("Option")), kRemove);
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.form().optionText(), kRemove);
}

TEST(Form1Startup, AStoredOptionMatchingNoEntryGivesOneReportAndStartUpGoesOn) {
  Form1Harness h;
  h.store(QStringLiteral("Option"), QStringLiteral("allow duplicates in results"));  // wrong case
  h.store(QStringLiteral("Excel File"), QStringLiteral("/still/restored.xls"));
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.reports(), QStringList{QStringLiteral(
                             "Form_Load@140: Invalid property value: \"allow duplicates in results\" is "
                             "not one of the choices of the option list.")});
  EXPECT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.controls().Combo1->currentIndex(), -1);
  EXPECT_EQ(h.form().optionText(), QString());
  EXPECT_EQ(h.form().pathText(), QStringLiteral("/still/restored.xls"));  // line 142 ran
  EXPECT_EQ(h.sheets.created, 1);                                        // and line 144
  // Nothing was saved for "Option" during start-up.
  EXPECT_EQ(h.stored(QStringLiteral("Option")), QStringLiteral("allow duplicates in results"));
}

TEST(Form1Startup, WithoutPointerAndSkinFilesNothingIsReportedAndTheWindowStaysWhite) {
  Form1Harness h;
  ASSERT_TRUE(h.startShown());
  EXPECT_TRUE(h.messages.shown.empty());
  EXPECT_FALSE(h.form().customPointerImage().has_value());
  EXPECT_TRUE(h.form().styleSheet().isEmpty());
  const QImage shot = h.form().grab().toImage();
  EXPECT_EQ(shot.pixelColor(3, 3), QColor(Qt::white));
  EXPECT_EQ(shot.pixelColor(300, 30), QColor(Qt::white));  // inside Frame1, between its controls
}

TEST(Form1Startup, TheShippedPointerAndSkinAreLoaded) {
  Form1Harness h;
  h.placeShippedFiles();
  ASSERT_TRUE(h.startShown());
  EXPECT_TRUE(h.messages.shown.empty()) << h.messages.texts().join(QLatin1Char('\n')).toStdString();
  ASSERT_TRUE(h.form().customPointerImage().has_value());
  EXPECT_EQ(h.form().customPointerImage()->hotSpot(), QPoint(6, 0));
  EXPECT_FALSE(h.form().styleSheet().isEmpty());
  // The window takes the skin's surface colour.
  EXPECT_EQ(h.form().grab().toImage().pixelColor(3, 3), QColor(QStringLiteral("#eaf1f2")));
}

TEST(Form1Startup, ASkinGivesTheWindowAndFramesTheButtonFaceThenItsOwnColours) {
  Form1Harness h;
  h.placeProgramFile(QStringLiteral("x/o.cjs"), "QPushButton { color: #102030; }");  // no surface colour
  ASSERT_TRUE(h.startShown());
  const QColor buttonFace = QApplication::palette().color(QPalette::Button);
  EXPECT_EQ(h.form().palette().color(QPalette::Window), buttonFace);
  EXPECT_EQ(h.controls().Frame1->palette().color(QPalette::Window), buttonFace);
  EXPECT_EQ(h.controls().Frame2->palette().color(QPalette::Window), buttonFace);
  EXPECT_EQ(h.form().grab().toImage().pixelColor(3, 3), buttonFace);
  EXPECT_EQ(h.controls().PushButton5->palette().color(QPalette::ButtonText), QColor(QStringLiteral("#102030")));

  Form1Harness painted;
  painted.placeProgramFile(QStringLiteral("x/o.cjs"), "QWidget#Form1 { background-color: #123456; }");
  ASSERT_TRUE(painted.startShown());
  EXPECT_EQ(painted.form().grab().toImage().pixelColor(3, 3), QColor(QStringLiteral("#123456")));
}

TEST(Form1Startup, ASkinFolderInPlaceOfTheFileIsNoSkin) {
  Form1Harness h;
  h.placeProgramFile(QStringLiteral("x/o.cjs/inner"), "QWidget#Form1 { background-color: #123456; }");
  ASSERT_TRUE(h.start());
  EXPECT_TRUE(h.messages.shown.empty());
  EXPECT_EQ(h.form().palette().color(QPalette::Window), QColor(Qt::white));
}

TEST(Form1Startup, ADamagedPointerFileIsReportedAtLine106) {
  Form1Harness h;
  h.placeProgramFile(QStringLiteral("HAND-M.CUR"), "not a cursor");
  ASSERT_TRUE(h.start());
  const QString path = h.programFolder() + QStringLiteral("/HAND-M.CUR");
  EXPECT_EQ(h.reports(),
            QStringList{QStringLiteral("Form_Load@106: The pointer file \"") + path + QStringLiteral("\" is not a cursor file.")});
  EXPECT_FALSE(h.form().customPointerImage().has_value());
  EXPECT_EQ(h.form().windowTitle(), QStringLiteral("Lomandra"));  // line 126 ran
}

TEST(Form1Startup, WithoutTheSpreadsheetApplicationTheMessageShowsAndTheWindowNeverDoes) {
  Form1Harness h;
  h.sheets.failing.insert(QStringLiteral("create"));
  EXPECT_FALSE(h.start());
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].text,
            QStringLiteral(
                "Error 842001. A normal instance of Excel could not be created.\r\n\r\n"
                "1. Please make sure Excel is installed on this computer.\r\n\r\n"
                "2. Please open Excel normally and make sure a blank spreadsheet opens immediately without any "
                "interrupting window (such as an Excel file recovery window).\r\n\r\n"
                "3. Please make sure that when you double-click on a XLS or XLSX file that Excel opens normally "
                "without any interrupting messages.\r\n\r\n"
                "4. All versions of Excel are supported by this software except for the rare Excel Starter and "
                "Student editions."));
  EXPECT_EQ(h.messages.shown[0].style, mb::OkOnly);
  EXPECT_EQ(h.messages.shown[0].title, QStringLiteral("Lomandra"));
  EXPECT_FALSE(h.form().isVisible());
  EXPECT_TRUE(h.reports().isEmpty());
}

TEST(Form1Startup, ClosingTheWindowEndsTheProgram) {
  Form1Harness h;
  ASSERT_TRUE(h.startShown());
  h.form().resultList().add(QStringLiteral("unsaved"));
  int unloads = 0;
  QObject::connect(&h.form(), &app::Form1::unloaded, [&] { ++unloads; });
  EXPECT_TRUE(h.form().close());
  EXPECT_EQ(unloads, 1);
  EXPECT_TRUE(h.messages.shown.empty());
}

TEST(Form1Startup, AFailedSettingsSaveNeitherEndsTheProgramNorLosesTheOtherValue) {
  Form1Harness h;
  h.store(QStringLiteral("Option"), kRemove);
  ASSERT_TRUE(h.start());
  // The store's file becomes a folder: nothing can be written or read there any more.
  const QString file = h.settings->location(app::kSettingsApplication);
  ASSERT_TRUE(QFile::rename(file, file + QStringLiteral(".saved")));
  ASSERT_TRUE(QDir().mkpath(file));
  h.form().setPathText(QStringLiteral("/x.xls"));
  EXPECT_EQ(h.form().pathText(), QStringLiteral("/x.xls"));
  EXPECT_TRUE(h.messages.shown.empty());
  ASSERT_TRUE(QDir(file).removeRecursively());
  ASSERT_TRUE(QFile::rename(file + QStringLiteral(".saved"), file));
  EXPECT_EQ(h.stored(QStringLiteral("Option")), kRemove);
  h.form().setPathText(QStringLiteral("/y.xls"));  // the next change stores again
  EXPECT_EQ(h.stored(QStringLiteral("Excel File")), QStringLiteral("/y.xls"));
  EXPECT_EQ(h.stored(QStringLiteral("Option")), kRemove);
}

}  // namespace
}  // namespace lomandra::testing
