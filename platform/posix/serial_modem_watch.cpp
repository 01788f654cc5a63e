// Stopping the helper. The driver's modem-line wait ends only when a counter moves or a
// signal arrives; closing the descriptor does not end it, and a flag cannot be seen while
// the helper sleeps in the kernel. So stopping takes two steps, in this order:
//  1. Our duplicate descriptor is replaced (dup3) by one on /dev/null, which never blocks
//     and is no tty. A helper that has not yet entered the wait now fails at once there
//     (ENOTTY, or end of file for a read) instead of sleeping.
//  2. A signal with an empty handler is sent to the helper thread. A helper already asleep
//     in the wait returns with EINTR; if the wait were restarted instead, the restart would
//     find the replaced descriptor and fail at once as in step 1.
// Either way the helper sees the stop flag and ends; then it is joined and both descriptors
// are closed. No step has a time-out and none depends on where the helper is.
#include "platform/posix/serial_modem_watch.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <mutex>
#include <system_error>

#include "platform/serial.h"

namespace platform::posix {
namespace {

// A real-time signal that nothing else in the tool uses; it only ever interrupts the wait.
int stop_signal() { return SIGRTMIN + 5; }

extern "C" void interrupt_wait(int) {}

// Installs the empty handler once per process (without SA_RESTART). A handler someone else
// put there is left alone: any handler that returns interrupts the wait just as well.
bool install_stop_handler() {
  static bool installed = false;
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (sigaction(stop_signal(), nullptr, &current) != 0) return;
    const bool handled = (current.sa_flags & SA_SIGINFO) != 0 ||
                         (current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN);
    if (handled) {
      installed = true;
      return;
    }
    struct sigaction action {};
    action.sa_handler = interrupt_wait;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    installed = sigaction(stop_signal(), &action, nullptr) == 0;
  });
  return installed;
}

class TtyModemLines final : public ModemLines {
 public:
  bool counts(int fd, ModemCounts& out) override {
    serial_icounter_struct c {};
    if (ioctl(fd, TIOCGICOUNT, &c) != 0) return false;
    out = {static_cast<uint32_t>(c.cts), static_cast<uint32_t>(c.dsr), static_cast<uint32_t>(c.dcd),
           static_cast<uint32_t>(c.rng)};
    return true;
  }
  int wait_change(int fd) override {
    const unsigned long lines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG;
    return ioctl(fd, TIOCMIWAIT, lines) == 0 ? 0 : errno;
  }
};

void close_if_open(int fd) {
  if (fd >= 0) ::close(fd);
}

}  // namespace

uint32_t modem_events(const ModemCounts& before, const ModemCounts& after) {
  uint32_t events = 0;
  if (after.cts != before.cts) events |= kEvCts;
  if (after.dsr != before.dsr) events |= kEvDsr;
  if (after.dcd != before.dcd) events |= kEvRlsd;
  if (after.rng != before.rng) events |= kEvRing;
  return events;
}

ModemLines& tty_modem_lines() {
  static TtyModemLines lines;
  return lines;
}

std::unique_ptr<ModemWatch> ModemWatch::start(int fd, std::function<void()> notify, ModemLines& lines) {
  ModemCounts initial;
  if (!lines.counts(fd, initial) || !install_stop_handler()) return nullptr;
  const int watch_fd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  const int park_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (watch_fd < 0 || park_fd < 0) {
    close_if_open(watch_fd);
    close_if_open(park_fd);
    return nullptr;
  }
  std::unique_ptr<ModemWatch> watch(new ModemWatch(watch_fd, park_fd, initial, std::move(notify), lines));
  try {
    watch->helper_ = std::thread([w = watch.get()] { w->run(); });
  } catch (const std::system_error&) {
    return nullptr;  // no thread: the device works without modem-line events
  }
  return watch;
}

ModemWatch::ModemWatch(int watch_fd, int park_fd, const ModemCounts& initial, std::function<void()> notify,
                       ModemLines& lines)
    : watch_fd_(watch_fd), park_fd_(park_fd), last_(initial), notify_(std::move(notify)), lines_(lines) {}

ModemWatch::~ModemWatch() {
  if (helper_.joinable()) {
    stop_.store(true);
    while (dup3(park_fd_, watch_fd_, O_CLOEXEC) < 0 && errno == EINTR) {
    }
    pthread_kill(helper_.native_handle(), stop_signal());
    helper_.join();
  }
  ::close(watch_fd_);
  ::close(park_fd_);
}

void ModemWatch::run() {
  // Only the stop signal reaches this thread; every other signal is left to the rest of the
  // process.
  sigset_t mask;
  sigfillset(&mask);
  sigdelset(&mask, stop_signal());
  pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  while (!stop_.load()) {
    const int error = lines_.wait_change(watch_fd_);
    if (stop_.load()) break;
    if (error == EINTR) continue;
    // ENOTTY/EINVAL: the driver counts the lines but cannot wait for them, so this device
    // reports no modem-line events. Anything else (EIO after an unplug): the device is gone,
    // which its reading side reports.
    if (error != 0) break;
    ModemCounts now;
    if (!lines_.counts(watch_fd_, now)) break;
    // Compared with what we saw last, not with where the wait began: a change that lands
    // between reading the counters and entering the next wait is reported with the change
    // that ends that wait.
    const uint32_t events = modem_events(last_, now);
    last_ = now;
    if (events) {
      pending_.fetch_or(events);
      notify_();
    }
  }
}

}  // namespace platform::posix
