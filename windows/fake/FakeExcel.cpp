// A fake out-of-process spreadsheet application for the automation tests: an apartment-threaded
// local server registered as "Excel.Application". It serves the members the program calls over
// in-memory workbooks read from text files (see FakeWorkbook.h), registers itself in the
// running-object table, and ends on Quit or after an idle time. It behaves as the real
// application does where the program depends on it; windows/fake/README.md lists each behaviour
// with the reason to believe the real application does the same, and every switch, set through
// its control member, that makes members fail or reject calls, adds latency, or plays the user.

#include <windows.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstdio>
#include <cwctype>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FakeClasses.h"
#include "FakeWorkbook.h"
#include "sheet/numfmt/NumberFormat.h"

namespace fake {
namespace {

// The application's own failure (error 1004), with a description in EXCEPINFO.
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

std::vector<std::wstring> splitList(const std::wstring& value, wchar_t separator) {
  std::vector<std::wstring> items;
  std::size_t s = 0;
  while (s <= value.size()) {
    const std::size_t c = value.find(separator, s);
    items.push_back(value.substr(s, c == std::wstring::npos ? std::wstring::npos : c - s));
    if (c == std::wstring::npos) break;
    s = c + 1;
  }
  return items;
}

// An open workbook; objects that belong to it keep it, and fail once it is closed.
struct Book {
  Workbook data;
  bool closed = false;
};
using BookPtr = std::shared_ptr<Book>;

struct Counters {
  long ids = 0, invokes = 0, enumCalls = 0, rejected = 0, released = 0;
};

struct State {
  std::vector<BookPtr> books;  // open, in the order opened
  BookPtr active;
  int added = 0;
  bool visible = false;
  std::wstring name = L"Microsoft Excel";
  std::set<std::wstring> fail, plain;  // member names, upper case
  std::map<std::wstring, long> busyCalls;  // member (upper case) -> calls still to reject
  ULONGLONG busyUntil = 0;
  long latencyMicroseconds = 0;
  bool cancel = false;
  std::wstring pick = L"$A$1";
  long dieAfterTexts = -1;
  long texts = 0;
  std::wstring decimal = L".", thousands = L",";
  bool systemSeparators = true;
  ULONGLONG idleMs = 30000;
  ULONGLONG lastCall = GetTickCount64();
  std::wstring journal;
  std::wstring bookFile;  // book=: what every Open reads, whatever path it is given
  std::wstring record;    // record=: a file every journal line is appended to
  Counters counters;
  DWORD rotCookie = 0;
  DWORD classCookie = 0;
  bool quit = false;
  ULONGLONG quitAt = 0;

  void configure(const std::wstring& switches);
};

State& state() {
  static State s;
  return s;
}

// Appends a line to the record file, if one is set (UTF-8 lines): a test that drives the whole
// program reads what every instance, each in a process of its own, was asked.
void recordLine(const std::wstring& line) {
  const std::wstring& file = state().record;
  if (file.empty()) return;
  if (FILE* out = _wfopen(file.c_str(), L"ab")) {
    const std::string bytes = narrow(line) + '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
  }
}

// Adds a line to the journal, and to the record.
void journalLine(const std::wstring& line) {
  state().journal += line + L"\n";
  recordLine(line);
}

// The switches every process starts with: the file FakeExcel.switches beside the program, if
// there is one (the same text the control member takes). Each Create starts a new process, so
// a test of the whole program sets its switches there before each command.
void readSwitchesFile() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring file(path, length);
  file = file.substr(0, file.find_last_of(L'\\') + 1) + L"FakeExcel.switches";
  FILE* in = _wfopen(file.c_str(), L"rb");
  if (!in) return;
  std::string text;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) text.append(chunk, n);
  std::fclose(in);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  state().configure(widen(text));
}

BookPtr activeBook() {
  State& s = state();
  if (!s.active) throw Error{kApplicationError, L"No workbook is open."};
  return s.active;
}

