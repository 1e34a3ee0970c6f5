#pragma once

// The reading of one sheet as a window follows it: the sheet is read on a worker thread, and
// the window hears of each block of rows, and of the end, on its own thread.

#include <QObject>
#include <atomic>
#include <memory>

#include "sheet/engine/SheetReading.h"

namespace lomandra::window {

class BackgroundSheet final : public QObject {
  Q_OBJECT

 public:
  /// Starts reading sheet `index` of `workbook`, which must outlive this object. Throws
  /// lomandra::Failure when the sheet cannot be read at all (as BuiltinWorkbook::sheet does).
  BackgroundSheet(engine::BuiltinWorkbook& workbook, int index, QObject* parent = nullptr);
  /// Stops the reading and waits for its worker.
  ~BackgroundSheet() override;

  /// The cells read so far.
  const engine::SheetData& data() const { return reading_->data(); }
  engine::ReadProgress progress() const { return reading_->progress(); }

 signals:
  /// More rows arrived, or reading ended: at most one such notice waits in the event queue.
  void arrived();

 private:
  std::atomic<bool> noticePending_{false};
  std::unique_ptr<engine::SheetReading> reading_;
};

}  // namespace lomandra::window
