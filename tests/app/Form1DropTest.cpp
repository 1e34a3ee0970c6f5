// Dropping onto the main window: one workbook file fills the path box as if typed, and so is
// stored; several files, a folder, text or a web address change nothing.
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

#include "tests/app/Form1Harness.h"

namespace lomandra::testing {
namespace {

struct DropOutcome {
  bool enterAccepted = false;
  bool dropAccepted = false;
  Qt::DropAction action = Qt::IgnoreAction;
};

// Drags `data` over the centre of `target` and drops it there, through the window as the
// platform delivers a drag: the window picks the widget under the pointer that takes drops.
DropOutcome dragAndDrop(app::Form1& form, QWidget* target, const QMimeData& data) {
  QWindow* window = form.windowHandle();
  const QPoint at = target->mapTo(&form, target->rect().center());
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  DropOutcome outcome;
  QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &enter);
  outcome.enterAccepted = enter.isAccepted();
  QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &drop);
  outcome.dropAccepted = drop.isAccepted();
  outcome.action = drop.dropAction();
  return outcome;
}

TEST(Form1Drop, OneWorkbookFileFillsThePathBoxAndAnythingElseIsIgnored) {
  Form1Harness h;
  ASSERT_TRUE(h.startShown());
  const QString before = QStringLiteral("/before/book.xlsx");
  const QString book = h.programDir.filePath(QStringLiteral("book.xlsx"));
  const QString named = h.programDir.filePath(QStringLiteral("B\u00fccher 2024 (final).ods"));
  const QString other = h.programDir.filePath(QStringLiteral("other.csv"));
  for (const QString& path : {book, named, other}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const QString folder = h.programDir.filePath(QStringLiteral("Samples"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const auto urls = [](const QStringList& paths) {
    QList<QUrl> list;
    for (const QString& path : paths) list << QUrl::fromLocalFile(path);
    return list;
  };

  const app::Form1Controls& c = h.controls();
  struct Case {
    const char* name;
    QList<QUrl> urls;
    QString text;     // plain text carried instead of (or beside) the files
    QWidget* target;  // where the pointer lets go
    QString path;     // the path box afterwards
  } const cases[] = {
      {"a workbook file onto the path box", urls({book}), {}, c.Text1, book},
      {"a workbook file onto the Range List", urls({named}), {}, c.ListView1, named},
      {"a workbook file with its name as text too", urls({other}), other, c.PushButton5, other},
      {"two files", urls({book, other}), {}, c.Text1, before},
      {"a folder", urls({folder}), {}, c.Text1, before},
      {"a file that is gone", urls({h.programDir.filePath(QStringLiteral("gone.xlsx"))}), {},
       c.Text1, before},
      {"a web address", {QUrl(QStringLiteral("https://host.example/book.xlsx"))}, {}, c.Text1,
       before},
      {"text onto the path box", {}, book, c.Text1, before},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    h.form().setPathText(before);
    QMimeData data;
    if (!test.urls.isEmpty()) data.setUrls(test.urls);
    if (!test.text.isEmpty()) data.setText(test.text);
    const DropOutcome outcome = dragAndDrop(h.form(), test.target, data);
    const bool taken = test.path != before;
    EXPECT_EQ(outcome.enterAccepted, taken);
    EXPECT_EQ(outcome.dropAccepted, taken);
    if (taken) {
      EXPECT_EQ(outcome.action, Qt::CopyAction);  // never a move: the file stays put
    }
    const std::string path = QDir::toNativeSeparators(test.path).toStdString();
    EXPECT_EQ(h.form().pathText().toStdString(), path);
    EXPECT_EQ(h.stored(QStringLiteral("Excel File")).toStdString(), path);
  }
  EXPECT_TRUE(h.reports().isEmpty()) << h.reports().join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(h.notices().isEmpty()) << h.notices().join(QLatin1Char('\n')).toStdString();
}

}  // namespace
}  // namespace lomandra::testing
