// QtBackend: the shared bookkeeping's native side on Qt (the objects behind the handles,
// enabled and shown, Qt's focus, destruction), the message loop and its timers, and process
// services. Making, placing and filling widgets is in qt_widgets.cpp, the controls' own calls
// in qt_controls.cpp, the user's input in qt_input.cpp, the message box in qt_message_box.cpp.
//
// post() may come from any thread: the message joins the bookkeeping's queue and one wake-up
// event is posted to Qt, so queued messages are dispatched by whichever event loop runs next:
// the main loop, a delay, or a modal message box.
#include "platform/qt/qt_backend.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/posix/serial_device.h"
#include "platform/qt/qt_backend_state.h"
#include "platform/qt/qt_fonts.h"

namespace platform::qt {
namespace {

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::User + 0x44);

std::unique_ptr<QApplication> own_app(int& argc, char** argv) {
  if (QCoreApplication::instance()) return nullptr;  // tests share one
  return std::make_unique<QApplication>(argc, argv);
}

}  // namespace

// ---- the state: the objects behind the handles

QtBackendState::QtBackendState(int& argc, char** argv) : owned_app_(own_app(argc, argv)) {
  QApplication::setQuitOnLastWindowClosed(false);  // the runtime decides when the loop ends
  install_default_font();
  qApp->installEventFilter(&filter_);
  clock.start();
}

// The windows were destroyed by the backend; wake-up events still queued for the waker are
// discarded with it by Qt.
QtBackendState::~QtBackendState() { qApp->removeEventFilter(&filter_); }

Handle QtBackendState::handle_of(const QObject* object) const {
  return natives.owner(object, [](const void* o) -> const void* { return static_cast<const QObject*>(o)->parent(); });
}

// A control Qt cannot focus now keeps the form's focus without Qt's.
void QtBackendState::sync_qt_focus() {
  MutedFocus muted(*this);
  if (const Window* w = find(focused()); w && w->widget) {
    w->widget->setFocus(Qt::OtherFocusReason);
  } else if (QWidget* current = QApplication::focusWidget(); current && handle_of(current) != 0) {
    current->clearFocus();
  }
}

bool Waker::event(QEvent* event) {
  if (event->type() != kWakeEvent) return QObject::event(event);
  state_.posted.woken();
  state_.deliver_posted_messages();
  return true;
}

void Waker::timerEvent(QTimerEvent* event) { state_.timer_fired(static_cast<uintptr_t>(event->timerId())); }

// ---- the backend

QtBackend::QtBackend(int& argc, char** argv) : state_(std::make_unique<QtBackendState>(argc, argv)) {}
QtBackend::~QtBackend() { close_all_windows(); }

void* QtBackend::native(Handle window) const {
  const Window* w = state_->find(window);
  return w ? w->widget : nullptr;
}

Handle QtBackend::handle_of_native(const void* object) const {
  return state_->handle_of(static_cast<const QObject*>(object));
}

WindowBookkeeping& QtBackend::book() { return *state_; }
const WindowBookkeeping& QtBackend::book() const { return *state_; }

// Disabling or hiding the focused control leaves the form's focus where it is, as a native
// window would; Qt's own move of its focus elsewhere is not reported.
void QtBackend::enable_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.widget) return;
  const bool on = w.enabled;
  WindowBookkeeping::MutedFocus muted(*state_);
  QWidget* had = QApplication::focusWidget();
  const bool held_focus = !on && had && (had == w.widget || w.widget->isAncestorOf(had));
  w.widget->setEnabled(on);
  // Qt passes a disabled control's focus on to the next one; the form's focus stays with the
  // control (nothing is reported), so Qt's is taken back rather than left in another field,
  // and returned to the control when it is enabled again.
  if (held_focus) {
    if (QWidget* moved = QApplication::focusWidget(); moved && moved != had) moved->clearFocus();
  }
  if (on && state_->focused() == w.handle && w.widget->isVisible()) w.widget->setFocus(Qt::OtherFocusReason);
}

