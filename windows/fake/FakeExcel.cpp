// A fake out-of-process spreadsheet application for the automation tests: an apartment-threaded
// local server registered as "Excel.Application". It serves the members the program calls over
// an in-memory workbook read from a text file (see FakeWorkbook.h), registers itself in the
// running-object table, and ends on Quit or after an idle time. Switches, set through its
// control member, make any member fail, cancel the range box, change its name or end the
// process in the middle of a walk.

#include <windows.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FakeClasses.h"
#include "FakeWorkbook.h"

namespace fake {
namespace {

constexpr HRESULT kApplicationError = static_cast<HRESULT>(0x800A03EC);

struct Error {
  HRESULT code;
  std::wstring description;  // empty: the call fails with the bare HRESULT
};

std::wstring upper(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(c));
  return out;
}

struct State {
  std::optional<Workbook> book;
  bool visible = false;
  std::wstring name = L"Microsoft Excel";
  std::set<std::wstring> fail, plain;  // member names, upper case
  bool cancel = false;
  std::wstring pick = L"$A$1";
  long dieAfterTexts = -1;
  long texts = 0;
  ULONGLONG idleMs = 30000;
  ULONGLONG lastCall = GetTickCount64();
  std::wstring journal;
  std::wstring bookFile;  // book=: what every Open reads, whatever path it is given
  std::wstring record;    // record=: a file every journal line is appended to
  DWORD rotCookie = 0;
  DWORD classCookie = 0;
  bool quit = false;
  ULONGLONG quitAt = 0;

  void configure(const std::wstring& switches) {
    fail.clear();
    plain.clear();
    cancel = false;
    dieAfterTexts = -1;
    std::size_t start = 0;
    while (start <= switches.size()) {
      const std::size_t semi = switches.find(L';', start);
      const std::wstring item = switches.substr(start, semi == std::wstring::npos ? std::wstring::npos : semi - start);
      const std::size_t eq = item.find(L'=');
      const std::wstring key = item.substr(0, eq);
      const std::wstring value = eq == std::wstring::npos ? std::wstring() : item.substr(eq + 1);
      auto names = [&](std::set<std::wstring>& into) {
        std::size_t s = 0;
        while (s <= value.size()) {
          const std::size_t c = value.find(L',', s);
          into.insert(upper(value.substr(s, c == std::wstring::npos ? std::wstring::npos : c - s)));
          if (c == std::wstring::npos) break;
          s = c + 1;
        }
      };
      if (key == L"fail") names(fail);
      else if (key == L"plain") names(plain);
      else if (key == L"cancel") cancel = true;
      else if (key == L"pick") pick = value;
      else if (key == L"name") name = value;
      else if (key == L"die") dieAfterTexts = std::stol(value);
      else if (key == L"idle") idleMs = std::stoull(value) * 1000;
      else if (key == L"book") bookFile = value;
      else if (key == L"record") record = value;
      if (semi == std::wstring::npos) break;
      start = semi + 1;
    }
  }
};

State& state() {
  static State s;
  return s;
}

// Appends a journal line to the record file, if one is set (UTF-8 lines): a test that drives
// the whole program reads what every instance, each in its own process, was asked.
void recordLine(const std::wstring& line) {
  const std::wstring& file = state().record;
  if (file.empty()) return;
  std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::app);
  out << narrow(line) << '\n';
}

// The switches every process starts with: the file FakeExcel.switches beside the program, if
// there is one (the same text the control member takes). Each Create starts a new process, so
// a test of the whole program sets its switches there before each command.
void readSwitchesFile() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring file(path, length);
  file = file.substr(0, file.find_last_of(L'\\') + 1) + L"FakeExcel.switches";
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  if (!in) return;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  state().configure(widen(text));
}

// --- arguments ------------------------------------------------------------------------

