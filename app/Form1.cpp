#include "app/Form1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTreeView>
#include <QUrl>
#include <vector>

#include "app/CursorFile.h"
#include "app/IsInstalled.h"
#include "app/KeyCodes.h"
#include "app/Main.h"
#include "app/PointerFeedback.h"
#include "app/core/ErrorTrap.h"
#include "merge/MergeCommands.h"
#include "output/OutputCommands.h"
#include "ranges/RangeCommands.h"
#include "sheet/Failure.h"
#include "sheet/numfmt/Locale.h"

namespace lomandra::app {

namespace {

const QString kAllowDuplicates = QStringLiteral("Allow duplicates in results");
const QString kRemoveDuplicates = QStringLiteral("Remove duplicates from results");
const QString kOptionKey = QStringLiteral("Option");
const QString kExcelFileKey = QStringLiteral("Excel File");
// The regional settings the built-in engine's texts follow ("de-DE"); empty for the system's.
const QString kLocaleKey = QStringLiteral("Locale");
constexpr int kColumnWidth = 7000;  // twips

// The path of the one file a drag carries, when it is a single local file (not a folder);
// empty for anything else: several files, a folder, a web address, plain text.
QString droppedWorkbookPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  const QString path = urls.front().toLocalFile();
  if (!QFileInfo(path).isFile()) return {};
  return QDir::toNativeSeparators(path);
}

// Takes a workbook drag as a copy or a link, never as a move: the source keeps its file.
bool acceptWorkbookDrag(QDropEvent* event) {
  if (droppedWorkbookPath(event->mimeData()).isEmpty()) return false;
  const Qt::DropActions offered = event->possibleActions();
  if (offered & Qt::CopyAction)
    event->setDropAction(Qt::CopyAction);
  else if (offered & Qt::LinkAction)
    event->setDropAction(Qt::LinkAction);
  else
    return false;
  event->accept();
  return true;
}

}  // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent),
      services_(std::move(services)),
      ranges_(QStringLiteral("Range(s)"), false),
      results_(QStringLiteral("Result(s)"), true) {
  controls_ = buildForm1(*this, logicalDpiX());
  // The whole window takes dropped files; the path box would otherwise take dropped text.
  setAcceptDrops(true);
  controls_.Text1->setAcceptDrops(false);
  wireHandlers();
  watchPointer();
}

Form1::~Form1() = default;

bool Form1::load() {
  Form_Load();
  return !endProgram_;
}