void openBook(const std::wstring& path) {
  State& s = state();
  auto book = std::make_shared<Book>();
  try {
    book->data = readWorkbook(s.bookFile.empty() ? path : s.bookFile);
  } catch (const std::exception&) {
    throw Error{kApplicationError, L"Sorry, we couldn't find " + path + L". Is it possible it was moved, renamed or deleted?"};
  }
  s.books.push_back(book);
  s.active = book;
}

void State::configure(const std::wstring& switches) {
  fail.clear();
  plain.clear();
  busyCalls.clear();
  busyUntil = 0;
  latencyMicroseconds = 0;
  cancel = false;
  dieAfterTexts = -1;
  for (const std::wstring& item : splitList(switches, L';')) {
    const std::size_t eq = item.find(L'=');
    const std::wstring key = item.substr(0, eq);
    const std::wstring value = eq == std::wstring::npos ? std::wstring() : item.substr(eq + 1);
    if (key == L"fail") {
      for (const std::wstring& n : splitList(value, L',')) fail.insert(upper(n));
    } else if (key == L"plain") {
      for (const std::wstring& n : splitList(value, L',')) plain.insert(upper(n));
    } else if (key == L"busy") {
      for (const std::wstring& n : splitList(value, L',')) {
        const std::size_t colon = n.find(L':');
        busyCalls[upper(n.substr(0, colon))] = colon == std::wstring::npos ? 1 : std::stol(n.substr(colon + 1));
      }
    } else if (key == L"busyfor") {
      busyUntil = GetTickCount64() + std::stoull(value);
    } else if (key == L"latency") {
      latencyMicroseconds = std::stol(value);
    } else if (key == L"cancel") {
      cancel = true;
    } else if (key == L"pick") {
      pick = value;
    } else if (key == L"name") {
      name = value;
    } else if (key == L"die") {
      dieAfterTexts = std::stol(value);
    } else if (key == L"idle") {
      idleMs = std::stoull(value) * 1000;
    } else if (key == L"decimal") {
      decimal = value;
    } else if (key == L"thousands") {
      thousands = value;
    } else if (key == L"systemseparators") {
      systemSeparators = value != L"0";
    } else if (key == L"open") {
      openBook(value);  // the user opens another workbook in this instance: it becomes active
    } else if (key == L"activate") {
      const std::size_t n = std::stoul(value);  // the user activates workbook n (1-based)
      if (n >= 1 && n <= books.size()) active = books[n - 1];
    } else if (key == L"sheet") {
      if (active)  // the user activates a sheet of the active workbook by its name
        for (std::size_t i = 0; i < active->data.sheets.size(); ++i)
          if (active->data.sheets[i].name == value) active->data.active = i;
    } else if (key == L"book") {
      bookFile = value;
    } else if (key == L"record") {
      record = value;
    } else if (key == L"reset") {
      journal.clear();
      counters = Counters{};
    }
  }
}

// The time a call costs the real application: spent here, busily, for sub-millisecond accuracy.
void spendLatency() {
  const long micro = state().latencyMicroseconds;
  if (micro <= 0) return;
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const LONGLONG ticks = frequency.QuadPart * micro / 1000000;
  do QueryPerformanceCounter(&now);
  while (now.QuadPart - start.QuadPart < ticks);
}

// Every call the program makes passes here: counted, delayed, and rejected while "busy". A busy
// application's message filter rejects the call before it runs, so a rejected call does nothing.
bool takeCall(long& counter, const std::wstring& member) {
  State& s = state();
  s.lastCall = GetTickCount64();
  if (GetTickCount64() < s.busyUntil) {
    ++s.counters.rejected;
    return false;
  }
  if (!member.empty()) {
    const auto busy = s.busyCalls.find(upper(member));
    if (busy != s.busyCalls.end() && busy->second > 0) {
      --busy->second;
      ++s.counters.rejected;
      return false;
    }
  }
  ++counter;
  spendLatency();
  return true;
}

// --- values -------------------------------------------------------------------------------

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
  VARIANT* d = V_VT(v) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(v) : v;
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