std::wstring textArg(VARIANT* v) {
  VARIANT copy;
  VariantInit(&copy);
  if (FAILED(VariantChangeType(&copy, v, VARIANT_ALPHABOOL, VT_BSTR))) throw Error{DISP_E_TYPEMISMATCH, L""};
  std::wstring text(V_BSTR(&copy), SysStringLen(V_BSTR(&copy)));
  VariantClear(&copy);
  return text;
}

long longArg(VARIANT* v) {
  VARIANT copy;
  VariantInit(&copy);
  if (FAILED(VariantChangeType(&copy, v, 0, VT_I4))) throw Error{DISP_E_TYPEMISMATCH, L""};
  return V_I4(&copy);
}

std::wstring describe(VARIANT* v) {
  VARIANT* d = (V_VT(v) & VT_BYREF) && V_VT(v) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(v) : v;
  wchar_t buffer[64];
  switch (V_VT(d)) {
    case VT_BSTR: return L"\"" + std::wstring(V_BSTR(d), SysStringLen(V_BSTR(d))) + L"\"";
    case VT_I4: return std::to_wstring(V_I4(d));
    case VT_I2: return std::to_wstring(V_I2(d));
    case VT_R8: std::swprintf(buffer, 64, L"R8:%.17g", V_R8(d)); return buffer;
    case VT_BOOL: return V_BOOL(d) ? L"True" : L"False";
    case VT_EMPTY: return L"Empty";
    default: return L"VT" + std::to_wstring(V_VT(d));
  }
}

