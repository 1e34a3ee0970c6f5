#pragma once

#include <stdexcept>
#include <string>

namespace lomandra {

/// A failure whose description (what(), UTF-8) is worded for the user; the error trap shows it.
/// Every layer below the commands throws this (or a class derived from it) for bad input.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace lomandra
