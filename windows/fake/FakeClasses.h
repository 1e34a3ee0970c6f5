#pragma once

// The classes the fake spreadsheet application registers (FakeExcel.exe /regserver).

#include <windows.h>

namespace fake {

/// The fake's class, registered under the spreadsheet application's class name.
inline constexpr CLSID kFakeClassId = {0x88345d9c, 0xe90a, 0x4389, {0x8d, 0x06, 0x3d, 0xe5, 0xb8, 0xfe, 0x8a, 0xb0}};
inline constexpr const wchar_t* kFakeClassIdText = L"{88345D9C-E90A-4389-8D06-3DE5B8FE8AB0}";
inline constexpr const wchar_t* kFakeClassName = L"Excel.Application";

/// A class that is registered but never runs: Attach to it finds nothing.
inline constexpr const wchar_t* kIdleClassIdText = L"{EE4936BF-B71B-4F7C-87E0-20A1EAF6C1AF}";
inline constexpr const wchar_t* kIdleClassName = L"Lomandra.NeverRunning";

/// The fake's control members (not part of the spreadsheet application): put a switch text
/// (every switch is listed in windows/fake/README.md), get the journal of calls; the process id.
inline constexpr const wchar_t* kControlMember = L"LomandraFake";
inline constexpr const wchar_t* kProcessIdMember = L"LomandraFakePid";

}  // namespace fake
