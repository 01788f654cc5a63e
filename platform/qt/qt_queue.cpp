// The UI thread's posted-message queue, waiting in Qt's event dispatcher, and timers.
// post() may come from any thread: the message joins a mutex-guarded queue and one wake-up
// event is posted to Qt, so queued messages are dispatched by whichever event loop runs
// next: the main loop, a delay, or a modal message box.
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "platform/qt/qt_backend_state.h"

namespace platform::qt {
namespace {
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::User + 0x44);
constexpr uint32_t kMinimumPeriodMs = 10;  // shorter timer periods are raised to this
constexpr uint32_t kMaximumPeriodMs = 0x7FFFFFFF;  // what QTimer can hold
}  // namespace

bool Waker::event(QEvent* event) {
  if (event->type() != kWakeEvent) return QObject::event(event);
  state_.posted_.woken();
  state_.drain_queue();
  return true;
}

void QtBackendState::post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam) {
  posted_.push(Posted{window, code, wparam, lparam});
  wake();
}

void QtBackendState::wake() {
  if (posted_.claim_wake()) QCoreApplication::postEvent(waker_.get(), new QEvent(kWakeEvent));
}

// Messages for windows that are gone are dropped.
void QtBackendState::drain_queue() {
  posted_.drain([this](const Posted& m) {
    if (find(m.window)) deliver_posted(m.window, m.code, m.wparam, m.lparam);
  });
}

bool QtBackendState::wait(int timeout_ms) {
  collect_garbage();
  if (!queue_empty()) return true;
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
  while (!dispatcher->processEvents(QEventLoop::WaitForMoreEvents) && !expired && queue_empty()) {
  }
  return !queue_empty() || !expired || quit.load();
}

void QtBackendState::set_timer(Handle window, uint32_t id, uint32_t period_ms) {
  if (!find(window)) return;
  QTimer*& timer = timers_[{window, id}];
  if (!timer) {
    timer = new QTimer();
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, [this, window, id] {
      if (find(window)) deliver_timer(window, id);
    });
  }
  timer->start(static_cast<int>(std::clamp(period_ms, kMinimumPeriodMs, kMaximumPeriodMs)));
}

void QtBackendState::kill_timer(Handle window, uint32_t id) {
  auto it = timers_.find({window, id});
  if (it != timers_.end()) it->second->stop();
}

// A timer may be killed from inside its own tick, so the QTimer is only stopped here and
// deleted with the other leftovers once no handler is running.
void QtBackendState::kill_window_timers(Handle window) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first != window) {
      ++it;
      continue;
    }
    it->second->stop();
    graveyard_.emplace_back(it->second);
    it = timers_.erase(it);
  }
}

}  // namespace platform::qt
