#include "merge/DuplicateFilter.h"

namespace lomandra::merge {

bool DuplicateFilter::admitNew(const QString& text) {
  const qsizetype before = seen_.size();
  seen_.insert(text);
  return seen_.size() != before;
}

bool DuplicateFilter::admitNew(std::string_view text) {
  return seenUtf8_.emplace(text).second;
}

}  // namespace lomandra::merge
