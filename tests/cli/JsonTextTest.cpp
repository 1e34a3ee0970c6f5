#include "cli/JsonText.h"

#include <gtest/gtest.h>

namespace lomandra::cli {
namespace {

TEST(AppendJsonString, EscapesWhatJsonRequiresAndKeepsTheRest) {
  struct Case {
    const char* name;
    std::string text;
    std::string json;
  } const cases[] = {
      {"empty", "", R"("")"},
      {"plain with spaces kept", "  a b  ", R"("  a b  ")"},
      {"quote", R"(say "hi")", R"("say \"hi\"")"},
      {"backslash", R"(C:\dir\)", R"("C:\\dir\\")"},
      {"slash stays", "1/2", R"("1/2")"},
      {"short escapes", "\b\f\n\r\t", R"("\b\f\n\r\t")"},
      {"other control characters", std::string("\x00\x01\x1f\x7f", 4), R"("\u0000\u0001\u001f\u007f")"},
      {"non-ASCII as UTF-8", "K\xC3\xB6ln \xE2\x82\xAC \xF0\x9F\x93\x88", "\"K\xC3\xB6ln \xE2\x82\xAC \xF0\x9F\x93\x88\""},
      {"line and paragraph separators stay", "\xE2\x80\xA8\xE2\x80\xA9", "\"\xE2\x80\xA8\xE2\x80\xA9\""},
      {"a stray continuation byte", "a\x80z", "\"a\xEF\xBF\xBDz\""},
      {"a cut-off sequence at the end", "a\xE2\x82", "\"a\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"an overlong form", "\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"an encoded surrogate", "\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"past U+10FFFF", "\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"the highest code point", "\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\""},
  };
  for (const auto& c : cases) {
    std::string out = "[";
    appendJsonString(out, c.text);
    EXPECT_EQ(out, "[" + c.json) << c.name;
  }
}

}  // namespace
}  // namespace lomandra::cli