void Form1::showCentred() {
  if (const QScreen* where = screen()) {
    const QRect area = where->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  show();
}

void Form1::Form_Load() {
  ErrorTrap trap(errorReportSink(*this), QStringLiteral("Form_Load"));
  const auto px = [this](int twips) { return twipsToPixels(twips, logicalDpiX()); };
  const QString cursorFile = programFolder() + QDir::separator() + QStringLiteral("HAND-M.CUR");
  const auto selectOption = [this](const QString& text) {
    const int entry = controls_.Combo1->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (entry < 0)
      throw Failure("Invalid property value: \"" + text.toStdString() +
                    "\" is not one of the choices of the option list.");
    controls_.Combo1->setCurrentIndex(entry);
  };
  // A drop-down list takes new entries without choosing one and without notifying.
  const auto appendOption = [this](const QString& text) {
    const QSignalBlocker quiet(controls_.Combo1);
    const int chosen = controls_.Combo1->currentIndex();
    controls_.Combo1->addItem(text);
    controls_.Combo1->setCurrentIndex(chosen);
  };

  trap.step(100, [&] { ApplySkin(*this, SkinFramework1_, programFolder()); });
  if (trap.test(104, [&] { return FileExists(cursorFile); }))
    trap.step(106, [&] { customPointer_ = loadCursorFile(cursorFile); });
  // Caption, icon and title share line 126; each goes ahead even when the one before failed.
  trap.step(126, [&] { setWindowTitle(kProductName); });
  trap.step(126, [&] { setWindowIcon(QIcon(QStringLiteral(":/lomandra/lomandra.png"))); });
  trap.step(126, [&] { appTitle_ = AppTitleFor(kProductName); });
  trap.step(128, [&] { controls_.ListView1->setModel(&ranges_); });
  trap.step(130, [&] { controls_.ListView1->setColumnWidth(0, px(kColumnWidth)); });
  trap.step(132, [&] { controls_.ListView2->setModel(&results_); });
  trap.step(134, [&] { controls_.ListView2->setColumnWidth(0, px(kColumnWidth)); });
  trap.step(136, [&] { appendOption(kAllowDuplicates); });
  trap.step(138, [&] { appendOption(kRemoveDuplicates); });
  trap.step(140, [&] {
    selectOption(services_.settings->get(kSettingsApplication, kProductName, kOptionKey,
                                         kAllowDuplicates));
  });
  // The rendering locale shares line 142 with the path it is restored beside.
  trap.step(142, [&] { applyLocaleSetting(); });
  trap.step(142, [&] {
    controls_.Text1->setText(
        services_.settings->get(kSettingsApplication, kProductName, kExcelFileKey, QString()));
  });
  trap.step(144, [&] {
    if (!IsInstalled(*this)) endProgram_ = true;
  });
}

void Form1::applyLocaleSetting() {
  // A store without the key gets it, empty, so the user finds it beside the others.
  const QString absent = QStringLiteral("\x01");
  QString tag = services_.settings->get(kSettingsApplication, kProductName, kLocaleKey, absent);
  if (tag == absent) {
    tag.clear();
    services_.settings->save(kSettingsApplication, kProductName, kLocaleKey, tag);
  }
  bool known = true;
  const numfmt::Locale chosen = tag.trimmed().isEmpty()
                                    ? numfmt::Locale::fromSystem()
                                    : numfmt::Locale::fromTag(tag.trimmed().toStdString(), &known);
  numfmt::Locale::setDisplay(known ? chosen : numfmt::Locale::fromSystem());
  if (!known)
    throw Failure("The locale \"" + tag.toStdString() +
                  "\" of the setting Locale is not known; the system's regional settings are used.");
}

void Form1::wireHandlers() {
  const Form1Controls& c = controls_;
  // Every handler runs behind a safety net: a failure that escapes its own trap (or a handler
  // without one) is dropped here instead of ending the program.
  const auto onClick = [this](QPushButton* button, void (*handler)(MainForm&)) {
    connect(button, &QPushButton::clicked, this,
            [this, handler] { runUntrapped([&] { handler(*this); }); });
  };
  onClick(c.PushButton1, &ranges::PushButton1_Click);
  onClick(c.PushButton10, &ranges::PushButton10_Click);
  onClick(c.PushButton11, &ranges::PushButton11_Click);
  connect(c.PushButton5, &QPushButton::clicked, this, [this] { PushButton5_ClickHoldingWindow(); });
  onClick(c.PushButton6, &ranges::PushButton6_Click);
  onClick(c.PushButton7, &ranges::PushButton7_Click);
  c.ListView1->installEventFilter(this);
  c.ListView1->viewport()->installEventFilter(this);
  onClick(c.PushButton2, &merge::PushButton2_Click);
  onClick(c.PushButton3, &merge::PushButton3_Click);
  onClick(c.PushButton4, &output::PushButton4_Click);
  onClick(c.PushButton8, &output::PushButton8_Click);
  onClick(c.PushButton13, &output::PushButton13_Click);
  onClick(c.PushButton9, &PushButton9_Click);
  connect(c.Text1, &QLineEdit::textChanged, this, [this] { runUntrapped([this] { Text1_Change(); }); });
  connect(c.Combo1, &QComboBox::currentTextChanged, this,
          [this] { runUntrapped([this] { Combo1_Change(); }); });
}

void Form1::PushButton5_ClickHoldingWindow() {
  // The pick waits for the user in the workbook window while events go on being delivered; the
  // main window must not run other commands meanwhile (a "Clear List" would wipe the Range List
  // the pick is about to extend, a second pick would start inside the first). Its controls are
  // disabled for the command: message boxes and the workbook window are windows of their own
  // and stay live.
  const QPointer<QWidget> focused = focusWidget();
  std::vector<QPointer<QWidget>> held;
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow() || !child->isEnabled()) continue;
    child->setEnabled(false);
    held.emplace_back(child);
  }
  picking_ = true;
  runUntrapped([this] { ranges::PushButton5_Click(*this); });
  picking_ = false;
  for (const QPointer<QWidget>& child : held)
    if (child) child->setEnabled(true);
  if (QWidget* widget = focused.data(); widget && widget->isEnabled())
    widget->setFocus(Qt::OtherFocusReason);
  // A close asked for during the pick ends the program now that the pick is over.
  if (closeAfterPick_) {
    closeAfterPick_ = false;
    close();
  }
}

void Form1::watchPointer() {
  pointerWatcher_ = new PointerWatcher([this](int kind) { PointerMoved(*this, kind); }, this);
  for (QPushButton* button : controls_.buttons()) pointerWatcher_->watch(*button, pointer::Custom);
  pointerWatcher_->watch(*controls_.ListView1, pointer::Default);
  pointerWatcher_->watch(*controls_.ListView2, pointer::Default);
  pointerWatcher_->watch(*controls_.Text1, pointer::Default);
  pointerWatcher_->ignore(*controls_.Combo1);
  // The frames and the window last: each covers only its own surface, not the controls on it.
  pointerWatcher_->watch(*controls_.Frame1, pointer::Default);
  pointerWatcher_->watch(*controls_.Frame2, pointer::Default);
  pointerWatcher_->watch(*this, pointer::Default);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == controls_.ListView1 && event->type() == QEvent::KeyPress) {
    const int keyCode = windowsKeyCode(static_cast<QKeyEvent*>(event)->key());
    if (keyCode != 0) runUntrapped([&] { ranges::ListView1_KeyDown(*this, keyCode); });
  } else if (watched == controls_.ListView1->viewport() &&
             event->type() == QEvent::MouseButtonDblClick) {
    runUntrapped([&] { ranges::ListView1_DblClick(*this); });
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  if (picking_) {
    // The pick is still waiting on the user: the window closes, ending the program, once the
    // pick is over.
    closeAfterPick_ = true;
    event->ignore();
    return;
  }
  event->accept();
  emit unloaded();
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  if (!acceptWorkbookDrag(event)) event->ignore();
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
  if (!acceptWorkbookDrag(event)) event->ignore();
}

