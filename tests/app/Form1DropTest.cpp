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

// Drags `data` over the centre of `target` and drops it there, through the window as the
// platform delivers a drag (the window picks the widget under the pointer that takes drops).
// Returns the drop action taken, Qt::IgnoreAction when the window refused the drag or drop.
Qt::DropAction dragAndDrop(app::Form1& form, QWidget* target, const QMimeData& data) {
  const QPoint at = target->mapTo(&form, target->rect().center());
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.windowHandle(), &enter);
  QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.windowHandle(), &drop);
  if (enter.isAccepted() != drop.isAccepted()) return Qt::TargetMoveAction;  // inconsistent
  return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

TEST(Form1Drop, OneWorkbookFileFillsThePathBoxAndAnythingElseIsIgnored) {
  Form1Harness h;
  ASSERT_TRUE(h.startShown());
  const auto place = [&h](const QString& name) {
    const QString path = h.programDir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return path;
  };
  const QString before = QStringLiteral("/before/book.xlsx");
  const QString book = place(QStringLiteral("book.xlsx"));
  const QString named = place(QStringLiteral("B\u00fccher 2024 (final).ods"));
  const QString other = place(QStringLiteral("other.csv"));
  const QString folder = h.programDir.path();
  const auto file = [](const QString& path) { return QUrl::fromLocalFile(path); };

  const app::Form1Controls& c = h.controls();
  struct Case {
    const char* name;
    QList<QUrl> urls;
    QString text;     // plain text carried instead of (or beside) the files
    QWidget* target;  // where the pointer lets go
    QString path;     // the path box afterwards
  } const cases[] = {
      {"a workbook file onto the path box", {file(book)}, {}, c.Text1, book},
      {"a workbook file onto the Range List", {file(named)}, {}, c.ListView1, named},
      {"a workbook file with its name as text too", {file(other)}, other, c.PushButton5, other},
      {"two files", {file(book), file(other)}, {}, c.Text1, before},
      {"a folder", {file(folder)}, {}, c.Text1, before},
      {"a file that is gone", {file(folder + QStringLiteral("/gone.xlsx"))}, {}, c.Text1, before},
      {"a web address", {QUrl(QStringLiteral("https://host.example/b.xlsx"))}, {}, c.Text1, before},
      {"text onto the path box", {}, book, c.Text1, before},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    h.form().setPathText(before);
    QMimeData data;
    if (!test.urls.isEmpty()) data.setUrls(test.urls);
    if (!test.text.isEmpty()) data.setText(test.text);
    // Taken as a copy, never as a move: the file stays where it was.
    EXPECT_EQ(dragAndDrop(h.form(), test.target, data),
              test.path == before ? Qt::IgnoreAction : Qt::CopyAction);
    const std::string path = QDir::toNativeSeparators(test.path).toStdString();
    EXPECT_EQ(h.form().pathText().toStdString(), path);
    EXPECT_EQ(h.stored(QStringLiteral("Excel File")).toStdString(), path);
  }
  EXPECT_TRUE(h.reports().isEmpty()) << h.reports().join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(h.notices().isEmpty()) << h.notices().join(QLatin1Char('\n')).toStdString();
}

}  // namespace
}  // namespace lomandra::testing
