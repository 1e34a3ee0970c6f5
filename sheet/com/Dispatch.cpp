#include "sheet/com/Dispatch.h"

#include <algorithm>
#include <cwchar>

#include "sheet/com/MessageFilter.h"

namespace lomandra::com {

Variant Variant::fromText(std::wstring_view text) {
  Variant v;
  V_VT(v.get()) = VT_BSTR;
  V_BSTR(v.get()) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!V_BSTR(v.get())) {
    V_VT(v.get()) = VT_EMPTY;
    throw ComFailure("Out of memory for a text of " + std::to_string(text.size()) + " characters.",
                     E_OUTOFMEMORY);
  }
  return v;
}

Variant Variant::fromLong(long value) {
  Variant v;
  V_VT(v.get()) = VT_I4;
  V_I4(v.get()) = value;
  return v;
}

Variant Variant::fromDouble(double value) {
  Variant v;
  V_VT(v.get()) = VT_R8;
  V_R8(v.get()) = value;
  return v;
}

Variant Variant::fromBool(bool value) {
  Variant v;
  V_VT(v.get()) = VT_BOOL;
  V_BOOL(v.get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

std::string toUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
  return out;
}

std::wstring fromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), needed);
  return out;
}

namespace {

std::wstring systemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length > 0 && buffer) text.assign(buffer, length);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
    text.pop_back();
  return text;
}

std::wstring hex(HRESULT code) {
  wchar_t buffer[16];
  std::swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(code));
  return buffer;
}

}  // namespace

std::wstring describeHresult(HRESULT code) {
  std::wstring text = systemText(static_cast<DWORD>(code));
  // Errors of the Win32 facility are also known by their plain Win32 number.
  if (text.empty() && HRESULT_FACILITY(code) == FACILITY_WIN32)
    text = systemText(static_cast<DWORD>(HRESULT_CODE(code)));
  if (text.empty()) return L"error " + hex(code);
  return text + L" (" + hex(code) + L")";
}

void throwFailure(std::wstring_view action, HRESULT code, EXCEPINFO* info) {
  std::wstring description;
  if (info) {
    if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
    if (info->bstrDescription) description.assign(info->bstrDescription, SysStringLen(info->bstrDescription));
    while (!description.empty() && (description.back() == L'\r' || description.back() == L'\n'))
      description.pop_back();
    const HRESULT reported = info->scode != 0 ? info->scode : code;
    if (description.empty()) {
      description = info->wCode != 0 ? L"error " + std::to_wstring(info->wCode) : describeHresult(reported);
    }
    code = reported;
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrHelpFile);
    *info = EXCEPINFO{};
  } else if (isBusyRejection(code)) {
    description = busyDescription();
  } else {
    description = describeHresult(code);
  }
  throw ComFailure(toUtf8(std::wstring(action) + L" failed: " + description), code);
}

void initializeApartment() {
  thread_local bool initialised = false;
  if (initialised) return;
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // S_FALSE: already initialised the same way; RPC_E_CHANGED_MODE: the thread is already in
  // the multithreaded apartment, where the calls work as well. Either way it stays as it is.
  if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) throwFailure(L"Starting COM", hr);
  if (hr != RPC_E_CHANGED_MODE) registerBusyFilter();
  initialised = true;
}

// --- member ids ---------------------------------------------------------------------------

const std::vector<DISPID>* MemberIds::find(const std::wstring& key) const {
  const auto it = ids_.find(key);
  return it == ids_.end() ? nullptr : &it->second;
}

void MemberIds::keep(const std::wstring& key, std::vector<DISPID> ids) { ids_[key] = std::move(ids); }

void MemberIds::forget(const std::wstring& key) { ids_.erase(key); }

// --- Dispatch -------------------------------------------------------------------------------

Dispatch::Dispatch(ComPtr<IDispatch> object, std::wstring label, std::wstring type, std::shared_ptr<MemberIds> ids)
    : object_(std::move(object)), label_(std::move(label)), type_(std::move(type)), ids_(std::move(ids)) {
  if (!object_) throw ComFailure(toUtf8(label_) + ": no object.", E_POINTER);
}

