#pragma once

// The Windows platform services in Win32 terms (UTF-16 texts, no toolkit): the registry home
// of the Settings Store, text in the ANSI code page, the clipboard, and the file-pattern test.
// The program's Windows branches call these; the cross-compiled tests run them under Wine.

#include <optional>
#include <string>
#include <string_view>

namespace lomandra::win32 {

// --- Settings Store ---------------------------------------------------------------------

/// The registry key (under HKEY_CURRENT_USER) where the platform's GetSetting and SaveSetting
/// keep an application's section: "Software\VB and VBA Program Settings\<application>\<section>".
std::wstring settingsKey(std::wstring_view application, std::wstring_view section);

/// GetSetting: the REG_SZ value `key` of the section, or nothing when the key, its section or
/// its application does not exist (or holds another kind of value).
std::optional<std::wstring> getSetting(std::wstring_view application, std::wstring_view section,
                                       std::wstring_view key);

/// SaveSetting: stores `value` as REG_SZ, creating the keys as needed; false when the registry
/// refused (the earlier value then stays).
bool saveSetting(std::wstring_view application, std::wstring_view section, std::wstring_view key,
                 std::wstring_view value);

// --- Text in the ANSI code page ----------------------------------------------------------

/// The system's ANSI code page (GetACP).
unsigned ansiCodePage();

/// `text` in `codePage`, one character after another, "?" for a character the code page
/// cannot hold (no look-alike substitutes). UTF-8 (65001) holds every character. Throws
/// std::runtime_error when the system cannot convert to that code page at all.
std::string encodeCodePage(std::wstring_view text, unsigned codePage);

// --- Clipboard ------------------------------------------------------------------------------

/// One attempt to empty the clipboard; false when another program holds it open. `owner` is the
/// window (HWND) that opens the clipboard and so owns what is put on it: the platform wants an
/// owner for EmptyClipboard followed by SetClipboardData (without one, the clipboard ends up
/// owned by no window).
bool clearClipboard(void* owner = nullptr);

/// One attempt to place `text` on the clipboard as plain text (CF_UNICODETEXT, replacing what
/// it held), opened by `owner` as above; false when another program holds it open or memory ran
/// out.
bool setClipboardText(std::wstring_view text, void* owner = nullptr);

/// The clipboard's plain text, or nothing (for tests and diagnostics).
std::optional<std::wstring> clipboardText();

// --- File-pattern test -------------------------------------------------------------------

/// The answer of the file-pattern test.
enum class PatternMatch {
  Match,    ///< at least one ordinary file matches
  NoMatch,  ///< none does (or the folder does not exist)
  BadName,  ///< the system rejects the text as a file name
};

/// Whether an ordinary file (not a folder, not hidden, not a system file) matches `path`, with
/// * and ? matching as in a directory listing (FindFirstFile).
PatternMatch ordinaryFileMatches(std::wstring_view path);

}  // namespace lomandra::win32
