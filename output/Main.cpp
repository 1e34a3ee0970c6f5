#include "output/Main.h"

#include <QSaveFile>
#include <vector>

#include "sheet/Failure.h"

namespace lomandra::output {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
constexpr char16_t kTab = u'\t';
constexpr char16_t kSpace = u' ';

void yieldNow(const Yield& yield) {
  if (yield) yield();
}

// The first entry's text in a column: the header line depends on it alone.
QString firstEntryText(const ListSource& list, int column) {
  if (list.count() < 1) throw Failure("The list has no entries to save.");
  return list.text(1, column);
}

Failure fileFailure(const QString& path, const char* what, const QString& reason) {
  QString description = QStringLiteral("The file \"%1\" %2").arg(path, QString::fromLatin1(what));
  if (!reason.isEmpty()) description += QStringLiteral(": ") + reason;
  if (!description.endsWith(u'.')) description += u'.';
  return Failure(description.toStdString());
}

// The measured width of a column; a column that was not there while measuring has none.
qsizetype widthOf(const std::vector<qsizetype>& widths, int column) {
  const auto index = static_cast<size_t>(column - 1);
  if (column < 1 || index >= widths.size())
    throw Failure("The list gained a column while it was being copied.");
  return widths[index];
}

// One clipboard attempt after another, at once, until one succeeds or all are used up.
template <typename Attempt>
bool attemptRepeatedly(Attempt&& attempt) {
  for (int made = 0; made < kClipboardAttempts; ++made) {
    bool succeeded = false;
    try {
      succeeded = attempt();
    } catch (...) {
      succeeded = false;  // a busy or broken clipboard is never reported
    }
    if (succeeded) return true;
  }
  return false;
}

}  // namespace

QString buildTextFileText(const ListSource& list, const Yield& yield) {
  QString text;
  const int columns = list.columnCount();
  for (int column = 1; column <= columns; ++column) {
    yieldNow(yield);
    if (!firstEntryText(list, column).isEmpty()) {
      text += list.columnHeader(column);
      text += kTab;
    }
  }
  text += kLineEnd;

  const int entries = list.count();
  for (int entry = 1; entry <= entries; ++entry) {
    yieldNow(yield);
    if (list.checked(entry)) {
      const int entryColumns = list.columnCount();
      for (int column = 1; column <= entryColumns; ++column) {
        yieldNow(yield);
        const QString cell = list.text(entry, column);
        if (!cell.isEmpty()) {
          text += cell;
          text += kTab;
        }
      }
    }
    text += kLineEnd;
  }
  return text;
}

QByteArray buildTextFile(const ListSource& list, const Yield& yield) {
  QByteArray bytes = encodeTextFile(buildTextFileText(list, yield));
  bytes.append("\r\n", 2);
  return bytes;
}

void replaceFile(const QByteArray& bytes, const QString& path) {
  if (path.isEmpty()) throw Failure("No file name was given.");
  QSaveFile file(path);
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) throw fileFailure(path, "cannot be created", file.errorString());
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    throw fileFailure(path, "cannot be written", reason);
  }
  // commit() flushes the rest and replaces the target; on failure the temporary file is
  // removed and the target stays as it was.
  if (!file.commit()) throw fileFailure(path, "cannot be written", file.errorString());
}

void WriteTextFile(const QString& text, const QString& path) {
  QByteArray bytes = encodeTextFile(text);
  bytes.append("\r\n", 2);
  replaceFile(bytes, path);
}

void SaveListViewToTextFile(const ListSource& list, const QString& path, const Yield& yield) {
  WriteTextFile(buildTextFileText(list, yield), path);
}

QString buildClipboardText(const ListSource& list, const Yield& yield) {
  if (list.count() < 1) return {};

  // Widths over every entry, checked or not.
  std::vector<qsizetype> widths;
  const int columns = list.columnCount();
  for (int column = 1; column <= columns; ++column) {
    qsizetype width = 0;
    const int entries = list.count();
    for (int entry = 1; entry <= entries; ++entry) {
      yieldNow(yield);
      width = qMax(width, list.text(entry, column).size());
    }
    widths.push_back(width);
  }

  QString text;
  const int entries = list.count();
  for (int entry = 1; entry <= entries; ++entry) {
    yieldNow(yield);
    if (!list.checked(entry)) continue;
    const int entryColumns = list.columnCount();
    for (int column = 1; column <= entryColumns; ++column) {
      yieldNow(yield);
      const QString cell = list.text(entry, column);
      const qsizetype width = widthOf(widths, column);
      text += cell;
      // A text that grew past its width during a yield is never shortened.
      if (width >= cell.size()) text.resize(text.size() + (width - cell.size()), kSpace);
      text += kTab;
    }
    text.chop(1);  // the line's final TAB
    // Trailing spaces only: a TAB, CR or LF before them (and so every earlier line) stays.
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == kSpace) --end;
    text.truncate(end);
    text += kLineEnd;
  }
  return text;
}

void CopyListViewToClipboard(const ListSource& list, ClipboardService& clipboard, const Yield& yield) {
  if (list.count() < 1) return;
  const QString text = buildClipboardText(list, yield);
  ClearClipboard(clipboard);
  SetClipboardText(clipboard, text);
}

void ClearClipboard(ClipboardService& clipboard) {
  attemptRepeatedly([&] { return clipboard.clear(); });
}

bool SetClipboardText(ClipboardService& clipboard, const QString& text) {
  return attemptRepeatedly([&] { return clipboard.setText(text); });
}

}  // namespace lomandra::output
