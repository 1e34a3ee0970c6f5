// The cross-compiled Windows parts take only the General format from the number-format engine,
// without the toolkit its locales are read with; General reads nothing of a locale but its
// decimal separator, and the automation core asks it for en-US's (the point), which it then
// replaces with the spreadsheet application's own.

#include "sheet/numfmt/Locale.h"

namespace lomandra::numfmt {

const Locale& Locale::enUS() {
  static const Locale instance = [] {
    Locale l;
    l.enUS_ = true;
    return l;
  }();
  return instance;
}

}  // namespace lomandra::numfmt