namespace {

ComPtr<IDispatch> objectIn(Variant& value, std::wstring_view label) {
  VARIANT* v = value.get();
  IDispatch* object = nullptr;
  if (V_VT(v) == VT_DISPATCH) {
    object = V_DISPATCH(v);
    if (object) object->AddRef();
  } else if (V_VT(v) == VT_UNKNOWN && V_UNKNOWN(v)) {
    V_UNKNOWN(v)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object));
  }
  if (!object)
    throw ComFailure(toUtf8(label) + ": the spreadsheet application returned no object.", E_POINTER);
  return ComPtr<IDispatch>::adopt(object);
}

}  // namespace

Dispatch Dispatch::fromVariant(Variant value, std::wstring label) {
  ComPtr<IDispatch> object = objectIn(value, label);
  return Dispatch(std::move(object), std::move(label));
}

Dispatch Dispatch::child(Variant value, std::wstring label, std::wstring type) const {
  ComPtr<IDispatch> object = objectIn(value, label);
  return Dispatch(std::move(object), std::move(label), std::move(type), ids_);
}

std::wstring Dispatch::action(std::wstring_view member) const {
  return label_ + L"." + std::wstring(member);
}

std::wstring Dispatch::cacheKey(std::wstring_view member, const std::vector<NamedArgument>& named) const {
  if (type_.empty() || !ids_) return {};
  std::wstring key = type_ + L"." + std::wstring(member);
  for (const NamedArgument& a : named) key += L"/" + a.name;
  return key;
}

std::vector<DISPID> Dispatch::idsOf(std::wstring_view member, const std::vector<NamedArgument>& named) const {
  const std::wstring key = cacheKey(member, named);
  if (!key.empty())
    if (const std::vector<DISPID>* known = ids_->find(key)) return *known;
  std::vector<std::wstring> names{std::wstring(member)};
  for (const NamedArgument& a : named) names.push_back(a.name);
  std::vector<LPOLESTR> pointers;
  for (std::wstring& n : names) pointers.push_back(n.data());
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  const HRESULT hr = retryWhileBusy([&] {
    return object_->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                  LOCALE_USER_DEFAULT, ids.data());
  });
  if (FAILED(hr)) throwFailure(action(member), hr);
  if (!key.empty()) ids_->keep(key, ids);
  return ids;
}

HRESULT Dispatch::invokeOnce(DISPID id, WORD flags, std::vector<Variant>& args, std::vector<DISPID> namedIds,
                             Variant& result, EXCEPINFO& info) const {
  // Invoke takes the arguments last to first; named ones come first in that array.
  std::vector<VARIANTARG> reversed;
  reversed.reserve(args.size());
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());
  std::reverse(namedIds.begin(), namedIds.end());
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  params.rgdispidNamedArgs = namedIds.empty() ? nullptr : namedIds.data();
  params.cNamedArgs = static_cast<UINT>(namedIds.size());
  UINT argumentError = 0;
  const bool wantsResult = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) == 0;
  return retryWhileBusy([&] {
    return object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                           wantsResult ? result.put() : nullptr, &info, &argumentError);
  });
}

