#pragma once

// A busy spreadsheet application: while the user edits a cell or one of its dialogs is open it
// rejects every call ("retry later"), and COM's own answer is to fail the call at once. The
// message filter registered on the calling thread asks COM to retry instead, for a bounded
// time; the same bound applies to a call that comes back rejected anyway (a COM that does not
// retry on its own, or a server that rejects outright), which the automation core retries
// itself. Past the bound the call fails with a description that says the application was busy.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

namespace lomandra::com {

/// How long a rejected call is retried: 60 seconds unless set otherwise (tests shorten it).
std::chrono::milliseconds busyBound();
void setBusyBound(std::chrono::milliseconds bound);

/// Whether an HRESULT says the application refused the call because it is busy.
bool isBusyRejection(HRESULT code);

/// The wait in milliseconds before the next attempt of a call first made `elapsedMs` ago, or
/// nothing once the bound has passed. Short at first (a busy moment is often brief), longer
/// later so that a long wait does not keep the application's message loop flooded.
std::optional<DWORD> busyRetryDelay(ULONGLONG elapsedMs);

/// The description of a call that stayed rejected past the bound.
std::wstring busyDescription();

/// Registers the retrying message filter on the calling thread (an apartment-threaded one);
/// once per thread, and nothing in a multithreaded apartment, where COM keeps no filters.
void registerBusyFilter();

/// Calls `attempt` (which returns an HRESULT) again while it comes back rejected as busy and the
/// bound has not passed since the first attempt.
template <typename Attempt>
HRESULT retryWhileBusy(Attempt&& attempt) {
  const ULONGLONG start = GetTickCount64();
  while (true) {
    const HRESULT hr = attempt();
    if (!isBusyRejection(hr)) return hr;
    const std::optional<DWORD> wait = busyRetryDelay(GetTickCount64() - start);
    if (!wait) return hr;
    Sleep(*wait);
  }
}

}  // namespace lomandra::com
