#include "sheet/com/ComAutomation.h"

#include <algorithm>
#include <cwctype>

namespace lomandra::com {

namespace {

bool isNumber(const Variant& value) {
  switch (value.type()) {
    case VT_R8: case VT_R4: case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
    case VT_CY: case VT_DATE: case VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

bool isGeneral(std::wstring_view format) {
  constexpr std::wstring_view general = L"General";
  return format.size() == general.size() &&
         std::equal(format.begin(), format.end(), general.begin(),
                    [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

CLSID classId(const std::wstring& className, std::wstring_view action) {
  CLSID id{};
  const HRESULT hr = CLSIDFromProgID(className.c_str(), &id);
  if (FAILED(hr)) throwFailure(std::wstring(action) + L" \"" + className + L"\"", hr);
  return id;
}

}  // namespace

bool isNarrowColumnText(std::wstring_view shown) {
  return !shown.empty() && std::all_of(shown.begin(), shown.end(), [](wchar_t c) { return c == L'#'; });
}

std::wstring applicationReference(std::wstring_view reference) {
  if (reference.empty() || reference.front() != L'\'') return std::wstring(reference);
  // The name runs to the last "'!": a name picked in the range box holds its apostrophes
  // undoubled, so the first closing quote cannot be trusted.
  const std::size_t close = reference.rfind(L"'!");
  if (close == std::wstring_view::npos || close == 0) return std::wstring(reference);
  const std::wstring_view written = reference.substr(1, close - 1);
  std::wstring doubled = L"'";
  for (std::size_t i = 0; i < written.size(); ++i) {
    doubled += written[i];
    if (written[i] != L'\'') continue;
    doubled += L'\'';
    if (i + 1 < written.size() && written[i + 1] == L'\'') ++i;  // already doubled
  }
  doubled += reference.substr(close);
  return doubled;
}

std::wstring literalTextValue(std::wstring_view text) { return L"'" + std::wstring(text); }

// --- Walk and Cell text ---------------------------------------------------------------

ComCellWalk::ComCellWalk(ComPtr<IEnumVARIANT> cells, Dispatch application)
    : cells_(std::move(cells)), application_(std::move(application)) {}

bool ComCellWalk::next() {
  cell_.reset();
  Variant item;
  ULONG fetched = 0;
  const HRESULT hr = cells_->Next(1, item.put(), &fetched);
  if (FAILED(hr)) throwFailure(L"Range enumeration", hr);
  if (hr == S_FALSE || fetched == 0) return false;
  cell_.emplace(Dispatch::fromVariant(std::move(item), L"Cell"));
  return true;
}

std::wstring ComCellWalk::text() {
  if (!cell_) throw ComFailure("Cell.Text failed: there is no current cell.", E_POINTER);
  const Dispatch& cell = *cell_;
  const std::wstring shown = textOf(cell.get(L"Text"), L"Cell.Text");
  // A number in a column too narrow for it shows as "####", and in the General format as a
  // shortened number. The text it shows in a column wide enough is what the application's
  // TEXT worksheet function gives for its value and format; nothing in the workbook changes.
  // Only those two cases ask: a number in any other format either shows whole or as "####".
  try {
    Variant value = cell.get(L"Value2");  // dates and currency as plain doubles, no rounding
    if (!isNumber(value)) return shown;
    const std::wstring format = textOf(cell.get(L"NumberFormat"), L"Cell.NumberFormat");
    if (!isNarrowColumnText(shown) && !isGeneral(format)) return shown;
    // TEXT reads its format in the user's language, as a formula would ("Standard", "TT.MM.JJJJ"
    // in a German installation), so it gets the cell's format in that language.
    const std::wstring local = textOf(cell.get(L"NumberFormatLocal"), L"Cell.NumberFormatLocal");
    if (!functions_) functions_.emplace(application_.getObject(L"WorksheetFunction"));
    std::vector<Variant> args;
    args.push_back(std::move(value));
    args.push_back(Variant::fromText(local));
    return textOf(functions_->call(L"Text", std::move(args)), L"WorksheetFunction.Text");
  } catch (const ComFailure&) {
    return shown;  // the text the cell shows is still the best answer there is
  }
}

// --- Range ----------------------------------------------------------------------------

ComRange::ComRange(Dispatch range, Dispatch application)
    : range_(std::move(range)), application_(std::move(application)) {}

std::wstring ComRange::sheetName() {
  return textOf(range_.getObject(L"Worksheet").get(L"Name"), L"Worksheet.Name");
}

std::wstring ComRange::address() { return textOf(range_.get(L"Address"), L"Range.Address"); }

ComCellWalk ComRange::walk() { return ComCellWalk(range_.enumerate(), application_); }

// --- Application ------------------------------------------------------------------------

ComApplication::ComApplication(Dispatch application) : application_(std::move(application)) {}

std::wstring ComApplication::name() { return textOf(application_.getDefault(), L"Application.Name"); }

void ComApplication::open(std::wstring_view path) {
  std::vector<Variant> args;
  args.push_back(Variant::fromText(path));
  application_.getObject(L"Workbooks").call(L"Open", std::move(args));
}

void ComApplication::add() { application_.getObject(L"Workbooks").call(L"Add"); }

void ComApplication::show() { application_.put(L"Visible", Variant::fromBool(true)); }

std::optional<ComRange> ComApplication::pickRange(std::wstring_view prompt) {
  std::vector<NamedArgument> named;
  named.push_back({L"Prompt", Variant::fromText(prompt)});
  named.push_back({L"Type", Variant::fromLong(8)});
  Variant picked = application_.call(L"InputBox", {}, std::move(named));
  // Cancel gives the Boolean False instead of a range.
  if (picked.type() == VT_BOOL && V_BOOL(picked.get()) == VARIANT_FALSE) return std::nullopt;
  return ComRange(Dispatch::fromVariant(std::move(picked), L"InputBox"), application_);
}

ComRange ComApplication::resolve(std::wstring_view reference) {
  std::vector<Variant> args;
  args.push_back(Variant::fromText(applicationReference(reference)));
  return ComRange(application_.getObject(L"Range", std::move(args)), application_);
}

void ComApplication::write(long row, long column, const CellValue& value) {
  std::vector<Variant> at;
  at.push_back(Variant::fromLong(row));
  at.push_back(Variant::fromLong(column));
  const Dispatch cell = application_.getObject(L"ActiveSheet").getObject(L"Cells", std::move(at));
  if (const double* number = std::get_if<double>(&value))
    cell.put(L"Value", Variant::fromDouble(*number));
  else
    cell.put(L"Value", Variant::fromText(literalTextValue(std::get<std::wstring>(value))));
}

void ComApplication::fit() { application_.getObject(L"ActiveSheet").getObject(L"Columns").call(L"AutoFit"); }

void ComApplication::quit() { application_.call(L"Quit"); }

ComApplication createApplication(const std::wstring& className) {
  initializeApartment();
  const CLSID id = classId(className, L"Creating");
  ComPtr<IDispatch> object;
  const HRESULT hr = CoCreateInstance(id, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, object.putVoid());
  if (FAILED(hr)) throwFailure(L"Creating \"" + className + L"\"", hr);
  return ComApplication(Dispatch(std::move(object), L"Application"));
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
  return ComApplication(Dispatch(std::move(object), L"Application"));
}

}  // namespace lomandra::com