void setLong(VARIANT* result, long value) {
  if (!result) return;
  V_VT(result) = VT_I4;
  V_I4(result) = value;
}

void setBool(VARIANT* result, bool value) {
  if (!result) return;
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void setObject(VARIANT* result, IDispatch* object) {
  if (!result) {
    object->Release();
    return;
  }
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
}

// A cell's Value2: Empty, a string, a double, a Boolean or an error value (VT_ERROR).
void setValue(VARIANT* out, const Cell& cell) {
  VariantInit(out);
  switch (cell.kind) {
    case Cell::Kind::Empty: return;
    case Cell::Kind::Text: setText(out, cell.text); return;
    case Cell::Kind::Number: V_VT(out) = VT_R8; V_R8(out) = cell.number; return;
    case Cell::Kind::Boolean: setBool(out, cell.number != 0); return;
    case Cell::Kind::Error: V_VT(out) = VT_ERROR; V_ERROR(out) = static_cast<SCODE>(0x800A0000 + cell.error); return;
  }
}

// The decimal separator numbers show with: the application's own unless it uses the system's.
std::wstring decimalShown() {
  if (!state().systemSeparators) return state().decimal;
  wchar_t buffer[16];
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 16);
  return length > 1 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : L".";
}

// What a number written into a cell shows: General, in a column wide enough.
std::wstring generalShown(double value) {
  const std::wstring decimal = decimalShown();
  std::wstring text;
  for (const char c : lomandra::numfmt::formatGeneral(value)) {
    if (c == '.') text += decimal;
    else text += static_cast<wchar_t>(c);
  }
  return text;
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

// --- the object base: names, switches, journal, counters, errors -----------------------

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
    if (left == 0) {
      ++state().counters.released;
      delete this;
    }
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
    if (!isControl(names[0]) && !takeCall(state().counters.ids, L"")) return RPC_E_CALL_REJECTED;
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
    const std::wstring member = nameOf(id);
    const bool control = isControl(member);
    if (!control && !takeCall(s.counters.invokes, member)) return RPC_E_CALL_REJECTED;
    if (member.empty()) return DISP_E_MEMBERNOTFOUND;
    Call call{flags, {}, {}, result};
    const UINT named = params ? params->cNamedArgs : 0;
    const UINT total = params ? params->cArgs : 0;
    for (UINT i = 0; i < named; ++i) call.named[params->rgdispidNamedArgs[i]] = &params->rgvarg[i];
    for (UINT i = total; i > named; --i) call.args.push_back(&params->rgvarg[i - 1]);
    if (result) VariantInit(result);
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
      journalLine(line);
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
  static bool isControl(std::wstring_view member) { return member.rfind(L"LomandraFake", 0) == 0; }
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

// A workbook's objects fail once it is closed, as objects whose workbook is gone do.
Workbook& live(const BookPtr& book) {
  if (book->closed) throw Error{RPC_E_DISCONNECTED, L""};
  return book->data;
}

IDispatch* makeRange(BookPtr book, std::size_t sheet, std::vector<Area> areas, const wchar_t* label = nullptr);
IDispatch* makeWorksheet(BookPtr book, std::size_t sheet);

// --- enumeration --------------------------------------------------------------------

class CellEnum : public IEnumVARIANT {
 public:
  CellEnum(BookPtr book, std::size_t sheet, std::vector<std::pair<long, long>> cells)
      : book_(std::move(book)), sheet_(sheet), cells_(std::move(cells)) {}
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
    if (left == 0) {
      ++state().counters.released;
      delete this;
    }
    return left;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
    if (!takeCall(state().counters.enumCalls, L"")) return RPC_E_CALL_REJECTED;
    ULONG n = 0;
    for (; n < count && at_ < cells_.size(); ++n, ++at_) {
      const auto [row, column] = cells_[at_];
      VariantInit(&items[n]);
      setObject(&items[n], makeRange(book_, sheet_, {Area{row, column, row, column}}));
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    if (!takeCall(state().counters.enumCalls, L"")) return RPC_E_CALL_REJECTED;
    at_ += count;
    return at_ <= cells_.size() ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    auto* copy = new CellEnum(book_, sheet_, cells_);
    copy->at_ = at_;
    *out = copy;
    return S_OK;
  }

 private:
  BookPtr book_;
  std::size_t sheet_;
  std::vector<std::pair<long, long>> cells_;
  std::size_t at_ = 0;
  ULONG refs_ = 1;
};

// --- Range --------------------------------------------------------------------------

class RangeObject : public Object {
 public:
  RangeObject(BookPtr book, std::size_t sheet, std::vector<Area> areas, const wchar_t* label)
      : Object(label ? label : L"Range(" + addressOf(areas) + L")",
               {{L"Worksheet", 1}, {L"Address", 2}, {L"Text", 3}, {L"Value", 0}, {L"Value2", 5},
                {L"NumberFormat", 6}, {L"NumberFormatLocal", 9}, {L"_NewEnum", DISPID_NEWENUM}, {L"AutoFit", 7},
                {L"Count", 8}}),
        book_(std::move(book)), sheet_(sheet), areas_(std::move(areas)) {}

 protected:
  void invoke(DISPID id, Call& call) override {
    const Sheet& sheet = live(book_).sheets.at(sheet_);
    switch (id) {
      case 1: return setObject(call.result, makeWorksheet(book_, sheet_));
      case 2: call.argCount(0); return setText(call.result, addressOf(areas_));
      case 3: {
        State& s = state();
        if (s.dieAfterTexts >= 0 && s.texts++ >= s.dieAfterTexts) TerminateProcess(GetCurrentProcess(), 3);
        return shared(call.result, [&](const Cell& c) { return c.text; });
      }
      case 0:
        if (call.isPut()) return write(call.putValue());
        [[fallthrough]];
      case 5: return values(call.result, sheet);
      case 6:
      case 9: return shared(call.result, [](const Cell& c) { return c.format; });  // the fake speaks en-US only
      case DISPID_NEWENUM: {
        std::vector<std::pair<long, long>> cells;
        for (const Area& a : areas_)
          for (long r = a.top; r <= a.bottom; ++r)
            for (long c = a.left; c <= a.right; ++c) cells.emplace_back(r, c);
        if (!call.result) return;
        V_VT(call.result) = VT_UNKNOWN;
        V_UNKNOWN(call.result) = new CellEnum(book_, sheet_, std::move(cells));
        return;
      }
      case 7: return;  // AutoFit: widths are not kept
      case 8: {
        // The cells of every area (overlaps counted twice); a sheet's Rows or Columns count rows or columns.
        long n = 0;
        for (const Area& a : areas_) n += (a.bottom - a.top + 1) * (a.right - a.left + 1);
        if (label_ == L"Rows") n = areas_.front().bottom - areas_.front().top + 1;
        if (label_ == L"Columns") n = areas_.front().right - areas_.front().left + 1;
        return setLong(call.result, n);
      }
    }
  }

 private:
  // Text and NumberFormat of several cells: the one they share, or Null when they differ.
  template <typename Part>
  void shared(VARIANT* result, Part part) const {
    const Sheet& sheet = live(book_).sheets.at(sheet_);
    const Area& a = areas_.front();
    const std::wstring first = part(sheet.at(a.top, a.left));
    for (long r = a.top; r <= a.bottom; ++r)
      for (long c = a.left; c <= a.right; ++c)
        if (part(sheet.at(r, c)) != first) {
          if (result) V_VT(result) = VT_NULL;
          return;
        }
    setText(result, first);
  }

  // Value2 of one cell is its value; of several, a rows-by-columns array of the first area's.
  void values(VARIANT* result, const Sheet& sheet) const {
    if (!result) return;
    const Area& a = areas_.front();
    if (a.top == a.bottom && a.left == a.right) return setValue(result, sheet.at(a.top, a.left));
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(a.bottom - a.top + 1), 1},
                                {static_cast<ULONG>(a.right - a.left + 1), 1}};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) throw Error{E_OUTOFMEMORY, L""};
    for (long r = a.top; r <= a.bottom; ++r)
      for (long c = a.left; c <= a.right; ++c) {
        const Cell& cell = sheet.at(r, c);
        if (cell.kind == Cell::Kind::Empty) continue;
        VARIANT v;
        setValue(&v, cell);
        LONG at[2] = {r - a.top + 1, c - a.left + 1};
        SafeArrayPutElement(array, at, &v);
        VariantClear(&v);
      }
    V_VT(result) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(result) = array;
  }

  void write(VARIANT* value) {
    Cell cell;
    if (V_VT(value) == VT_R8 || V_VT(value) == VT_I4) {
      cell.kind = Cell::Kind::Number;
      cell.number = V_VT(value) == VT_R8 ? V_R8(value) : V_I4(value);
      cell.text = cell.wide = generalShown(cell.number);
    } else {
      cell.kind = Cell::Kind::Text;
      cell.text = textArg(value);
      if (!cell.text.empty() && cell.text.front() == L'\'') cell.text.erase(0, 1);  // the text prefix
    }
    Workbook& book = live(book_);
    for (const Area& a : areas_)
      for (long r = a.top; r <= a.bottom; ++r)
        for (long c = a.left; c <= a.right; ++c) book.sheets.at(sheet_).cells[{r, c}] = cell;
    book.dirty = true;
  }

  BookPtr book_;
  std::size_t sheet_;
  std::vector<Area> areas_;
};

