#pragma once

#include <functional>
#include <string>

#include "sheet/Failure.h"

namespace lomandra::testsupport {

/// The description of the lomandra::Failure that `action` throws, or "(no failure)".
inline std::string failureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "(no failure)";
}

}  // namespace lomandra::testsupport
