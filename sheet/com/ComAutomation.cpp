#include "sheet/com/ComAutomation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cwctype>

#include "sheet/com/MessageFilter.h"
#include "sheet/com/Session.h"
#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::com {

namespace {

CLSID classId(const std::wstring& className, std::wstring_view action) {
  CLSID id{};
  const HRESULT hr = CLSIDFromProgID(className.c_str(), &id);
  if (FAILED(hr)) throwFailure(std::wstring(action) + L" \"" + className + L"\"", hr);
  return id;
}

HRESULT grantForeground(IUnknown* object) { return CoAllowSetForegroundWindow(object, nullptr); }

ForegroundGrant& foregroundGrant() {
  static ForegroundGrant grant = &grantForeground;
  return grant;
}

std::wstring localeText(LCTYPE what, const wchar_t* fallback) {
  wchar_t buffer[16];
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, what, buffer, 16);
  return length > 1 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring(fallback);
}

}  // namespace

std::vector<Variant> cellArguments(long row, long column) {
  std::vector<Variant> at;
  at.push_back(Variant::fromLong(row));
  at.push_back(Variant::fromLong(column));
  return at;
}

void setForegroundGrant(ForegroundGrant grant) { foregroundGrant() = grant ? grant : &grantForeground; }

bool isNarrowColumnText(std::wstring_view shown) {
  return !shown.empty() && std::all_of(shown.begin(), shown.end(), [](wchar_t c) { return c == L'#'; });
}

std::wstring generalText(double value, std::wstring_view decimal) {
  const std::string ascii = numfmt::formatGeneral(value);
  std::wstring text;
  for (const char c : ascii) {
    if (c == '.')
      text += decimal;
    else
      text += static_cast<wchar_t>(c);
  }
  return text;
}

SplitReference splitReference(std::wstring_view reference) {
  if (!reference.empty() && reference.front() == L'\'') {
    // The name runs to the last "'!": the name as the workbook has it, its apostrophes undoubled.
    const std::size_t close = reference.rfind(L"'!");
    if (close != std::wstring_view::npos && close > 0)
      return {std::wstring(reference.substr(1, close - 1)), std::wstring(reference.substr(close + 2))};
    return {std::nullopt, std::wstring(reference)};
  }
  const std::size_t bang = reference.find(L'!');
  if (bang != std::wstring_view::npos && bang > 0)
    return {std::wstring(reference.substr(0, bang)), std::wstring(reference.substr(bang + 1))};
  return {std::nullopt, std::wstring(reference)};
}

std::wstring literalTextValue(std::wstring_view text) { return L"'" + std::wstring(text); }

// --- Session ------------------------------------------------------------------------------

const Dispatch& Session::worksheetFunction() {
  if (!functions_) functions_.emplace(application_.getObject(L"WorksheetFunction"));
  return *functions_;
}

const NumberSeparators& Session::separators() {
  if (separators_) return *separators_;
  NumberSeparators found{localeText(LOCALE_SDECIMAL, L"."), localeText(LOCALE_STHOUSAND, L",")};
  try {
    const Variant system = application_.get(L"UseSystemSeparators");
    if (system.type() == VT_BOOL && V_BOOL(system.get()) == VARIANT_FALSE) {
      found.decimal = textOf(application_.get(L"DecimalSeparator"), L"Application.DecimalSeparator");
      found.thousands = textOf(application_.get(L"ThousandsSeparator"), L"Application.ThousandsSeparator");
    }
  } catch (const ComFailure&) {
    // An application without its own separators shows the system's.
  }
  separators_ = found;
  return *separators_;
}

// --- Range ------------------------------------------------------------------------------------

ComRange::ComRange(std::vector<Dispatch> parts, std::shared_ptr<Session> session)
    : parts_(std::move(parts)), session_(std::move(session)) {
  if (parts_.empty()) throw ComFailure("Range: no range.", E_POINTER);
}

std::wstring ComRange::sheetName() {
  return textOf(parts_.front().getObject(L"Worksheet").get(L"Name"), L"Worksheet.Name");
}

std::wstring ComRange::address() {
  std::wstring joined;
  for (const Dispatch& part : parts_) {
    if (!joined.empty()) joined += L',';
    joined += textOf(part.get(L"Address"), part.label() + L".Address");
  }
  return joined;
}

