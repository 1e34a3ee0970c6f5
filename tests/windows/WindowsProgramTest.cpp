// The whole program on Windows: the real main window, driven through its harness, with the
// spreadsheet application behind COM automation (the fake, in its own process per instance), the
// Windows clipboard and the registry's Settings Store. The dialogs and message boxes answer from
// the harness's script, as the user would.
//
// scripts/windows-program-tests prepares the cases file (LOMANDRA_WINDOWS_CASES, UTF-8, fields
// parted by TAB) from the Linux build of lomandra-merge:
//   sample    <the sample workbook of the program folder>
//   switches  <FakeExcel.switches beside the fake>       record <the fake's record file>
//   book      <the sample's cells for the fake>
//   pick      <Range Reference> <lomandra-merge --json texts of it>     (one line per pick)
//   save      <lomandra-merge --save of every pick, in the ANSI code page>
//   clipboard <lomandra-merge --clipboard of every pick>
#include <windows.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/SpreadsheetApplication.h"
#include "app/SystemClipboard.h"
#include "app/core/SettingsStore.h"
#include "tests/app/Form1Harness.h"

/// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lomandra::testing {
namespace {

QByteArray readBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    qFatal("cannot write %s", qUtf8Printable(path));
}

struct Pick {
  QString reference;
  QStringList texts;
};

struct Cases {
  QString sample, switches, record, book, save, clipboard;
  std::vector<Pick> picks;

  static Cases read() {
    Cases cases;
    const QByteArray file = readBytes(qEnvironmentVariable("LOMANDRA_WINDOWS_CASES"));
    for (const QByteArray& line : file.split('\n')) {
      const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
      const QString& kind = fields.front();
      if (kind == QStringLiteral("pick") && fields.size() == 3) {
        Pick pick{fields[1], {}};
        for (const auto& text : QJsonDocument::fromJson(fields[2].toUtf8()).array())
          pick.texts << text.toString();
        cases.picks.push_back(pick);
      } else if (fields.size() == 2) {
        QString* field = kind == QStringLiteral("sample")      ? &cases.sample
                         : kind == QStringLiteral("switches")  ? &cases.switches
                         : kind == QStringLiteral("record")    ? &cases.record
                         : kind == QStringLiteral("book")      ? &cases.book
                         : kind == QStringLiteral("save")      ? &cases.save
                         : kind == QStringLiteral("clipboard") ? &cases.clipboard
                                                               : nullptr;
        if (field) *field = fields[1];
      }
    }
    return cases;
  }
};

/// The text on the Windows clipboard, read through Win32 as another program would paste it.
QString windowsClipboardText() {
  QString text;
  if (!OpenClipboard(nullptr)) return QStringLiteral("<clipboard not opened>");
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = QString::fromWCharArray(chars);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

/// What the fake recorded of the spreadsheet export: "row,column=value" for every Value written
/// (value as the fake describes it), and "AutoFit" for the column fit, in order.
QStringList exportWrites(const QByteArray& record) {
  static const QRegularExpression cells(QStringLiteral(R"(^Worksheet\.Cells\((\d+),(\d+)\)$)"));
  static const QRegularExpression value(QStringLiteral(R"(^Range\(\$[A-Z]+\$\d+\)\.Value=(.*)$)"));
  QStringList writes;
  QString at;
  bool exporting = false;
  for (const QByteArray& raw : record.split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line == QStringLiteral("Workbooks.Add()")) exporting = true;
    if (!exporting) continue;
    if (const auto m = cells.match(line); m.hasMatch()) at = m.captured(1) + ',' + m.captured(2);
    else if (const auto v = value.match(line); v.hasMatch()) writes << at + '=' + v.captured(1);
    else if (line == QStringLiteral("Columns.AutoFit()")) writes << QStringLiteral("AutoFit");
  }
  return writes;
}