IDispatch* makeRange(BookPtr book, std::size_t sheet, std::vector<Area> areas, const wchar_t* label) {
  return new RangeObject(std::move(book), sheet, std::move(areas), label);
}

// --- Worksheet, Worksheets, Workbook(s), WorksheetFunction -----------------------------

// Range("...") of the application or of a sheet: at most 255 characters, one sheet.
IDispatch* rangeOf(const BookPtr& book, const std::wstring& text, std::size_t sheet, const wchar_t* owner) {
  const std::wstring failed = std::wstring(L"Method 'Range' of object '") + owner + L"' failed";
  if (text.size() > 255) throw Error{kApplicationError, failed};
  const auto ref = parseReference(live(book), text, sheet);
  if (!ref) throw Error{kApplicationError, failed};
  return makeRange(book, ref->sheet, ref->areas);
}

class WorksheetObject : public Object {
 public:
  WorksheetObject(BookPtr book, std::size_t sheet)
      : Object(L"Worksheet", {{L"Name", 0}, {L"Cells", 1}, {L"Columns", 2}, {L"Rows", 3}, {L"Range", 4},
                              {L"UsedRange", 5}}),
        book_(std::move(book)), sheet_(sheet) {}

 protected:
  void invoke(DISPID id, Call& call) override {
    const Sheet& sheet = live(book_).sheets.at(sheet_);
    switch (id) {
      case 0: return setText(call.result, sheet.name);
      case 1: {
        call.argCount(2);
        const long row = longArg(call.args[0]), column = longArg(call.args[1]);
        if (row < 1 || column < 1 || row > kLastRow || column > kLastColumn)
          throw Error{kApplicationError, L"Application-defined or object-defined error"};
        return setObject(call.result, makeRange(book_, sheet_, {Area{row, column, row, column}}));
      }
      case 2: return setObject(call.result, makeRange(book_, sheet_, {Area{1, 1, kLastRow, kLastColumn}}, L"Columns"));
      case 3: return setObject(call.result, makeRange(book_, sheet_, {Area{1, 1, kLastRow, kLastColumn}}, L"Rows"));
      case 4: call.argCount(1); return setObject(call.result, rangeOf(book_, textArg(call.args[0]), sheet_, L"_Worksheet"));
      case 5: return setObject(call.result, makeRange(book_, sheet_, {sheet.used()}));
    }
  }

