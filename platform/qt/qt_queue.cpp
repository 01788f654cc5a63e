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
  state_.posted.woken();
  state_.deliver_posted_messages();
  return true;
}

// Asked for once while any message is pending (WindowedBackend::post).
void QtBackendState::wake() { QCoreApplication::postEvent(waker_.get(), new QEvent(kWakeEvent)); }

bool QtBackendState::wait(int timeout_ms) {
  collect_garbage();
  if (!posted.empty()) return true;
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
  while (!dispatcher->processEvents(QEventLoop::WaitForMoreEvents) && !expired && posted.empty()) {
  }
  return !posted.empty() || !expired || quit.requested();
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
