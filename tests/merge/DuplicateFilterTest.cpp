#include "merge/DuplicateFilter.h"

#include <gtest/gtest.h>

namespace lomandra::merge {
namespace {

// Which texts a filter keeps, fed in order through both of its forms.
QStringList kept(DuplicateFilter filter, const QStringList& texts) {
  QStringList result;
  for (const QString& text : texts)
    if (filter.admit(text)) result << text;
  return result;
}
QStringList keptUtf8(DuplicateFilter filter, const QStringList& texts) {
  QStringList result;
  for (const QString& text : texts) {
    const std::string bytes = text.toStdString();
    if (filter.admit(std::string_view(bytes))) result << text;
  }
  return result;
}

TEST(DuplicateFilter, ExactEqualityOnly) {
  struct Case {
    const char* name;
    QStringList texts;
    QStringList unique;
  } const cases[] = {
      {"repeats go", {"a", "b", "a", "b", "a"}, {"a", "b"}},
      {"case counts", {"Total", "total", "TOTAL", "Total"}, {"Total", "total", "TOTAL"}},
      {"surrounding spaces count", {"x", " x", "x ", "x", " x"}, {"x", " x", "x "}},
      {"the empty text is a text", {"", "a", "", ""}, {"", "a"}},
      {"a null and an empty text are the same text", {QString(), QStringLiteral("")}, {QString()}},
      {"tabs and line breaks count", {"a\tb", "a b", "a\nb", "a\tb"}, {"a\tb", "a b", "a\nb"}},
      {"composed and decomposed letters differ", {"\u00e9", "e\u0301", "\u00e9"}, {"\u00e9", "e\u0301"}},
      {"numbers as shown, not as values", {"1", "1.0", "01", "1"}, {"1", "1.0", "01"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kept(DuplicateFilter(true), c.texts), c.unique) << c.name;
    EXPECT_EQ(keptUtf8(DuplicateFilter(true), c.texts), c.unique) << c.name << " (UTF-8)";
    EXPECT_EQ(kept(DuplicateFilter(false), c.texts), c.texts) << c.name << " (allowed)";
    EXPECT_EQ(keptUtf8(DuplicateFilter(false), c.texts), c.texts) << c.name << " (allowed, UTF-8)";
  }
}

TEST(DuplicateFilter, OnlyTheRemoveOptionTurnsItOn) {
  EXPECT_TRUE(DuplicateFilter::forOption(QStringLiteral("Remove duplicates from results")).active());
  for (const char* other : {"Allow duplicates in results", "", "remove duplicates from results",
                            "Remove duplicates from results "})
    EXPECT_FALSE(DuplicateFilter::forOption(QString::fromUtf8(other)).active()) << other;
}

}  // namespace
}  // namespace lomandra::merge