 private:
  BookPtr book_;
  std::size_t sheet_;
};

IDispatch* makeWorksheet(BookPtr book, std::size_t sheet) { return new WorksheetObject(std::move(book), sheet); }

class WorksheetsObject : public Object {
 public:
  explicit WorksheetsObject(BookPtr book) : Object(L"Worksheets", {{L"Item", 0}, {L"Count", 1}}), book_(std::move(book)) {}

 protected:
  void invoke(DISPID id, Call& call) override {
    const Workbook& book = live(book_);
    if (id == 1) return setLong(call.result, static_cast<long>(book.sheets.size()));
    call.argCount(1);
    // By number (1 first) or by name, in any case; an index that names nothing is "invalid".
    VARIANT* key = call.args[0];
    if (V_VT(key) == VT_BSTR) {
      const std::wstring name = upper(textArg(key));
      for (std::size_t i = 0; i < book.sheets.size(); ++i)
        if (upper(book.sheets[i].name) == name) return setObject(call.result, makeWorksheet(book_, i));
      throw Error{DISP_E_BADINDEX, L""};
    }
    const long n = longArg(key);
    if (n < 1 || n > static_cast<long>(book.sheets.size())) throw Error{DISP_E_BADINDEX, L""};
    setObject(call.result, makeWorksheet(book_, static_cast<std::size_t>(n - 1)));
  }

