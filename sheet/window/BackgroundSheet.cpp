#include "sheet/window/BackgroundSheet.h"

#include <QMetaObject>

namespace lomandra::window {

BackgroundSheet::BackgroundSheet(engine::BuiltinWorkbook& workbook, int index, QObject* parent)
    : QObject(parent) {
  // Runs on the worker thread: one queued notice at a time, however fast blocks arrive; the
  // window reads whatever has arrived when the notice is handled.
  reading_ = workbook.readInBackground(index, [this] {
    if (noticePending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
          noticePending_.store(false);
          emit arrived();
        },
        Qt::QueuedConnection);
  });
}

BackgroundSheet::~BackgroundSheet() {
  // The worker may still post a notice while it stops; it is dropped with this object.
  reading_.reset();
}

}  // namespace lomandra::window