/// The value the fake records for a text written to a cell: a number exactly when the
/// spreadsheet application's General format shows it as that text, else the text behind the
/// text prefix.
bool writtenAs(const QString& described, const QString& text) {
  if (described == QStringLiteral("\"'") + text + QLatin1Char('"')) return true;
  if (!described.startsWith(QStringLiteral("R8:"))) return false;
  bool ok = false;
  const double number = described.mid(3).toDouble(&ok);
  return ok && QString::number(number, 'g', 15) == text;
}

class WindowsProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    cases = Cases::read();
    ASSERT_FALSE(cases.sample.isEmpty()) << "LOMANDRA_WINDOWS_CASES names no cases";
    ASSERT_EQ(cases.picks.size(), 2u);
    harness.system.automation = automation.get();
    harness.system.clipboard = &clipboard;
    harness.system.settings = &settings;
    // The files of the deployed program folder: the sample, the hand pointer (read through
    // the deployed image-format plugin) and the skin.
    const QDir deployed(QFileInfo(cases.sample).dir().filePath(QStringLiteral("..")));
    for (const QString& name : {QStringLiteral("Samples/sample1.xls"), QStringLiteral("HAND-M.CUR"),
                               QStringLiteral("x/o.cjs")}) {
      const QByteArray bytes = readBytes(deployed.filePath(name));
      ASSERT_FALSE(bytes.isEmpty()) << name.toStdString();
      harness.placeProgramFile(name, bytes);
    }
    QFile::remove(cases.record);
  }
  void TearDown() override { QFile::remove(cases.switches); }

  /// The switches every new instance of the fake starts with (a new process per Create).
  void fakeSwitches(const QString& more = {}) {
    QString text = QStringLiteral("book=") + cases.book + QStringLiteral(";record=") + cases.record;
    if (!more.isEmpty()) text += QLatin1Char(';') + more;
    writeBytes(cases.switches, text.toUtf8());
  }

  QString samplePath() const {
    return QDir::toNativeSeparators(harness.programFolder() + QStringLiteral("/Samples/sample1.xls"));
  }

  /// Load Sample, then one pick per case, then Start Merging.
  void mergeThePicks() {
    harness.click(harness.controls().PushButton10);
    ASSERT_EQ(harness.form().pathText(), samplePath());
    for (const Pick& pick : cases.picks) {
      fakeSwitches(QStringLiteral("pick=") + pick.reference);
      harness.click(harness.controls().PushButton5);
    }
    fakeSwitches();
    harness.click(harness.controls().PushButton2);
  }

  QStringList mergedTexts() const {
    QStringList texts;
    for (const Pick& pick : cases.picks) texts << pick.texts;
    return texts;
  }

  QStringList resultList() {
    QStringList texts;
    for (int i = 1; i <= harness.form().resultList().count(); ++i)
      texts << harness.form().resultList().text(i);
    return texts;
  }

  Cases cases;
  // The real services outlive the window the harness holds.
  std::unique_ptr<sheet::Automation> automation = app::createSpreadsheetApplication();
  app::SystemClipboard clipboard;
  SettingsStore settings;  // the registry
  Form1Harness harness;
};

