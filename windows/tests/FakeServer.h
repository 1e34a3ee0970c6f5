#pragma once

// Shared by the automation tests and the benchmark: the fake spreadsheet application's control
// member, its process, its call counters, and workbook files written for it.

#include <string>
#include <vector>

#include "sheet/com/ComAutomation.h"

namespace fake_test {

/// Sets the fake's switches ("fail=Open;cancel;..."); replaces the earlier ones.
void configure(lomandra::com::ComApplication& application, const std::wstring& switches);
/// The fake's journal of calls, one "Object.Member(args)" line each.
std::wstring journal(lomandra::com::ComApplication& application);
std::wstring journal(IDispatch* application);
/// The fake's process id.
unsigned long processId(lomandra::com::ComApplication& application);

/// The calls the fake took since its last "reset": each one a round trip between processes.
struct Counters {
  long ids = 0, invokes = 0, enumCalls = 0, rejected = 0, released = 0;
  long roundTrips() const { return ids + invokes + enumCalls; }
};
Counters counters(lomandra::com::ComApplication& application);

/// True when the process ends within `milliseconds`.
bool processEnds(unsigned long pid, unsigned long milliseconds);
/// Ends the process (clean-up after a test that released an instance without Quit).
void endProcess(unsigned long pid);
/// Writes `content` (UTF-8) to a new file in the temporary folder; returns its path.
std::wstring writeTempFile(const std::string& content);
/// A workbook file's text (FakeWorkbook.h) of one sheet "Big" of `rows` x `columns` cells: half
/// empty, a quarter General numbers shown as their General text, a quarter texts.
std::string mixedSheet(long rows, long columns);
/// Every cell text of a range, walked as the merge run walks it (or asking every cell).
std::vector<std::wstring> walkTexts(lomandra::com::ComRange& range, bool eachCell = false);

}  // namespace fake_test
