#pragma once

// Internal to the automation core: what the objects of one application instance share.

#include <optional>

#include "sheet/com/ComAutomation.h"

namespace lomandra::com {

class Session {
 public:
  explicit Session(Dispatch application) : application_(std::move(application)) {}
  const Dispatch& application() const { return application_; }
  /// `WorksheetFunction`, fetched once when first needed.
  const Dispatch& worksheetFunction();
  /// The separators numbers show with, read once when first needed.
  const NumberSeparators& separators();

 private:
  Dispatch application_;
  std::optional<Dispatch> functions_;
  std::optional<NumberSeparators> separators_;
};

/// The arguments of `Cells`: a 1-based row and column.
std::vector<Variant> cellArguments(long row, long column);

/// The text a cell shows as in a column wide enough, from what it shows (`Text`) and its
/// `Value2`. A number in a column too narrow for it shows as "####", and in the General format
/// as a shortened number; the application's TEXT worksheet function then gives the text for its
/// value and format, and nothing in the workbook changes. With `trustGeneral`, a number that
/// shows exactly its General text is taken as it shows without asking its format.
std::wstring wideCellText(Session& session, const Dispatch& cell, std::wstring shown, Variant value,
                          bool trustGeneral);

}  // namespace lomandra::com