void setText(VARIANT* result, std::wstring_view text) {
  if (!result) return;
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void setObject(VARIANT* result, IDispatch* object) {
  if (!result) {
    object->Release();
    return;
  }
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
}

struct Call {
  WORD flags;
  std::vector<VARIANT*> args;          // positional, first to last
  std::map<DISPID, VARIANT*> named;    // by parameter id
  VARIANT* result;
  bool isPut() const { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
  VARIANT* putValue() const {
    const auto it = named.find(DISPID_PROPERTYPUT);
    if (it == named.end()) throw Error{DISP_E_PARAMNOTFOUND, L""};
    return it->second;
  }
  void argCount(std::size_t n) const {
    if (args.size() != n) throw Error{DISP_E_BADPARAMCOUNT, L""};
  }
};

// --- the object base: names, switches, journal, errors ----------------------------------

class Object : public IDispatch {
 public:
  using Members = std::vector<std::pair<std::wstring, DISPID>>;
  Object(std::wstring label, Members members) : label_(std::move(label)), members_(std::move(members)) {}
  virtual ~Object() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    HRESULT hr = S_OK;
    const DISPID member = idOf(names[0]);
    ids[0] = member;
    if (member == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) {
      ids[i] = parameterId(member, upper(names[i]));
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT*) override {
    State& s = state();
    s.lastCall = GetTickCount64();
    const std::wstring member = nameOf(id);
    if (member.empty()) return DISP_E_MEMBERNOTFOUND;
    Call call{flags, {}, {}, result};
    const UINT named = params ? params->cNamedArgs : 0;
    const UINT total = params ? params->cArgs : 0;
    for (UINT i = 0; i < named; ++i) call.named[params->rgdispidNamedArgs[i]] = &params->rgvarg[i];
    for (UINT i = total; i > named; --i) call.args.push_back(&params->rgvarg[i - 1]);
    if (result) VariantInit(result);
    const bool control = member.rfind(L"LomandraFake", 0) == 0;
    if (!control) {
      std::wstring line = label_ + L"." + member;
      if (call.isPut()) {
        if (call.named.count(DISPID_PROPERTYPUT)) line += L"=" + describe(call.named[DISPID_PROPERTYPUT]);
      } else {
        line += L"(";
        bool first = true;
        for (VARIANT* a : call.args) { line += (first ? L"" : L",") + describe(a); first = false; }
        for (const auto& [pid, a] : call.named) { line += (first ? L"" : L",") + parameterName(id, pid) + L"=" + describe(a); first = false; }
        line += L")";
      }
      s.journal += line + L"\n";
      recordLine(line);
    }
    try {
      const std::wstring key = upper(member);
      if (s.plain.count(key)) throw Error{E_ACCESSDENIED, L""};
      if (s.fail.count(key)) throw Error{kApplicationError, L"Fake failure of " + member + L"."};
      invoke(id, call);
      return S_OK;
    } catch (const Error& e) {
      if (result) VariantClear(result);
      if (e.description.empty() || !info) return e.code;
      *info = EXCEPINFO{};
      info->scode = e.code;
      info->bstrSource = SysAllocString(L"Microsoft Excel");
      info->bstrDescription = SysAllocString(e.description.c_str());
      return DISP_E_EXCEPTION;
    } catch (const std::exception&) {
      return E_FAIL;
    }
  }

 protected:
  virtual void invoke(DISPID id, Call& call) = 0;
  virtual DISPID parameterId(DISPID, const std::wstring&) const { return DISPID_UNKNOWN; }
  virtual std::wstring parameterName(DISPID, DISPID pid) const { return std::to_wstring(pid); }
  std::wstring label_;

 private:
  DISPID idOf(const wchar_t* name) const {
    const std::wstring key = upper(name);
    for (const auto& [n, id] : members_)
      if (upper(n) == key) return id;
    return DISPID_UNKNOWN;
  }
  std::wstring nameOf(DISPID id) const {
    for (const auto& [n, i] : members_)
      if (i == id) return n;
    return {};
  }
  Members members_;
  ULONG refs_ = 1;
};

Workbook& book() {
  if (!state().book) throw Error{kApplicationError, L"No workbook is open."};
  return *state().book;
}

IDispatch* makeRange(std::size_t sheet, std::vector<Area> areas, bool columns = false);
IDispatch* makeWorksheet(std::size_t sheet);

// --- enumeration --------------------------------------------------------------------

class CellEnum : public IEnumVARIANT {
 public:
  CellEnum(std::size_t sheet, std::vector<std::pair<long, long>> cells) : sheet_(sheet), cells_(std::move(cells)) {}
  virtual ~CellEnum() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
      *out = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
    state().lastCall = GetTickCount64();
    ULONG n = 0;
    for (; n < count && at_ < cells_.size(); ++n, ++at_) {
      const auto [row, column] = cells_[at_];
      VariantInit(&items[n]);
      setObject(&items[n], makeRange(sheet_, {Area{row, column, row, column}}));
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    at_ += count;
    return at_ <= cells_.size() ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    auto* copy = new CellEnum(sheet_, cells_);
    copy->at_ = at_;
    *out = copy;
    return S_OK;
  }

 private:
  std::size_t sheet_;
  std::vector<std::pair<long, long>> cells_;
  std::size_t at_ = 0;
  ULONG refs_ = 1;
};

// --- Range --------------------------------------------------------------------------

class RangeObject : public Object {
 public:
  RangeObject(std::size_t sheet, std::vector<Area> areas, bool columns)
      : Object(L"Range(" + addressOf(areas) + L")",
               {{L"Worksheet", 1}, {L"Address", 2}, {L"Text", 3}, {L"Value", 0}, {L"Value2", 5},
                {L"NumberFormat", 6}, {L"NumberFormatLocal", 9}, {L"_NewEnum", DISPID_NEWENUM}, {L"AutoFit", 7}, {L"Count", 8}}),
        sheet_(sheet), areas_(std::move(areas)), columns_(columns) {
    if (columns_) label_ = L"Columns";
  }

 protected:
  void invoke(DISPID id, Call& call) override {
    switch (id) {
      case 1: return setObject(call.result, makeWorksheet(sheet_));
      case 2: call.argCount(0); return setText(call.result, addressOf(areas_));
      case 3: {
        State& s = state();
        if (s.dieAfterTexts >= 0 && s.texts++ >= s.dieAfterTexts) TerminateProcess(GetCurrentProcess(), 3);
        const Cell& c = first();
        return setText(call.result, c.text);
      }
      case 0:
        if (call.isPut()) return write(call.putValue());
        [[fallthrough]];
      case 5: {
        const Cell& c = first();
        if (!call.result) return;
        if (c.kind == Cell::Kind::Number) {
          V_VT(call.result) = VT_R8;
          V_R8(call.result) = c.number;
        } else if (c.kind == Cell::Kind::Text) {
          setText(call.result, c.text);
        }
        return;
      }
      case 6:
      case 9: return setText(call.result, first().format);  // the fake speaks en-US only
      case DISPID_NEWENUM: {
        std::vector<std::pair<long, long>> cells;
        for (const Area& a : areas_)
          for (long r = a.top; r <= a.bottom; ++r)
            for (long c = a.left; c <= a.right; ++c) cells.emplace_back(r, c);
        if (!call.result) return;
        V_VT(call.result) = VT_UNKNOWN;
        V_UNKNOWN(call.result) = new CellEnum(sheet_, std::move(cells));
        return;
      }
      case 7: return;  // AutoFit: widths are not kept
      case 8: {
        long n = 0;
        for (const Area& a : areas_) n += (a.bottom - a.top + 1) * (a.right - a.left + 1);
        if (call.result) { V_VT(call.result) = VT_I4; V_I4(call.result) = n; }
        return;
      }
    }
  }

 private:
  const Cell& first() const { return book().sheets.at(sheet_).at(areas_.front().top, areas_.front().left); }

  void write(VARIANT* value) {
    Cell cell;
    if (V_VT(value) == VT_R8 || V_VT(value) == VT_I4) {
      cell.kind = Cell::Kind::Number;
      cell.number = V_VT(value) == VT_R8 ? V_R8(value) : V_I4(value);
      wchar_t buffer[64];
      std::swprintf(buffer, 64, L"%.15g", cell.number);
      cell.text = cell.wide = buffer;
    } else {
      cell.kind = Cell::Kind::Text;
      cell.text = textArg(value);
      if (!cell.text.empty() && cell.text.front() == L'\'') cell.text.erase(0, 1);  // the text prefix
    }
    book().sheets.at(sheet_).cells[{areas_.front().top, areas_.front().left}] = cell;
  }

  std::size_t sheet_;
  std::vector<Area> areas_;
  bool columns_;
};

IDispatch* makeRange(std::size_t sheet, std::vector<Area> areas, bool columns) {
  return new RangeObject(sheet, std::move(areas), columns);
}

// --- Worksheet, Workbook(s), WorksheetFunction -----------------------------------------

class WorksheetObject : public Object {
 public:
  explicit WorksheetObject(std::size_t sheet)
      : Object(L"Worksheet", {{L"Name", 0}, {L"Cells", 1}, {L"Columns", 2}}), sheet_(sheet) {}

 protected:
  void invoke(DISPID id, Call& call) override {
    switch (id) {
      case 0: return setText(call.result, book().sheets.at(sheet_).name);
      case 1: {
        call.argCount(2);
        const long row = longArg(call.args[0]), column = longArg(call.args[1]);
        if (row < 1 || column < 1 || row > 1048576 || column > 16384)
          throw Error{kApplicationError, L"Application-defined or object-defined error"};
        return setObject(call.result, makeRange(sheet_, {Area{row, column, row, column}}));
      }
      case 2: return setObject(call.result, makeRange(sheet_, {Area{1, 1, 1048576, 16384}}, true));
    }
  }

 private:
  std::size_t sheet_;
};

IDispatch* makeWorksheet(std::size_t sheet) { return new WorksheetObject(sheet); }

class WorkbookObject : public Object {
 public:
  WorkbookObject() : Object(L"Workbook", {{L"Name", 0}}) {}

 protected:
  void invoke(DISPID, Call& call) override { setText(call.result, L"Book1"); }
};

class WorkbooksObject : public Object {
 public:
  WorkbooksObject() : Object(L"Workbooks", {{L"Open", 1}, {L"Add", 2}}) {}

 protected:
  void invoke(DISPID id, Call& call) override {
    if (id == 1) {
      call.argCount(1);
      if (!call.named.empty()) throw Error{DISP_E_BADPARAMCOUNT, L""};
      const std::wstring path = textArg(call.args[0]);
      try {
        state().book = readWorkbook(state().bookFile.empty() ? path : state().bookFile);
      } catch (const std::exception&) {
        throw Error{kApplicationError, L"Sorry, we couldn't find " + path +
                                           L". Is it possible it was moved, renamed or deleted?"};
      }
    } else {
      Workbook added;
      added.sheets.push_back({L"Sheet1", {}});
      state().book = added;
    }
    setObject(call.result, new WorkbookObject);
  }
};

class FunctionsObject : public Object {
 public:
  FunctionsObject() : Object(L"WorksheetFunction", {{L"Text", 1}}) {}

 protected:
  void invoke(DISPID, Call& call) override {
    call.argCount(2);
    const VARTYPE type = V_VT(call.args[0]);
    if (type == VT_R8 || type == VT_I4) {
      const double value = type == VT_R8 ? V_R8(call.args[0]) : V_I4(call.args[0]);
      const std::wstring format = textArg(call.args[1]);
      for (const Sheet& sheet : book().sheets)
        for (const auto& [at, cell] : sheet.cells)
          if (cell.kind == Cell::Kind::Number && !cell.wide.empty() && cell.number == value &&
              cell.format == format)
            return setText(call.result, cell.wide);
    }
    throw Error{kApplicationError, L"Unable to get the Text property of the WorksheetFunction class"};
  }
};

// --- Application ------------------------------------------------------------------------

class ApplicationObject : public Object {
 public:
  ApplicationObject()
      : Object(L"Application", {{L"Name", DISPID_VALUE}, {L"_Default", DISPID_VALUE}, {L"Workbooks", 1},
                                {L"Visible", 2}, {L"InputBox", 3}, {L"Range", 4}, {L"ActiveSheet", 5},
                                {L"WorksheetFunction", 6}, {L"Quit", 7}, {kControlMember, 100},
                                {kProcessIdMember, 101}}) {}

 protected:
  DISPID parameterId(DISPID member, const std::wstring& name) const override {
    if (member != 3) return DISPID_UNKNOWN;
    static const wchar_t* const names[] = {L"PROMPT", L"TITLE", L"DEFAULT", L"LEFT", L"TOP", L"HELPFILE", L"HELPCONTEXTID", L"TYPE"};
    for (DISPID i = 0; i < 8; ++i)
      if (name == names[i]) return i;
    return DISPID_UNKNOWN;
  }
  std::wstring parameterName(DISPID member, DISPID pid) const override {
    static const wchar_t* const names[] = {L"Prompt", L"Title", L"Default", L"Left", L"Top", L"HelpFile", L"HelpContextID", L"Type"};
    return member == 3 && pid >= 0 && pid < 8 ? names[pid] : std::to_wstring(pid);
  }

  void invoke(DISPID id, Call& call) override {
    State& s = state();
    switch (id) {
      case DISPID_VALUE: call.argCount(0); return setText(call.result, s.name);
      case 1: return setObject(call.result, new WorkbooksObject);
      case 2:
        if (call.isPut()) {
          s.visible = longArg(call.putValue()) != 0;
        } else if (call.result) {
          V_VT(call.result) = VT_BOOL;
          V_BOOL(call.result) = s.visible ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return;
      case 3: {
        // The range box: Prompt and Type by name, Type 8 for a range.
        if (!call.args.empty() || !call.named.count(0) || !call.named.count(7) || longArg(call.named[7]) != 8)
          throw Error{DISP_E_PARAMNOTFOUND, L""};
        if (s.cancel) {
          if (call.result) { V_VT(call.result) = VT_BOOL; V_BOOL(call.result) = VARIANT_FALSE; }
          return;
        }
        const auto ref = parseReference(book(), s.pick);
        if (!ref) throw Error{kApplicationError, L"The fake has no range to pick."};
        return setObject(call.result, makeRange(ref->sheet, ref->areas));
      }
      case 4: {
        call.argCount(1);
        const auto ref = parseReference(book(), textArg(call.args[0]));
        if (!ref) throw Error{kApplicationError, L"Method 'Range' of object '_Application' failed"};
        return setObject(call.result, makeRange(ref->sheet, ref->areas));
      }
      case 5: return setObject(call.result, makeWorksheet(book().active));
      case 6: return setObject(call.result, new FunctionsObject);
      case 7:
        // Ends shortly after the answer has gone out, as the application does.
        s.quit = true;
        s.quitAt = GetTickCount64() + 300;
        return;
      case 100:
        if (call.isPut()) return s.configure(textArg(call.putValue()));
        return setText(call.result, s.journal);
      case 101:
        if (call.result) { V_VT(call.result) = VT_I4; V_I4(call.result) = static_cast<LONG>(GetCurrentProcessId()); }
        return;
    }
  }
};

// --- class factory and server ------------------------------------------------------------

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* application = new ApplicationObject;
    const HRESULT hr = application->QueryInterface(riid, out);
    if (SUCCEEDED(hr) && state().rotCookie == 0)
      RegisterActiveObject(application, kFakeClassId, ACTIVEOBJECT_STRONG, &state().rotCookie);
    // One instance per process, as the spreadsheet application does: the next Create starts a
    // new process.
    if (state().classCookie) CoRevokeClassObject(std::exchange(state().classCookie, 0));
    application->Release();
    recordLine(L"Application created");
    state().lastCall = GetTickCount64();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

bool setValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS) return false;
  const LONG rc = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return rc == ERROR_SUCCESS;
}

// The class registrations, machine-wide (the place Wine reads them from).
int registerServer() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring classes = L"Software\\Classes\\";
  bool ok = setValue(HKEY_LOCAL_MACHINE, classes + kFakeClassName + L"\\CLSID", nullptr, kFakeClassIdText) &&
            setValue(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + kFakeClassIdText, nullptr, L"Fake spreadsheet application") &&
            setValue(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + kFakeClassIdText + L"\\LocalServer32", nullptr,
                     L"\"" + std::wstring(path) + L"\"") &&
            setValue(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + kFakeClassIdText + L"\\ProgID", nullptr, kFakeClassName) &&
            setValue(HKEY_LOCAL_MACHINE, classes + kIdleClassName + L"\\CLSID", nullptr, kIdleClassIdText) &&
            setValue(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + kIdleClassIdText, nullptr, L"Never running");
  std::fputs(ok ? "registered\n" : "registration failed\n", stdout);
  return ok ? 0 : 1;
}

int serve() {
  readSwitchesFile();
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  static Factory factory;
  if (FAILED(CoRegisterClassObject(kFakeClassId, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE,
                                   &state().classCookie)))
    return 3;
  SetTimer(nullptr, 0, 100, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    const ULONGLONG now = GetTickCount64();
    if (message.message == WM_TIMER &&
        ((state().quit && now >= state().quitAt) || now - state().lastCall > state().idleMs))
      break;
    DispatchMessageW(&message);
  }
  if (state().rotCookie) RevokeActiveObject(state().rotCookie, nullptr);
  if (state().classCookie) CoRevokeClassObject(state().classCookie);
  CoUninitialize();
  return 0;
}

}  // namespace
}  // namespace fake

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i)
    if (std::wstring(args[i]) == L"/regserver") return fake::registerServer();
  return fake::serve();
}
