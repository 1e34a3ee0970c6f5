#include "sheet/formula/Functions.h"

#include <algorithm>

namespace lomandra::formula {

namespace {

const std::vector<Function>& table() {
  static const std::vector<Function> functions = [] {
    std::vector<Function> t;
    addMathFunctions(t);
    addLogicalFunctions(t);
    addLookupFunctions(t);
    addTextFunctions(t);
    addDateFunctions(t);
    addConditionalFunctions(t);
    static constexpr std::string_view kPrefixed[] = {"CONCAT", "DAYS",   "IFNA",     "IFS", "MAXIFS",
                                                     "MINIFS", "TEXTJOIN", "XLOOKUP", "XOR"};
    for (Function& f : t)
      f.prefixed = std::find(std::begin(kPrefixed), std::end(kPrefixed), f.name) != std::end(kPrefixed);
    std::sort(t.begin(), t.end(), [](const Function& a, const Function& b) { return a.name < b.name; });
    return t;
  }();
  return functions;
}

}  // namespace

const Function* findFunction(std::string_view name) {
  const auto& t = table();
  const auto at = std::lower_bound(t.begin(), t.end(), name,
                                   [](const Function& f, std::string_view n) { return f.name < n; });
  return at != t.end() && at->name == name ? &*at : nullptr;
}

std::vector<std::string_view> functionNames() {
  std::vector<std::string_view> names;
  for (const Function& f : table()) names.push_back(f.name);
  return names;
}

}  // namespace lomandra::formula
