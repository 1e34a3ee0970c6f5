#pragma once

// A background reading that a test drives: it adds rows to its sheet and tells the window, as
// the worker would from its thread.

#include <QApplication>
#include <functional>
#include <string>

#include "sheet/engine/SheetReading.h"
#include "tests/sheet/window/FakeWorkbook.h"

namespace lomandra::window::testing {

/// A reading the test drives.
class DrivenReading final : public engine::SheetReading {
 public:
  explicit DrivenReading(std::function<void()> listener) : listener_(std::move(listener)) {}
  FakeSheet sheet;
  engine::ReadProgress state;

  const engine::SheetData& data() const override { return sheet; }
  engine::ReadProgress progress() const override {
    engine::ReadProgress now = state;
    now.rows = sheet.usedRows();
    return now;
  }
  /// Rows [from, to) arrive, reading having come to `percent`.
  void arrive(std::uint32_t from, std::uint32_t to, int percent) {
    for (std::uint32_t r = from; r < to; ++r) sheet.set(r, 0, "row " + std::to_string(r + 1));
    state.percent = percent;
    listener_();
    listener_();  // a second notice before the first is handled adds nothing
    QApplication::processEvents();
  }
  void finish(std::string failure = {}) {
    state.finished = true;
    state.percent = 100;
    state.failure = std::move(failure);
    listener_();
    QApplication::processEvents();
  }

 private:
  std::function<void()> listener_;
};

}  // namespace lomandra::window::testing
