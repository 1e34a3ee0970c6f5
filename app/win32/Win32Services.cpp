#include "app/win32/Win32Services.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>

namespace lomandra::win32 {

// --- Settings Store ---------------------------------------------------------------------

std::wstring settingsKey(std::wstring_view application, std::wstring_view section) {
  return L"Software\\VB and VBA Program Settings\\" + std::wstring(application) + L"\\" + std::wstring(section);
}

std::optional<std::wstring> getSetting(std::wstring_view application, std::wstring_view section,
                                       std::wstring_view key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, settingsKey(application, section).c_str(), 0, KEY_QUERY_VALUE, &handle) !=
      ERROR_SUCCESS)
    return std::nullopt;
  const std::wstring name(key);
  std::optional<std::wstring> value;
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_SZ) {
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      text.resize(size / sizeof(wchar_t));
      if (!text.empty() && text.back() == L'\0') text.pop_back();  // the terminating NUL
      value = std::move(text);
    }
  }
  RegCloseKey(handle);
  return value;
}

bool saveSetting(std::wstring_view application, std::wstring_view section, std::wstring_view key,
                 std::wstring_view value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, settingsKey(application, section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring name(key);
  const std::wstring text(value);  // with its terminating NUL
  const LONG result = RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

// --- Text in the ANSI code page ----------------------------------------------------------

unsigned ansiCodePage() { return GetACP(); }

std::string encodeCodePage(std::wstring_view source, unsigned codePage) {
  // A character outside the Basic Multilingual Plane is two code units but one character, so
  // one "?" where a code page cannot hold it (the conversion alone would write two).
  const bool utf8 = codePage == CP_UTF8;
  std::wstring paired;
  std::wstring_view text = source;
  if (!utf8) {
    paired.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
      if (IS_HIGH_SURROGATE(source[i]) && i + 1 < source.size() && IS_LOW_SURROGATE(source[i + 1])) {
        paired += L'?';
        ++i;
      } else {
        paired += source[i];
      }
    }
    text = paired;
  }
  std::string bytes;
  // WideCharToMultiByte counts in int: convert in slices that never split a surrogate pair.
  constexpr std::size_t kSlice = std::size_t{1} << 24;
  // UTF-8 takes no replacement character (and needs none); elsewhere no best fit, so a
  // character the code page lacks becomes "?" rather than a look-alike letter.
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* replacement = utf8 ? nullptr : "?";
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t length = std::min(kSlice, text.size() - start);
    if (start + length < text.size() && IS_HIGH_SURROGATE(text[start + length - 1])) --length;
    const int wideLength = static_cast<int>(length);
    const int needed = WideCharToMultiByte(codePage, flags, text.data() + start, wideLength, nullptr, 0,
                                           replacement, nullptr);
    if (needed <= 0) throw std::runtime_error("The text cannot be converted to code page " + std::to_string(codePage) + ".");
    const std::size_t at = bytes.size();
    bytes.resize(at + static_cast<std::size_t>(needed));
    WideCharToMultiByte(codePage, flags, text.data() + start, wideLength, bytes.data() + at, needed, replacement,
                        nullptr);
    start += length;
  }
  return bytes;
}

// --- Clipboard ------------------------------------------------------------------------------

bool clearClipboard(void* owner) {
  if (!OpenClipboard(static_cast<HWND>(owner))) return false;  // another program holds it
  const bool emptied = EmptyClipboard() != 0;
  CloseClipboard();
  return emptied;
}

bool setClipboardText(std::wstring_view text, void* owner) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return false;
  auto* target = static_cast<wchar_t*>(GlobalLock(memory));
  if (!target) {
    GlobalFree(memory);
    return false;
  }
  if (!text.empty()) std::memcpy(target, text.data(), text.size() * sizeof(wchar_t));
  target[text.size()] = L'\0';
  GlobalUnlock(memory);
  if (!OpenClipboard(static_cast<HWND>(owner))) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!placed) GlobalFree(memory);  // the clipboard owns it only once it was placed
  return placed;
}

std::optional<std::wstring> clipboardText() {
  if (!OpenClipboard(nullptr)) return std::nullopt;
  std::optional<std::wstring> text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = std::wstring(chars);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// --- File-pattern test -------------------------------------------------------------------

PatternMatch ordinaryFileMatches(std::wstring_view path) {
  if (path.empty()) return PatternMatch::NoMatch;
  if (path.find(L'\0') != std::wstring_view::npos) return PatternMatch::BadName;
  const std::wstring name(path);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(name.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_NO_MORE_FILES:
      case ERROR_ACCESS_DENIED: case ERROR_NOT_READY: case ERROR_BAD_NETPATH: case ERROR_BAD_NET_NAME:
        return PatternMatch::NoMatch;
      default:
        return PatternMatch::BadName;  // ERROR_INVALID_NAME, a name too long, ...
    }
  }
  constexpr DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  bool matched = false;
  do {
    if ((found.dwFileAttributes & excluded) == 0) matched = true;
  } while (!matched && FindNextFileW(search, &found));
  FindClose(search);
  return matched ? PatternMatch::Match : PatternMatch::NoMatch;
}

}  // namespace lomandra::win32
