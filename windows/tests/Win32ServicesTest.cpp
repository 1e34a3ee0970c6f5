// The Win32 platform services under Wine: the registry home of the settings, the ANSI code
// page conversion, the clipboard, and the file-pattern test.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/win32/Win32Services.h"

namespace {

using namespace lomandra::win32;

constexpr const wchar_t* kApp = L"Quillbrook Test";

std::wstring readRaw(const std::wstring& key, const wchar_t* value, DWORD& type) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer;
  type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_ANY, &type, buffer, &size) != ERROR_SUCCESS)
    return L"<none>";
  return buffer;
}

TEST(Settings, LiveWhereTheVbSettingFunctionsKeepThem) {
  EXPECT_EQ(settingsKey(L"Quillbrook", L"Lomandra"), L"Software\\VB and VBA Program Settings\\Quillbrook\\Lomandra");
  RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\VB and VBA Program Settings\\" + std::wstring(kApp)).c_str());
  EXPECT_FALSE(getSetting(kApp, L"Lomandra", L"Option"));  // no application yet: the default

  const std::pair<const wchar_t*, std::wstring> rows[] = {
      {L"Option", L"Remove duplicates from results"},
      {L"Excel File", L"  C:\\Daten\\Übersicht ünd Ωmega.xls  "},  // spaces and non-ASCII kept
      {L"Excel File", L""},                                          // empty, not the default
  };
  for (const auto& [key, value] : rows) {
    ASSERT_TRUE(saveSetting(kApp, L"Lomandra", key, value));
    DWORD type = 0;
    EXPECT_EQ(readRaw(settingsKey(kApp, L"Lomandra"), key, type), value);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(getSetting(kApp, L"Lomandra", key), value);
  }
  EXPECT_FALSE(getSetting(kApp, L"Lomandra", L"Missing"));
  EXPECT_FALSE(getSetting(kApp, L"Other Section", L"Option"));
  // A value of another kind is not a setting.
  const DWORD number = 7;
  RegSetKeyValueW(HKEY_CURRENT_USER, settingsKey(kApp, L"Lomandra").c_str(), L"Number", REG_DWORD, &number, sizeof number);
  EXPECT_FALSE(getSetting(kApp, L"Lomandra", L"Number"));
  RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\VB and VBA Program Settings\\" + std::wstring(kApp)).c_str());
}

TEST(AnsiText, EveryCharacterTheCodePageLacksBecomesAQuestionMark) {
  struct Row {
    unsigned codePage;
    std::wstring text;
    std::string bytes;
  };
  const Row rows[] = {
      {1252, L"Result(s)\t\r\n", "Result(s)\t\r\n"},
      {1252, L"caf\u00e9 \u20ac \u201cq\u201d", "caf\xe9 \x80 \x93q\x94"},
      {1252, L"\u0416\u03a9\u0141\u4e2d", "????"},       // Cyrillic, Greek, Polish, Chinese
      {1252, L"\u0100", "?"},                             // no best fit: A-macron is not "A"
      {1252, L"\U0001F600x\U0001F600", "?x?"},           // one character outside the BMP: one "?"
      {1251, L"\u0416\u00e9", "\xc6?"},                   // Cyrillic code page
      {65001, L"\u0416\u4e2d\U0001F600", "\xd0\x96\xe4\xb8\xad\xf0\x9f\x98\x80"},  // UTF-8 loses nothing
      {1252, L"", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(encodeCodePage(row.text, row.codePage), row.bytes) << row.codePage;
  EXPECT_EQ(encodeCodePage(L"abc", ansiCodePage()), "abc");
  EXPECT_GT(ansiCodePage(), 0u);
}

TEST(Clipboard, TakesPlainTextAndFailsWhileAnotherHolderHasIt) {
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"a\r\n", L"a\r\n"},
      {L"Name\tQty\r\n\u00dcbersicht \u4e2d\r\n", L"Name\tQty\r\n\u00dcbersicht \u4e2d\r\n"},
      {L"", L""},
  };
  for (const auto& [text, expected] : rows) {
    ASSERT_TRUE(setClipboardText(text));
    EXPECT_EQ(clipboardText(), expected);
  }
  ASSERT_TRUE(clearClipboard());
  EXPECT_FALSE(clipboardText());

  // Another thread holds the clipboard open: each attempt fails at once instead of waiting.
  std::atomic<bool> holding{false}, release{false};
  std::thread holder([&] {
    HWND window = CreateWindowW(L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (OpenClipboard(window)) {
      holding = true;
      while (!release) Sleep(1);
      CloseClipboard();
    }
    DestroyWindow(window);
    holding = true;  // never leave the test waiting
  });
  while (!holding) Sleep(1);
  EXPECT_FALSE(setClipboardText(L"refused"));
  EXPECT_FALSE(clearClipboard());
  release = true;
  holder.join();
  EXPECT_TRUE(setClipboardText(L"taken"));
  EXPECT_EQ(clipboardText(), L"taken");
}

// Opened by the main window, the clipboard's content belongs to that window, as the platform
// wants for EmptyClipboard followed by SetClipboardData; opened by no window, to none.
TEST(Clipboard, BelongsToTheWindowThatOpenedIt) {
  HWND window = CreateWindowW(L"STATIC", L"owner", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  ASSERT_TRUE(setClipboardText(L"owned", window));
  EXPECT_EQ(GetClipboardOwner(), window);
  EXPECT_EQ(clipboardText(), L"owned");
  ASSERT_TRUE(clearClipboard(window));
  EXPECT_EQ(GetClipboardOwner(), window);
  ASSERT_TRUE(setClipboardText(L"nobody's"));
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  DestroyWindow(window);
}

TEST(FilePattern, OnlyOrdinaryFilesMatch) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"lomandra-pattern\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  auto make = [&](const wchar_t* name, DWORD attributes) {
    const std::wstring path = folder + name;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(h);
    SetFileAttributesW(path.c_str(), attributes);
  };
  make(L"book.xls", FILE_ATTRIBUTE_NORMAL);
  make(L"hidden.xls", FILE_ATTRIBUTE_HIDDEN);
  make(L"system.xls", FILE_ATTRIBUTE_SYSTEM);
  make(L"only hidden.txt", FILE_ATTRIBUTE_HIDDEN);
  CreateDirectoryW((folder + L"folder.xls").c_str(), nullptr);

  const std::pair<std::wstring, PatternMatch> rows[] = {
      {folder + L"book.xls", PatternMatch::Match},
      {folder + L"BOOK.XLS", PatternMatch::Match},
      {folder + L"*.xls", PatternMatch::Match},
      {folder + L"b??k.xls", PatternMatch::Match},
      {folder + L"hidden.xls", PatternMatch::NoMatch},
      {folder + L"system.xls", PatternMatch::NoMatch},
      {folder + L"folder.xls", PatternMatch::NoMatch},
      {folder + L"*.txt", PatternMatch::NoMatch},
      {folder + L"missing.xls", PatternMatch::NoMatch},
      {folder + L"no folder\\book.xls", PatternMatch::NoMatch},
      {L"", PatternMatch::NoMatch},
      {std::wstring(L"a\0b", 3), PatternMatch::BadName},
  };
  for (const auto& [path, expected] : rows)
    EXPECT_EQ(ordinaryFileMatches(path), expected) << std::string(path.begin(), path.end());
}

}  // namespace