TEST_F(WindowsProgram, AWholeMergeThroughTheSpreadsheetApplicationAndItsThreeExports) {
  fakeSwitches();
  ASSERT_TRUE(harness.startShown());
  // The availability check created an instance of the fake.
  EXPECT_TRUE(readBytes(cases.record).contains("Application created"));

  mergeThePicks();
  QStringList references;
  for (int i = 1; i <= harness.form().rangeList().count(); ++i)
    references << harness.form().rangeList().text(i);
  QStringList expectedReferences;
  for (const Pick& pick : cases.picks) expectedReferences << pick.reference;
  EXPECT_EQ(references, expectedReferences);
  EXPECT_EQ(resultList(), mergedTexts());
  EXPECT_TRUE(harness.notices().contains(QStringLiteral("Done."))) << harness.notices().join('|').toStdString();
  EXPECT_EQ(harness.reports(), QStringList());
  // Every instance opened the path the box names.
  const QByteArray record = readBytes(cases.record);
  EXPECT_EQ(record.count(QByteArray("Workbooks.Open(\"") + samplePath().toUtf8() + "\")"),
            static_cast<qsizetype>(2 * cases.picks.size()));

  // Save Results As Text File: the bytes lomandra-merge --save writes, in the ANSI code page.
  QTemporaryDir out;
  const QString textFile = QDir::toNativeSeparators(out.filePath(QStringLiteral("results.txt")));
  harness.dialog.chooses = {textFile};
  harness.click(harness.controls().PushButton4);
  EXPECT_EQ(readBytes(textFile), readBytes(cases.save));

  // Copy Results To Clipboard: what another program pastes.
  harness.click(harness.controls().PushButton8);
  EXPECT_EQ(windowsClipboardText(), QString::fromUtf8(readBytes(cases.clipboard)));

  // Send Results As Excel File: the header, then every entry a row down, then the fit.
  QFile::remove(cases.record);
  harness.click(harness.controls().PushButton13);
  const QStringList writes = exportWrites(readBytes(cases.record));
  const QStringList texts = mergedTexts();
  ASSERT_FALSE(writes.isEmpty());
  // The header, a text, behind the text prefix like every text that is not a General number.
  EXPECT_EQ(writes.front(), QStringLiteral("1,1=\"'Result(s)\""));
  EXPECT_EQ(writes.back(), QStringLiteral("AutoFit"));
  int written = 1;
  for (int y = 0; y < texts.size(); ++y) {
    if (texts[y].isEmpty()) continue;
    ASSERT_LT(written, writes.size() - 1);
    const QString prefix = QString::number(y + 2) + QStringLiteral(",1=");
    const QString& write = writes[written++];
    EXPECT_TRUE(write.startsWith(prefix) && writtenAs(write.mid(prefix.size()), texts[y]))
        << "entry " << y + 1 << " '" << texts[y].toStdString() << "' written as "
        << write.toStdString();
  }
  EXPECT_EQ(written, writes.size() - 1);
  EXPECT_EQ(harness.reports(), QStringList());
}

TEST_F(WindowsProgram, TheSettingsSurviveARestart) {
  fakeSwitches();
  ASSERT_TRUE(harness.start());
  harness.click(harness.controls().PushButton10);
  harness.controls().Combo1->setCurrentIndex(1);
  EXPECT_EQ(harness.stored(QStringLiteral("Excel File")), samplePath());
  EXPECT_EQ(harness.stored(QStringLiteral("Option")), QStringLiteral("Remove duplicates from results"));

  ASSERT_TRUE(harness.start());  // a new main window reading the registry
  EXPECT_EQ(harness.form().pathText(), samplePath());
  EXPECT_EQ(harness.controls().Combo1->currentText(), QStringLiteral("Remove duplicates from results"));
  harness.controls().Combo1->setCurrentIndex(0);
  EXPECT_EQ(harness.reports(), QStringList());
}

TEST_F(WindowsProgram, AFailingMemberGivesOneErrorReportAndTheCommandGoesOn) {
  fakeSwitches();
  ASSERT_TRUE(harness.start());
  mergeThePicks();
  ASSERT_EQ(resultList(), mergedTexts());

  // Showing the new workbook fails; the entries are still written and the columns fitted.
  fakeSwitches(QStringLiteral("fail=Visible"));
  QFile::remove(cases.record);
  harness.click(harness.controls().PushButton13);
  EXPECT_EQ(harness.reports(),
            QStringList{QStringLiteral(
                "PushButton13_Click@114: Application.Visible failed: Fake failure of Visible.")});
  const QStringList writes = exportWrites(readBytes(cases.record));
  ASSERT_FALSE(writes.isEmpty());
  EXPECT_EQ(writes.back(), QStringLiteral("AutoFit"));
  EXPECT_GT(writes.size(), mergedTexts().size() / 2);
}

}  // namespace
}  // namespace lomandra::testing