 private:
  BookPtr book_;
};

class WorkbookObject : public Object {
 public:
  explicit WorkbookObject(BookPtr book)
      : Object(L"Workbook", {{L"Name", 0}, {L"Worksheets", 1}, {L"Close", 2}, {L"Saved", 3}}), book_(std::move(book)) {}

 protected:
  void invoke(DISPID id, Call& call) override {
    Workbook& book = live(book_);
    switch (id) {
      case 0: return setText(call.result, book.name);
      case 1: return setObject(call.result, new WorksheetsObject(book_));
      case 3: return setBool(call.result, !book.dirty);
      case 2: {
        State& s = state();
        // Without SaveChanges a changed workbook asks whether to save it, and stays open.
        if (call.args.empty() && book.dirty) {
          journalLine(L"(question: save changes to " + book.name + L"?)");
          return;
        }
        if (!call.args.empty() && longArg(call.args[0]) != 0) journalLine(L"(saved " + book.name + L")");
        book_->closed = true;
        std::erase(s.books, book_);
        if (s.active == book_) s.active = s.books.empty() ? nullptr : s.books.back();
        return;
      }
    }
  }

 private:
  BookPtr book_;
};

class WorkbooksObject : public Object {
 public:
  WorkbooksObject() : Object(L"Workbooks", {{L"Item", 0}, {L"Open", 1}, {L"Add", 2}, {L"Count", 3}}) {}

 protected:
  void invoke(DISPID id, Call& call) override {
    State& s = state();
    switch (id) {
      case 0: {
        call.argCount(1);
        const long n = longArg(call.args[0]);
        if (n < 1 || n > static_cast<long>(s.books.size())) throw Error{DISP_E_BADINDEX, L""};
        return setObject(call.result, new WorkbookObject(s.books[static_cast<std::size_t>(n - 1)]));
      }
      case 1:
        call.argCount(1);
        if (!call.named.empty()) throw Error{DISP_E_BADPARAMCOUNT, L""};
        openBook(textArg(call.args[0]));
        return setObject(call.result, new WorkbookObject(s.active));
      case 2: {
        auto book = std::make_shared<Book>();
        book->data.name = L"Book" + std::to_wstring(++s.added);
        book->data.sheets.push_back({L"Sheet1", {}, {}});
        s.books.push_back(book);
        s.active = book;
        return setObject(call.result, new WorkbookObject(book));
      }
      case 3: return setLong(call.result, static_cast<long>(s.books.size()));
    }
  }
};

class FunctionsObject : public Object {
 public:
  FunctionsObject() : Object(L"WorksheetFunction", {{L"Text", 1}}) {}