void Form1::dropEvent(QDropEvent* event) {
  if (!acceptWorkbookDrag(event)) {
    event->ignore();
    return;
  }
  // Setting the path box raises its change notification, which stores the path.
  const QString path = droppedWorkbookPath(event->mimeData());
  runUntrapped([&] { setPathText(path); });
}

void Form1::Text1_Change() { saveSetting(kExcelFileKey, controls_.Text1->text()); }

void Form1::Combo1_Change() { saveSetting(kOptionKey, controls_.Combo1->currentText()); }

void Form1::saveSetting(const QString& key, const QString& value) {
  // A value that cannot be stored is kept by its control for this run; the store keeps its
  // earlier values, and the next change tries again.
  if (!services_.settings->save(kSettingsApplication, kProductName, key, value))
    qWarning("Lomandra: the setting \"%s\" could not be stored in %s", qUtf8Printable(key),
             qUtf8Printable(services_.settings->location(kSettingsApplication)));
}

bool Form1::SaveResultsAsExcelFileIsExcelInstalled() {
  return output::SaveResultsAsExcelFileIsExcelInstalled(*this);
}

QString Form1::pathText() const { return controls_.Text1->text(); }

void Form1::setPathText(const QString& text) { controls_.Text1->setText(text); }

QString Form1::optionText() const { return controls_.Combo1->currentText(); }

int Form1::rangeListSelectedIndex() const {
  if (const QItemSelectionModel* selection = controls_.ListView1->selectionModel()) {
    const QModelIndexList rows = selection->selectedRows();
    if (!rows.isEmpty()) return rows.first().row() + 1;
  }
  throw Failure("No entry of the Range List is selected.");
}

QCursor Form1::pointerShape(int kind) const {
  if (kind == pointer::Hourglass) return QCursor(Qt::WaitCursor);
  if (kind == pointer::Custom) return customPointer_ ? *customPointer_ : QCursor(Qt::PointingHandCursor);
  return QCursor(Qt::ArrowCursor);
}

void Form1::setMousePointer(int kind) {
  if (kind == pointerKind_) return;  // already shown
  pointerKind_ = kind;
  // Each widget remembers, on itself, the cursor it had of its own (the text box's I-beam)
  // before the window's pointer first governed it; kind 0 gives it back.
  static const char* const kOwnCursor = "lomandraOwnCursor";
  QList<QWidget*> widgets = findChildren<QWidget*>();
  widgets.prepend(this);
  const QCursor shape = pointerShape(kind);
  for (QWidget* widget : widgets) {
    if (widget->isWindow() && widget != this) continue;  // popups and dialogs keep their own
    if (!widget->property(kOwnCursor).isValid())
      widget->setProperty(kOwnCursor, widget->testAttribute(Qt::WA_SetCursor)
                                          ? QVariant::fromValue(widget->cursor())
                                          : QVariant(false));
    const QVariant own = widget->property(kOwnCursor);
    if (kind != pointer::Default)
      widget->setCursor(shape);
    else if (own.metaType() == QMetaType::fromType<QCursor>())
      widget->setCursor(own.value<QCursor>());
    else
      widget->unsetCursor();
  }
}

int Form1::msgBox(const QString& text, int style, const QString& title) {
  return services_.messages->show(text, style, title.isEmpty() ? appTitle_ : title);
}

void Form1::doEvents() {
  if (services_.doEvents) {
    services_.doEvents();
    return;
  }
  // The exports yield once per entry and per cell: millions of times for a long list. Events
  // are processed at most every few milliseconds, which keeps the window just as responsive
  // while a yield with nothing due costs nanoseconds instead of microseconds.
  constexpr qint64 kYieldIntervalMs = 5;
  // Reading the clock costs more than a yield's share of the work (a tenth of a million-entry
  // copy went to it): it is read at every 64th yield only, a few microseconds apart.
  constexpr int kYieldsPerClockRead = 64;
  if (lastYield_.isValid() && ++yieldsUnchecked_ < kYieldsPerClockRead) return;
  yieldsUnchecked_ = 0;
  if (lastYield_.isValid() && lastYield_.elapsed() < kYieldIntervalMs) return;
  QCoreApplication::processEvents();
  lastYield_.start();
}

}  // namespace lomandra::app