// --- Application ------------------------------------------------------------------------

ComApplication::ComApplication(Dispatch application)
    : session_(std::make_shared<Session>(std::move(application))) {}

IDispatch* ComApplication::dispatch() const { return session_->application().raw(); }

std::wstring ComApplication::name() {
  return textOf(session_->application().getDefault(), L"Application.Name");
}

void ComApplication::open(std::wstring_view path) {
  std::vector<Variant> args;
  args.push_back(Variant::fromText(path));
  const Dispatch workbooks = session_->application().getObject(L"Workbooks");
  opened_.push_back(workbooks.child(workbooks.call(L"Open", std::move(args)), L"Workbook", L"Workbook"));
}

void ComApplication::add() {
  const Dispatch workbooks = session_->application().getObject(L"Workbooks");
  added_.emplace(workbooks.child(workbooks.call(L"Add"), L"Workbook", L"Workbook"));
  addedSheet_.reset();
}

void ComApplication::show() {
  session_->application().put(L"Visible", Variant::fromBool(true));
  shown_ = true;
}

std::optional<ComRange> ComApplication::pickRange(std::wstring_view prompt) {
  const Dispatch& application = session_->application();
  // The range box belongs to another process, which may only come to the front when allowed.
  foregroundGrant()(application.raw());
  std::vector<NamedArgument> named;
  named.push_back({L"Prompt", Variant::fromText(prompt)});
  named.push_back({L"Type", Variant::fromLong(8)});
  Variant picked = application.call(L"InputBox", {}, std::move(named));
  // Cancel gives the Boolean False instead of a range.
  if (picked.type() == VT_BOOL && V_BOOL(picked.get()) == VARIANT_FALSE) return std::nullopt;
  std::vector<Dispatch> parts;
  parts.push_back(application.child(std::move(picked), L"InputBox", L"Range"));
  return ComRange(std::move(parts), session_);
}

ComRange ComApplication::resolve(std::wstring_view reference) {
  const Dispatch& application = session_->application();
  const SplitReference split = splitReference(reference);
  std::vector<Dispatch> parts;
  if (!split.sheet) {
    std::vector<Variant> args;
    args.push_back(Variant::fromText(reference));
    parts.push_back(application.getObject(L"Range", std::move(args), L"Range"));
    return ComRange(std::move(parts), session_);
  }
  // The sheet of the workbook opened here (or the active workbook), by its name as stored, so
  // that every area lands on it whichever sheet is active.
  const Dispatch workbook = opened_.empty() ? application.getObject(L"ActiveWorkbook", {}, L"Workbook") : opened_.back();
  std::vector<Variant> name;
  name.push_back(Variant::fromText(*split.sheet));
  const Dispatch worksheets = workbook.getObject(L"Worksheets", {}, L"Sheets");
  std::optional<Dispatch> sheet;
  try {
    sheet.emplace(worksheets.child(worksheets.call(L"Item", std::move(name)), L"Worksheet", L"Worksheet"));
  } catch (const ComFailure& e) {
    if (isBusyRejection(e.code())) throw;
    throw ComFailure(toUtf8(L"The workbook has no worksheet named \"" + *split.sheet + L"\"") + " (" + e.what() + ").",
                     e.code());
  }
  // The application's Range takes at most 255 characters: a longer address goes in groups of areas.
  for (const std::wstring& group : addressGroups(split.address)) {
    std::vector<Variant> args;
    args.push_back(Variant::fromText(group));
    parts.push_back(sheet->getObject(L"Range", std::move(args), L"Range"));
  }
  return ComRange(std::move(parts), session_);
}

Dispatch ComApplication::targetSheet() {
  if (!added_) return session_->application().getObject(L"ActiveSheet", {}, L"Worksheet");
  if (!addedSheet_) {
    const Dispatch worksheets = added_->getObject(L"Worksheets", {}, L"Sheets");
    std::vector<Variant> first;
    first.push_back(Variant::fromLong(1));
    addedSheet_.emplace(worksheets.child(worksheets.call(L"Item", std::move(first)), L"Worksheet", L"Worksheet"));
  }
  return *addedSheet_;
}

