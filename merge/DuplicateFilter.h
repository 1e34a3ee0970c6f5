#pragma once

#include <QSet>
#include <QString>
#include <string>
#include <string_view>
#include <unordered_set>

namespace lomandra::merge {

/// The option text that turns duplicate removal on; any other option keeps every value.
inline const QString kRemoveDuplicatesOption = QStringLiteral("Remove duplicates from results");

/// The "Remove duplicates from results" rule of one merge: a text is kept only when no exactly
/// equal text (same characters, case, spaces; the empty text counts too) was kept before it in
/// the same run. One hash lookup per text; a switched-off filter keeps everything and stores
/// nothing. Start a new filter for every run: it begins with nothing seen.
class DuplicateFilter {
 public:
  explicit DuplicateFilter(bool removeDuplicates) : active_(removeDuplicates) {}
  /// The filter the option shown in `Combo1` asks for.
  static DuplicateFilter forOption(const QString& optionText) {
    return DuplicateFilter(optionText == kRemoveDuplicatesOption);
  }

  bool active() const { return active_; }
  /// True when `text` is to be appended (and is from now on counted as seen).
  bool admit(const QString& text) { return !active_ || admitNew(text); }
  /// The same rule for UTF-8 texts (lomandra-merge); equal bytes mean equal texts.
  bool admit(std::string_view text) { return !active_ || admitNew(text); }

 private:
  bool admitNew(const QString& text);
  bool admitNew(std::string_view text);

  bool active_;
  QSet<QString> seen_;
  std::unordered_set<std::string> seenUtf8_;
};

}  // namespace lomandra::merge
