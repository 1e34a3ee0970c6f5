#pragma once

// The list and clipboard procedures of the module `Main` that the exports share, and the pure
// builders beneath them. The builders know no window: the text file and clipboard commands and
// `lomandra-merge --save` / `--clipboard` all take their text from these same functions, so the
// program and the command-line tool give the same bytes for the same list.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <functional>

#include "app/core/ListSource.h"
#include "app/core/Services.h"

namespace lomandra::output {

/// The yield to the user interface, called once per entry and per cell as the exports go.
/// An empty function yields nothing (the command-line tool passes none).
using Yield = std::function<void()>;

/// How many times ClearClipboard and SetClipboardText attempt their operation at most.
constexpr int kClipboardAttempts = 1000;

// --- text file ---------------------------------------------------------------------------

/// The tab-separated text of a list as `SaveListViewToTextFile` builds it, before WriteTextFile
/// adds the closing CR LF: the header line (judged on the first entry), then one line per entry
/// (an unchecked entry gives an empty line), every non-empty text followed by a TAB, lines
/// ending in CR LF. Throws lomandra::Failure for a list without entries, or when an entry read
/// fails (for instance when the list shrank during a yield).
QString buildTextFileText(const ListSource& list, const Yield& yield = {});

/// The exact bytes of the text file for a list: buildTextFileText, the closing CR LF, in the
/// platform's text encoding (see encodeTextFile). Throws as buildTextFileText does.
QByteArray buildTextFile(const ListSource& list, const Yield& yield = {});

/// Converts a text to the platform's text encoding, without a byte order mark: on Windows the
/// system's 8-bit ANSI code page (encodeAnsi); elsewhere the locale's encoding, which is UTF-8,
/// so no character is lost (a lone surrogate, which is no character, becomes "?").
QByteArray encodeTextFile(QStringView text);

#ifdef Q_OS_WIN
/// Converts a text to the system's ANSI code page, one byte per character in a single-byte
/// code page; a character the code page cannot hold becomes "?" (a surrogate pair is one
/// character). No byte order mark.
QByteArray encodeAnsi(QStringView text);
#endif

/// Converts a text to Windows-1252 with "?" for every character it cannot hold: what encodeAnsi
/// gives where the system's ANSI code page is 1252, the one of Western European Windows.
QByteArray encodeWindows1252(QStringView text);

/// Replaces the file at `path` with `bytes`. The bytes go to a temporary file beside the target
/// that replaces it only once everything is written, so a failure leaves an existing file as it
/// was. Where no temporary file can be made beside it (a folder without write permission
/// holding a writable file) the file is written in place. Throws lomandra::Failure with a
/// description naming the file when it cannot be created or written.
void replaceFile(const QByteArray& bytes, const QString& path);

/// `WriteTextFile`: writes `text` and one CR LF to the file at `path` in the platform's text
/// encoding (encodeTextFile), replacing an existing file without a question (see replaceFile).
void WriteTextFile(const QString& text, const QString& path);

/// `SaveListViewToTextFile`: builds the text file of `list` and writes it to `path`. Nothing is
/// written when building fails. Failures go to the caller.
void SaveListViewToTextFile(const ListSource& list, const QString& path, const Yield& yield);

// --- clipboard ---------------------------------------------------------------------------

/// The clipboard text of a list as `CopyListViewToClipboard` builds it: one line per checked
/// entry, each cell padded with spaces to its column's width (the longest text of the column
/// over all entries, in UTF-16 code units) and followed by a TAB, then the line's final TAB and
/// its trailing spaces dropped, CR LF. Empty when no entry is checked or the list is empty.
/// Throws lomandra::Failure when an entry read fails.
QString buildClipboardText(const ListSource& list, const Yield& yield = {});

/// `CopyListViewToClipboard`: places buildClipboardText on the clipboard (ClearClipboard, then
/// SetClipboardText). A list without entries leaves the clipboard as it was. Failures reading
/// the list go to the caller; the clipboard calls never fail outward.
void CopyListViewToClipboard(const ListSource& list, ClipboardService& clipboard, const Yield& yield);

/// `ClearClipboard`: empties the clipboard, attempting up to kClipboardAttempts times at once
/// while it is busy. Never fails outward.
void ClearClipboard(ClipboardService& clipboard);

/// `SetClipboardText`: puts `text` on the clipboard as plain text, attempting up to
/// kClipboardAttempts times at once while it is busy. True when the last attempt succeeded.
/// Never fails outward.
bool SetClipboardText(ClipboardService& clipboard, const QString& text);

}  // namespace lomandra::output