void ComApplication::write(long row, long column, const CellValue& value) {
  const Dispatch sheet = targetSheet();
  const Dispatch cell = sheet.child(sheet.get(L"Cells", cellArguments(row, column)), L"Cells", L"Range");
  if (const double* number = std::get_if<double>(&value))
    cell.put(L"Value", Variant::fromDouble(*number));
  else
    cell.put(L"Value", Variant::fromText(literalTextValue(std::get<std::wstring>(value))));
}

namespace {

// The number a merged text stands for when the application's General format shows that number
// as the very same text, with the application's decimal separator; nothing for any other text
// ("00123", "1.50", "1/2", "=A1", a point where the application shows a comma, ...).
std::optional<double> generalNumber(std::wstring_view text, std::wstring_view decimal) {
  constexpr std::size_t kLongestGeneral = 13;  // a minus sign and "1.23457E+100"
  std::string ascii;
  for (std::size_t i = 0; i < text.size() && ascii.size() <= kLongestGeneral;) {
    if (text.substr(i).starts_with(decimal)) {
      ascii += '.';
      i += decimal.size();
      continue;
    }
    const wchar_t c = text[i++];
    if (!((c >= L'0' && c <= L'9') || c == L'-' || c == L'+' || c == L'E')) return std::nullopt;
    ascii += static_cast<char>(c);
  }
  if (ascii.empty() || ascii.size() > kLongestGeneral) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::general);
  if (error != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
  if (!std::isfinite(value) || std::fabs(value) > 9.99999999999999E+307 || std::fpclassify(value) == FP_SUBNORMAL)
    return std::nullopt;
  if (generalText(value, decimal) != text) return std::nullopt;  // also turns "-0" away
  return value;
}

}  // namespace

void ComApplication::writeShown(long row, long column, std::wstring_view text) {
  const NumberSeparators& separators = session_->separators();
  // A decimal separator that is also the thousands separator cannot be told apart: such a text
  // stays literal, which the cell shows as it is.
  std::optional<double> number;
  if (!separators.decimal.empty() && separators.decimal != separators.thousands)
    number = generalNumber(text, separators.decimal);
  if (number)
    write(row, column, *number);
  else
    write(row, column, std::wstring(text));
}

void ComApplication::fit() {
  targetSheet().getObject(L"Columns", {}, L"Range").call(L"AutoFit");
}

void ComApplication::quit() {
  // A workbook recalculated on open is "changed": told to quit, a hidden instance would ask
  // whether to save it in a window nobody sees, and stay running. The program only reads what it
  // opened, so those close unsaved first. A shown instance's questions are the user's to answer.
  std::optional<ComFailure> closing;
  if (!shown_) {
    for (const Dispatch& workbook : opened_) {
      try {
        std::vector<Variant> args;
        args.push_back(Variant::fromBool(false));
        workbook.call(L"Close", std::move(args));
      } catch (const ComFailure& e) {
        if (!closing) closing.emplace(e);
      }
    }
    opened_.clear();
  }
  session_->application().call(L"Quit");
  if (closing) throw *closing;
}

NumberSeparators ComApplication::separators() { return session_->separators(); }

ComApplication createApplication(const std::wstring& className) {
  initializeApartment();
  const CLSID id = classId(className, L"Creating");
  ComPtr<IDispatch> object;
  const HRESULT hr = CoCreateInstance(id, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, object.putVoid());
  if (FAILED(hr)) throwFailure(L"Creating \"" + className + L"\"", hr);
  return ComApplication(Dispatch(std::move(object), L"Application", L"Application", std::make_shared<MemberIds>()));
}

ComApplication attachApplication(const std::wstring& className) {
  initializeApartment();
  const CLSID id = classId(className, L"Attaching to");
  ComPtr<IUnknown> running;
  HRESULT hr = GetActiveObject(id, nullptr, running.put());
  if (FAILED(hr)) throwFailure(L"Attaching to \"" + className + L"\"", hr);
  ComPtr<IDispatch> object;
  hr = running->QueryInterface(IID_IDispatch, object.putVoid());
  if (FAILED(hr)) throwFailure(L"Attaching to \"" + className + L"\"", hr);
  return ComApplication(Dispatch(std::move(object), L"Application", L"Application", std::make_shared<MemberIds>()));
}

}  // namespace lomandra::com
