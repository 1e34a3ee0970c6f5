// Walk and Cell text: the two ways through a range's cells. The fast walk asks the application
// as little as it can (a round trip to another process costs far more than anything done here);
// the plain walk asks every cell through the range's enumerator.

#include <algorithm>
#include <cwctype>

#include "sheet/com/MessageFilter.h"
#include "sheet/com/Session.h"

namespace lomandra::com {

namespace {

// Cells per Value2 read: large enough that a block costs little per cell, small enough that
// one answer stays a few megabytes.
constexpr long kBlockCells = 32768;

bool isNumber(VARTYPE type) {
  switch (type) {
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

// --- the plain walk: the range's enumerator, every cell asked -------------------------------

class EachCellWalk final : public ComCellWalk {
 public:
  EachCellWalk(std::vector<Dispatch> parts, std::shared_ptr<Session> session)
      : parts_(std::move(parts)), session_(std::move(session)) {
    cells_ = parts_.front().enumerate();
  }

  bool next() override {
    cell_.reset();
    while (true) {
      if (!cells_) {
        if (part_ + 1 >= parts_.size()) return false;
        cells_ = parts_[++part_].enumerate();
      }
      Variant item;
      ULONG fetched = 0;
      const HRESULT hr = retryWhileBusy([&] { return cells_->Next(1, item.put(), &fetched); });
      if (FAILED(hr)) throwFailure(L"Range enumeration", hr);
      if (hr == S_OK && fetched == 1) {
        cell_.emplace(parts_[part_].child(std::move(item), L"Cell", L"Range"));
        return true;
      }
      cells_.reset();
    }
  }

  std::wstring text() override {
    if (!cell_) throw ComFailure("Cell.Text failed: there is no current cell.", E_POINTER);
    std::wstring shown = textOf(cell_->get(L"Text"), L"Cell.Text");
    Variant value;
    try {
      value = cell_->get(L"Value2");  // dates and currency as plain doubles, no rounding
    } catch (const ComFailure&) {
      return shown;
    }
    return wideCellText(*session_, *cell_, std::move(shown), std::move(value), false);
  }

 private:
  std::vector<Dispatch> parts_;
  std::shared_ptr<Session> session_;
  std::size_t part_ = 0;
  ComPtr<IEnumVARIANT> cells_;
  std::optional<Dispatch> cell_;
};

// --- the fast walk: areas, the used range, Value2 in blocks --------------------------------

// The values of one block of rows of an area (its part inside the used range), from one Value2.
struct Block {
  std::size_t area = 0;
  CellArea cells;
  Variant values;     // a 2-D SAFEARRAY of VARIANT, or the value of a single cell
  bool read = false;  // false: the application gave no usable answer; every cell is asked

  // The value at (row, column) of the block, copied.
  Variant at(long row, long column) const {
    Variant value;
    const VARIANT* all = values.get();
    if (!(V_VT(all) & VT_ARRAY)) {
      VariantCopy(value.put(), const_cast<VARIANT*>(all));
      return value;
    }
    SAFEARRAY* array = V_ARRAY(all);
    LONG rowBase = 0, columnBase = 0;
    SafeArrayGetLBound(array, 1, &rowBase);
    SafeArrayGetLBound(array, 2, &columnBase);
    LONG at[2] = {rowBase + (row - cells.top), columnBase + (column - cells.left)};
    void* element = nullptr;
    if (SUCCEEDED(SafeArrayPtrOfIndex(array, at, &element)) && element)
      VariantCopy(value.put(), static_cast<VARIANT*>(element));
    return value;
  }
};

// Whether `value` is what Value2 gives for `cells`: one value for one cell, else a
// two-dimensional array of variants with a row per row and a column per column.
bool fits(const Variant& value, const CellArea& cells) {
  const long rows = cells.bottom - cells.top + 1, columns = cells.right - cells.left + 1;
  if (!(value.type() & VT_ARRAY)) return rows == 1 && columns == 1;
  if (value.type() != (VT_ARRAY | VT_VARIANT)) return false;
  SAFEARRAY* array = V_ARRAY(value.get());
  if (!array || SafeArrayGetDim(array) != 2) return false;
  LONG low1 = 0, high1 = -1, low2 = 0, high2 = -1;
  SafeArrayGetLBound(array, 1, &low1);
  SafeArrayGetUBound(array, 1, &high1);
  SafeArrayGetLBound(array, 2, &low2);
  SafeArrayGetUBound(array, 2, &high2);
  return high1 - low1 + 1 == rows && high2 - low2 + 1 == columns;
}

class FastWalk final : public ComCellWalk {
 public:
  FastWalk(Dispatch worksheet, std::vector<CellArea> areas, std::optional<CellArea> used,
           std::shared_ptr<Session> session)
      : worksheet_(std::move(worksheet)), areas_(std::move(areas)), session_(std::move(session)) {
    // The cells of each area that can hold anything: those inside the used range.
    for (const CellArea& area : areas_) inside_.push_back(used ? overlap(area, *used) : area);
  }

  bool next() override {
    if (!started_) {
      started_ = true;
      area_ = 0;
      if (!areas_.empty()) moveTo(0);
      return area_ < areas_.size();
    }
    if (area_ >= areas_.size()) return false;
    const CellArea& a = areas_[area_];
    if (++column_ > a.right) {
      column_ = a.left;
      if (++row_ > a.bottom && ++area_ < areas_.size()) moveTo(area_);
    }
    return area_ < areas_.size();
  }

  std::wstring text() override {
    if (!started_ || area_ >= areas_.size())
      throw ComFailure("Cell.Text failed: there is no current cell.", E_POINTER);
    const std::optional<CellArea>& inside = inside_[area_];
    if (!inside || row_ < inside->top || row_ > inside->bottom || column_ < inside->left || column_ > inside->right)
      return {};  // outside the used range: nothing there
    if (!block_ || block_->area != area_ || row_ > block_->cells.bottom || row_ < block_->cells.top) load(*inside);
    Variant value;
    if (block_->read) {
      value = block_->at(row_, column_);
      if (value.type() == VT_EMPTY) return {};
    }
    const Dispatch cell = worksheet_.child(worksheet_.get(L"Cells", cellArguments(row_, column_)), L"Cell", L"Range");
    std::wstring shown = textOf(cell.get(L"Text"), L"Cell.Text");
    if (!block_->read) {
      try {
        value = cell.get(L"Value2");
      } catch (const ComFailure&) {
        return shown;
      }
    }
    return wideCellText(*session_, cell, std::move(shown), std::move(value), true);
  }

 private:
  void moveTo(std::size_t area) {
    row_ = areas_[area].top;
    column_ = areas_[area].left;
  }

  // The block of rows from the current one down, across the area's part inside the used range.
  void load(const CellArea& inside) {
    const long width = inside.right - inside.left + 1;
    const long rows = std::max(1L, kBlockCells / width);
    Block block;
    block.area = area_;
    block.cells = {row_, inside.left, std::min(inside.bottom, row_ + rows - 1), inside.right};
    try {
      std::vector<Variant> address;
      address.push_back(Variant::fromText(areaAddress(block.cells)));
      block.values = worksheet_.getObject(L"Range", std::move(address), L"Range").get(L"Value2");
      block.read = fits(block.values, block.cells);
    } catch (const ComFailure&) {
      block.read = false;  // each cell of the block is then asked on its own
    }
    block_ = std::move(block);
  }

  Dispatch worksheet_;
  std::vector<CellArea> areas_;
  std::vector<std::optional<CellArea>> inside_;
  std::shared_ptr<Session> session_;
  bool started_ = false;
  std::size_t area_ = 0;
  long row_ = 0, column_ = 0;
  std::optional<Block> block_;
};

}  // namespace

std::wstring wideCellText(Session& session, const Dispatch& cell, std::wstring shown, Variant value,
                          bool trustGeneral) {
  // Only a number can show other than whole: text, Booleans and error values show as they are.
  if (!isNumber(value.type())) return shown;
  try {
    const bool narrow = isNarrowColumnText(shown);
    if (trustGeneral && !narrow) {
      Variant number;
      if (SUCCEEDED(VariantChangeType(number.put(), value.get(), 0, VT_R8)) &&
          shown == generalText(V_R8(number.get()), session.separators().decimal))
        return shown;  // shown whole in General, or in a format that shows the same
    }
    // A number in any other format either shows whole or as "####".
    const std::wstring format = textOf(cell.get(L"NumberFormat"), L"Cell.NumberFormat");
    if (!narrow && !isGeneral(format)) return shown;
    // TEXT reads its format in the user's language, as a formula would ("Standard", "TT.MM.JJJJ"
    // in a German installation), so it gets the cell's format in that language.
    const std::wstring local = textOf(cell.get(L"NumberFormatLocal"), L"Cell.NumberFormatLocal");
    std::vector<Variant> args;
    args.push_back(std::move(value));
    args.push_back(Variant::fromText(local));
    return textOf(session.worksheetFunction().call(L"Text", std::move(args)), L"WorksheetFunction.Text");
  } catch (const ComFailure&) {
    return shown;  // the text the cell shows is still the best answer there is
  }
}

std::unique_ptr<ComCellWalk> ComRange::walkEachCell() { return std::make_unique<EachCellWalk>(parts_, session_); }

std::unique_ptr<ComCellWalk> ComRange::walk() {
  std::vector<CellArea> areas;
  for (const Dispatch& part : parts_) {
    const std::optional<std::vector<CellArea>> parsed = parseAddress(textOf(part.get(L"Address"), part.label() + L".Address"));
    if (!parsed) return walkEachCell();  // an address this walk cannot read: ask every cell
    areas.insert(areas.end(), parsed->begin(), parsed->end());
  }
  const Dispatch worksheet = parts_.front().getObject(L"Worksheet");
  // The sheet's last row and column, only for a whole row or column (an .xls workbook's grid is
  // smaller than a new one's).
  std::optional<std::pair<long, long>> grid;
  auto lastCell = [&] {
    if (!grid) {
      const auto count = [&](const wchar_t* member) {
        Variant n = worksheet.getObject(member, {}, L"Range").get(L"Count");
        Variant asLong;
        if (FAILED(VariantChangeType(asLong.put(), n.get(), 0, VT_I4)))
          throw ComFailure(toUtf8(std::wstring(member) + L".Count failed: not a number."), DISP_E_TYPEMISMATCH);
        return static_cast<long>(V_I4(asLong.get()));
      };
      grid.emplace(count(L"Rows"), count(L"Columns"));
    }
    return *grid;
  };
  for (CellArea& area : areas)
    if (area.bottom == 0 || area.right == 0) area = bounded(area, lastCell().first, lastCell().second);
  // The used range: every cell that holds anything lies in it. Without it, nothing is skipped.
  std::optional<CellArea> used;
  try {
    const std::optional<std::vector<CellArea>> usedAreas =
        parseAddress(textOf(worksheet.getObject(L"UsedRange", {}, L"Range").get(L"Address"), L"UsedRange.Address"));
    if (usedAreas && usedAreas->size() == 1) {
      const CellArea u = usedAreas->front();
      used = (u.bottom == 0 || u.right == 0) ? bounded(u, lastCell().first, lastCell().second) : u;
    }
  } catch (const ComFailure& e) {
    if (isBusyRejection(e.code())) throw;
  }
  return std::make_unique<FastWalk>(worksheet, std::move(areas), used, session_);
}

}  // namespace lomandra::com