void QtBackend::show_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.widget) return;
  WindowBookkeeping::MutedFocus muted(*state_);
  w.widget->setVisible(w.visible);
}

void QtBackend::sync_native_focus() { state_->sync_qt_focus(); }

// Some platforms leave no active window after a modal box, and later focus moves would not
// reach Qt.
bool QtBackend::activate_frame_native(WindowRecord& frame) {
  auto& w = static_cast<Window&>(frame);
  if (!w.widget || !w.widget->isVisible()) return false;
  WindowBookkeeping::MutedFocus muted(*state_);
  w.widget->activateWindow();
  return true;
}

void QtBackend::order_tabs_native(Handle, const std::vector<Handle>& order) {
  QWidget* previous = nullptr;
  for (Handle h : order) {
    const Window* w = state_->find(h);
    if (!w || !w->widget) continue;
    if (previous) QWidget::setTabOrder(previous, w->widget);
    previous = w->widget;
  }
}

// The top widget leaves the screen at once and is deleted later with the widgets inside it;
// hidden windows are plain objects outside the widget tree, each deleted on its own. A
// QPointer is null by then when a parent went first.
void QtBackend::hide_destroyed(WindowRecord& record) {
  auto& top = static_cast<Window&>(record);
  if (!top.widget) return;
  {
    WindowBookkeeping::MutedFocus muted(*state_);
    top.widget->hide();
  }
  state_->delete_later([object = QPointer<QObject>(top.object)] { delete object.data(); });
}

void QtBackend::forget_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.widget) state_->delete_later([object = QPointer<QObject>(w.object)] { delete object.data(); });
}

// ---- the message loop and its timers

// Asked for once while any message is pending (WindowedBackend::post).
void QtBackend::wake_ui_thread() { QCoreApplication::postEvent(&state_->waker, new QEvent(kWakeEvent)); }

void QtBackend::process_pending() {
  state_->delete_deferred();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  state_->deliver_posted_messages();
}

bool QtBackend::wait(int timeout_ms) {
  state_->delete_deferred();
  if (!state_->posted.empty()) return true;
  if (timeout_ms == 0) return false;
  bool expired = false;
  // Only a wait with a time-out needs a timer; the main loop's endless waits, one per
  // wake-up, make none.
  std::optional<QTimer> deadline;
  if (timeout_ms > 0) {
    deadline.emplace();
    deadline->setSingleShot(true);
    deadline->setTimerType(Qt::PreciseTimer);
    QObject::connect(&*deadline, &QTimer::timeout, [&expired] { expired = true; });
    deadline->start(timeout_ms);
  }
  // Sleeps in the dispatcher until some event arrives; whatever it was has been handled
  // (and reported) by the time processEvents returns.
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  while (!dispatcher->processEvents(QEventLoop::WaitForMoreEvents) && !expired && state_->posted.empty()) {
  }
  return !state_->posted.empty() || !expired || state_->quit.requested();
}

uint32_t QtBackend::tick_count() const { return static_cast<uint32_t>(state_->clock.elapsed()); }

// A timer of the waker's; killing one from inside its own tick is safe.
uintptr_t QtBackend::start_timer_native(uintptr_t running, uint32_t period_ms) {
  if (running) state_->waker.killTimer(static_cast<int>(running));
  return static_cast<uintptr_t>(state_->waker.startTimer(static_cast<int>(period_ms), Qt::PreciseTimer));
}

void QtBackend::stop_timer_native(uintptr_t native) { state_->waker.killTimer(static_cast<int>(native)); }

// ---- process services

std::unique_ptr<SerialDevice> QtBackend::open_serial(const std::string& path, SerialError& error) {
  return platform::posix::open_serial_device(path, error);
}

void QtBackend::exit_process(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace platform::qt
