#pragma once

// Shared by the automation tests: the fake spreadsheet application's control member, its
// process, and workbook files written for it.

#include <string>
#include <vector>

#include "sheet/com/ComAutomation.h"

namespace fake_test {

/// Sets the fake's switches ("fail=Open;cancel;..."); replaces the earlier ones.
void configure(lomandra::com::ComApplication& application, const std::wstring& switches);
/// The fake's journal of calls, one "Object.Member(args)" line each.
std::wstring journal(lomandra::com::ComApplication& application);
/// The fake's process id.
unsigned long processId(lomandra::com::ComApplication& application);
/// True when the process ends within `milliseconds`.
bool processEnds(unsigned long pid, unsigned long milliseconds);
/// Ends the process (clean-up after a test that released an instance without Quit).
void endProcess(unsigned long pid);
/// Writes `content` (UTF-8) to a new file in the temporary folder; returns its path.
std::wstring writeTempFile(const std::string& content);
/// Every cell text of a range, walked as the merge run walks it.
std::vector<std::wstring> walkTexts(lomandra::com::ComRange& range);

}  // namespace fake_test
