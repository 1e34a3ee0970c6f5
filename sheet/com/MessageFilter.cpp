#include "sheet/com/MessageFilter.h"

#include <objbase.h>

#include <algorithm>

namespace lomandra::com {

namespace {

std::chrono::milliseconds& bound() {
  static std::chrono::milliseconds value{60000};
  return value;
}

// The filter COM consults on this thread. It lives as long as the thread's apartment, so its
// reference count is not kept. (COM interfaces have no virtual destructors, nor need one here.)
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class BusyFilter final : public IMessageFilter {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IMessageFilter) {
      *out = static_cast<IMessageFilter*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  // Calls into this program (it serves none of its own) are taken as they come.
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  // "Retry later" is what a busy application answers; a call it rejects outright comes back at
  // once and is left to retryWhileBusy, which keeps to the same bound.
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsedMs, DWORD rejectType) override {
    if (rejectType != SERVERCALL_RETRYLATER) return static_cast<DWORD>(-1);
    const std::optional<DWORD> wait = busyRetryDelay(elapsedMs);
    return wait ? *wait : static_cast<DWORD>(-1);
  }
  // Window messages that arrive while a call waits are handled as COM does by default.
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

}  // namespace

std::chrono::milliseconds busyBound() { return bound(); }

void setBusyBound(std::chrono::milliseconds value) { bound() = value; }

bool isBusyRejection(HRESULT code) { return code == RPC_E_CALL_REJECTED || code == RPC_E_SERVERCALL_RETRYLATER; }

std::optional<DWORD> busyRetryDelay(ULONGLONG elapsedMs) {
  const auto limit = static_cast<ULONGLONG>(bound().count());
  if (elapsedMs >= limit) return std::nullopt;
  // 10 ms at first, a tenth of the time waited so far later, at most 250 ms, never past the bound.
  const ULONGLONG wait = std::clamp<ULONGLONG>(elapsedMs / 10, 10, 250);
  return static_cast<DWORD>(std::min(wait, limit - elapsedMs));
}

std::wstring busyDescription() {
  return L"the spreadsheet application stayed busy for " + std::to_wstring((bound().count() + 999) / 1000) +
         L" seconds and did not take the call (a cell may be being edited, or one of its dialogs is open).";
}

void registerBusyFilter() {
  thread_local bool registered = false;
  if (registered) return;
  static thread_local BusyFilter filter;
  IMessageFilter* previous = nullptr;
  if (SUCCEEDED(CoRegisterMessageFilter(&filter, &previous))) {
    // A filter registered before ours (none is expected) is no longer consulted.
    if (previous) previous->Release();
  }
  registered = true;
}

}  // namespace lomandra::com
