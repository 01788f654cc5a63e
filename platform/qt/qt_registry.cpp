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
  sink = nullptr;  // the sink may be gone already; nothing is reported from here on
  qApp->removeEventFilter(filter_.get());
  for (Handle h : tree_.roots()) destroy(h);
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

Handle QtBackendState::add(Window window) {
  Window& added = tree_.add(std::move(window));
  by_object_[added.object] = added.handle;
  wire(added);
  return added.handle;
}

// The focus dies with its window, silently, as with a native window. The widgets are hidden
// at once and deleted later (see collect_garbage); Destroyed is reported children first,
// after the windows have left the registry.
void QtBackendState::destroy(Handle h) {
  Window* top = find(h);
  if (!top) return;
  const auto doomed = tree_.subtree_children_first(h);
  if (focused != 0 && is_inside(focused, h)) focused = 0;
  ++qt_focus_mute;
  if (top->widget) top->widget->hide();
  --qt_focus_mute;
  graveyard_.emplace_back(top->object);
  for (Handle d : doomed) {
    kill_window_timers(d);
    Window* w = find(d);
    // Hidden windows are plain objects outside the widget tree: they go with their parent.
    if (w && !w->widget && d != h) graveyard_.emplace_back(w->object);
    if (w) by_object_.erase(w->object);
    tree_.erase(d);
  }
  if (last_frame_shown == h) last_frame_shown = 0;
  for (Handle d : doomed) notify(d, Notify::Destroyed);
}

void QtBackendState::collect_garbage() {
  if (in_sink_call()) return;
  auto doomed = std::move(graveyard_);
  graveyard_.clear();
  for (auto& object : doomed) delete object.data();  // QPointer: null when a parent went first
}


}  // namespace platform::qt