 protected:
  // TEXT of a number and a format: the wide text a cell of that value and format has in an open
  // workbook; General as the application shows it.
  void invoke(DISPID, Call& call) override {
    call.argCount(2);
    const VARTYPE type = V_VT(call.args[0]);
    if (type == VT_R8 || type == VT_I4) {
      const double value = type == VT_R8 ? V_R8(call.args[0]) : V_I4(call.args[0]);
      const std::wstring format = textArg(call.args[1]);
      for (const BookPtr& book : state().books)
        for (const Sheet& sheet : book->data.sheets)
          for (const auto& [at, cell] : sheet.cells)
            if (cell.kind == Cell::Kind::Number && !cell.wide.empty() && cell.number == value && cell.format == format)
              return setText(call.result, cell.wide);
      if (upper(format) == L"GENERAL") return setText(call.result, generalShown(value));
    }
    throw Error{kApplicationError, L"Unable to get the Text property of the WorksheetFunction class"};
  }
};

// --- Application ------------------------------------------------------------------------

class ApplicationObject : public Object {
 public:
  ApplicationObject()
      : Object(L"Application",
               {{L"Name", DISPID_VALUE}, {L"_Default", DISPID_VALUE}, {L"Workbooks", 1}, {L"Visible", 2},
                {L"InputBox", 3}, {L"Range", 4}, {L"ActiveSheet", 5}, {L"WorksheetFunction", 6}, {L"Quit", 7},
                {L"ActiveWorkbook", 8}, {L"DecimalSeparator", 9}, {L"ThousandsSeparator", 10},
                {L"UseSystemSeparators", 11}, {kControlMember, 100}, {kProcessIdMember, 101},
                {kCountersMember, 102}}) {}

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
        if (call.isPut()) s.visible = longArg(call.putValue()) != 0;
        else setBool(call.result, s.visible);
        return;
      case 3: {
        // The range box: Prompt and Type by name, Type 8 for a range.
        if (!call.args.empty() || !call.named.count(0) || !call.named.count(7) || longArg(call.named[7]) != 8)
          throw Error{DISP_E_PARAMNOTFOUND, L""};
        if (s.cancel) return setBool(call.result, false);
        const BookPtr book = activeBook();
        const auto ref = parseReference(book->data, s.pick, book->data.active, true);
        if (!ref) throw Error{kApplicationError, L"The fake has no range to pick."};
        return setObject(call.result, makeRange(book, ref->sheet, ref->areas));
      }
      case 4: {
        call.argCount(1);
        const BookPtr book = activeBook();
        return setObject(call.result, rangeOf(book, textArg(call.args[0]), book->data.active, L"_Global"));
      }
      case 5: {
        const BookPtr book = activeBook();
        return setObject(call.result, makeWorksheet(book, book->data.active));
      }
      case 6: return setObject(call.result, new FunctionsObject);
      case 7:
        // A changed workbook makes Quit ask whether to save it; nobody answers a hidden instance.
        for (const BookPtr& book : s.books)
          if (book->data.dirty) {
            journalLine(L"(question: save changes to " + book->data.name + L"?)");
            return;
          }
        // Ends shortly after the answer has gone out, as the application does.
        s.quit = true;
        s.quitAt = GetTickCount64() + 300;
        return;
      case 8: return setObject(call.result, new WorkbookObject(activeBook()));
      case 9: return setText(call.result, s.decimal);
      case 10: return setText(call.result, s.thousands);
      case 11:
        if (call.isPut()) s.systemSeparators = longArg(call.putValue()) != 0;
        else setBool(call.result, s.systemSeparators);
        return;
      case 100:
        if (call.isPut()) return s.configure(textArg(call.putValue()));
        return setText(call.result, s.journal);
      case 101: return setLong(call.result, static_cast<long>(GetCurrentProcessId()));
      case 102: {
        const Counters& c = s.counters;
        return setText(call.result, L"ids=" + std::to_wstring(c.ids) + L";invokes=" + std::to_wstring(c.invokes) +
                                        L";enum=" + std::to_wstring(c.enumCalls) + L";rejected=" +
                                        std::to_wstring(c.rejected) + L";released=" + std::to_wstring(c.released));
      }
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
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  readSwitchesFile();
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
