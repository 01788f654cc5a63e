// The window registry: handles, the objects behind them, subtrees and destruction.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "platform/qt/qt_backend_state.h"
#include "platform/qt/qt_fonts.h"

namespace platform::qt {

QtBackendState::QtBackendState(int& argc, char** argv) {
  if (!QCoreApplication::instance()) owned_app_ = std::make_unique<QApplication>(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the runtime decides when the loop ends
  install_default_font();
  waker_ = std::make_unique<Waker>(*this);
  filter_ = std::make_unique<InputFilter>(*this);
  qApp->installEventFilter(filter_.get());
  clock.start();
}

QtBackendState::~QtBackendState() {
  qApp->removeEventFilter(filter_.get());  // the windows were destroyed by the backend
  for (auto& [key, timer] : timers_) delete timer;
  timers_.clear();
  forget_sink_calls();
  collect_garbage();
  waker_.reset();
  // Wake-up events still queued for the waker are discarded with it by Qt.
}

Handle QtBackendState::handle_of(const QObject* object) const {
  for (const QObject* o = object; o; o = o->parent()) {
    auto it = by_object_.find(o);
    if (it != by_object_.end()) return it->second;
  }
  return 0;
}

Handle QtBackendState::add(std::unique_ptr<Window> window) {
  Window& added = *window;
  if (windows.add(std::move(window)) == 0) return 0;
  by_object_[added.object] = added.handle;
  wire(added);
  return added.handle;
}

// The top widget leaves the screen at once and is deleted later with the widgets inside it
// (see collect_garbage); hidden windows are plain objects outside the widget tree, each
// deleted on its own.
void QtBackendState::hide_destroyed(Window& top) {
  if (!top.widget) return;
  ++qt_focus_mute;
  top.widget->hide();
  --qt_focus_mute;
  graveyard_.emplace_back(top.object);
}

void QtBackendState::forget(Window& w) {
  kill_window_timers(w.handle);
  by_object_.erase(w.object);
  if (!w.widget) graveyard_.emplace_back(w.object);
}

void QtBackendState::collect_garbage() {
  if (in_sink_call()) return;
  auto doomed = std::move(graveyard_);
  graveyard_.clear();
  for (auto& object : doomed) delete object.data();  // QPointer: null when a parent went first
}

}  // namespace platform::qt