Variant Dispatch::invoke(std::wstring_view member, std::vector<DISPID> ids, WORD flags, std::vector<Variant>& args,
                         const std::vector<NamedArgument>& named) const {
  // Named arguments follow the positional ones; a property put names its value DISPID_PROPERTYPUT.
  std::vector<DISPID> namedIds(ids.begin() + 1, ids.end());
  if (flags & DISPATCH_PROPERTYPUT) namedIds.assign(1, DISPID_PROPERTYPUT);
  Variant result;
  EXCEPINFO info{};
  HRESULT hr = invokeOnce(ids.front(), flags, args, namedIds, result, info);
  // An id kept from another object of the same type that this one does not know: ask afresh.
  const std::wstring key = cacheKey(member, named);
  if (hr == DISP_E_MEMBERNOTFOUND && !key.empty() && ids_->find(key)) {
    ids_->forget(key);
    const std::vector<DISPID> fresh = idsOf(member, named);
    if (fresh != ids) {
      namedIds.assign(fresh.begin() + 1, fresh.end());
      if (flags & DISPATCH_PROPERTYPUT) namedIds.assign(1, DISPID_PROPERTYPUT);
      hr = invokeOnce(fresh.front(), flags, args, namedIds, result, info);
    }
  }
  if (hr == DISP_E_EXCEPTION) throwFailure(action(member), hr, &info);
  if (FAILED(hr)) throwFailure(action(member), hr);
  return result;
}

Variant Dispatch::get(std::wstring_view member, std::vector<Variant> args) const {
  return invoke(member, idsOf(member, {}), DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, {});
}

Dispatch Dispatch::getObject(std::wstring_view member, std::vector<Variant> args, std::wstring type) const {
  if (type.empty()) type = member;
  return child(get(member, std::move(args)), std::wstring(member), std::move(type));
}

void Dispatch::put(std::wstring_view member, Variant value) const {
  std::vector<Variant> args;
  args.push_back(std::move(value));
  invoke(member, idsOf(member, {}), DISPATCH_PROPERTYPUT, args, {});
}

Variant Dispatch::call(std::wstring_view member, std::vector<Variant> args,
                       std::vector<NamedArgument> named) const {
  // Positional arguments first, named ones after them, in the order given.
  std::vector<Variant> all = std::move(args);
  for (NamedArgument& a : named) all.push_back(a.value);
  return invoke(member, idsOf(member, named), DISPATCH_METHOD, all, named);
}

Variant Dispatch::getDefault() const {
  std::vector<Variant> none;
  Variant result;
  EXCEPINFO info{};
  const HRESULT hr = invokeOnce(DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, {}, result, info);
  if (hr == DISP_E_EXCEPTION) throwFailure(action(L"[default member]"), hr, &info);
  if (FAILED(hr)) throwFailure(action(L"[default member]"), hr);
  return result;
}

ComPtr<IEnumVARIANT> Dispatch::enumerate() const {
  std::vector<Variant> none;
  Variant value;
  EXCEPINFO info{};
  const HRESULT hr = invokeOnce(DISPID_NEWENUM, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, {}, value, info);
  if (hr == DISP_E_EXCEPTION) throwFailure(action(L"_NewEnum"), hr, &info);
  if (FAILED(hr)) throwFailure(action(L"_NewEnum"), hr);
  IUnknown* unknown = nullptr;
  if (value.type() == VT_UNKNOWN) unknown = V_UNKNOWN(value.get());
  if (value.type() == VT_DISPATCH) unknown = V_DISPATCH(value.get());
  if (!unknown) throw ComFailure(toUtf8(action(L"_NewEnum")) + " failed: no enumerator was returned.", E_POINTER);
  ComPtr<IEnumVARIANT> enumerator;
  const HRESULT qi = unknown->QueryInterface(IID_IEnumVARIANT, enumerator.putVoid());
  if (FAILED(qi)) throwFailure(action(L"_NewEnum"), qi);
  return enumerator;
}

std::wstring textOf(const Variant& value, std::wstring_view what) {
  if (value.type() == VT_BSTR) {
    const BSTR b = V_BSTR(value.get());
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
  }
  if (value.type() == VT_EMPTY || value.type() == VT_NULL) return {};
  Variant converted;
  const HRESULT hr = VariantChangeType(converted.put(), const_cast<VARIANT*>(value.get()), VARIANT_ALPHABOOL, VT_BSTR);
  if (FAILED(hr)) throwFailure(std::wstring(what) + L" (reading a text)", hr);
  return textOf(converted, what);
}

}  // namespace lomandra::com
