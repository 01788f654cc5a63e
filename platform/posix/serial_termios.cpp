// A serial device on a tty or pseudo-terminal. The worker thread of the serial port unit is
// the only caller of everything except wake(), so the device needs no lock of its own.
//
// Received bytes are read from the kernel into a small buffer as soon as poll reports them:
// that is how the device sees the event character and notices a hang-up (a zero read, EIO
// or POLLHUP), which it reports once as kEvGone and then stops reading. While a slow stream
// keeps arriving, input is taken at most once per kReadGap, as a USB adapter's latency
// timer hands it over: the worker (and the UI thread after it) wakes once per batch, not
// once per few bytes. A first byte after a quiet line is read at once, a fast line that
// fills whole batches is read without pause, and stop and write requests never wait.
//
// CTS, DSR, carrier and ring changes come from a helper thread (ModemWatch) that sleeps in
// the driver's modem-line wait and hands its event bits over through the wake-up eventfd.
// Drivers without modem-line counters (a pseudo-terminal has no modem lines) get no helper
// and report none of these events.
//
// The device's UUCP lock file (serial_lock.h) is taken before the device is opened, so a
// port another program holds is never touched, and is removed when the device is closed or
// goes away.
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "platform/posix/serial_device.h"
#include "platform/posix/serial_errno.h"
#include "platform/posix/serial_lock.h"
#include "platform/posix/serial_modem_watch.h"
#include "platform/posix/serial_termios_config.h"

namespace platform::posix {
namespace {

constexpr auto kReadGap = std::chrono::milliseconds(20);
constexpr size_t kBatch = 1024;  // a read this large waits for no gap

class TermiosDevice final : public SerialDevice {
 public:
  TermiosDevice(int fd, int wake_fd, PortLock lock) : fd_(fd), wake_fd_(wake_fd), lock_(std::move(lock)) {
    counters_ok_ = read_counters(counters_);
    modem_watch_ = ModemWatch::start(fd_, [this] { signal_wake_fd(); });
  }

  ~TermiosDevice() override {
    modem_watch_.reset();  // the helper uses wake_fd_ until it has ended
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also releases the flock
    ::close(wake_fd_);
    lock_.release();
  }

  SerialError configure(const LineSettings& s) override {
    settings_ = s;
    return apply_line_settings(fd_, s);
  }

  void purge() override {
    tcflush(fd_, TCIOFLUSH);
    rx_.clear();
    rx_pos_ = 0;
    pending_events_ &= ~(kEvRxChar | kEvRxFlag);
  }

  uint32_t wait_event() override {
    for (;;) {
      if (gone_ && !gone_reported_) {
        gone_reported_ = true;
        return kEvGone;
      }
      if (modem_watch_) pending_events_ |= modem_watch_->take_events();
      if (pending_events_ && !gone_reported_) {
        uint32_t ev = pending_events_;
        pending_events_ = 0;
        return ev;
      }
      if (buffered() > 0 && !gone_reported_) return kEvRxChar;
      if (!poll_once()) return 0;  // woken
    }
  }

  void wake() override {
    woken_.store(true);
    signal_wake_fd();
  }

  ErrorStatus clear_errors() override {
    if (buffered() == 0) fill();
    ErrorStatus status = errors_;
    errors_ = {};
    status.queued = buffered();
    return status;
  }

  bool read_byte(uint8_t& byte) override {
    if (buffered() == 0) fill();
    if (buffered() == 0) return false;
    byte = rx_[rx_pos_++];
    return true;
  }

  ModemStatus modem_status() override {
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) != 0) return {};  // a pseudo-terminal has no modem lines
    return {(bits & TIOCM_CTS) != 0, (bits & TIOCM_DSR) != 0, (bits & TIOCM_RNG) != 0, (bits & TIOCM_CAR) != 0};
  }

  WriteResult write(const uint8_t* data, size_t size) override;

 private:
  size_t buffered() const { return rx_.size() - rx_pos_; }

  // Unplugged (or the far end closed): nothing more is read, and the port's lock is given
  // up for whoever finds the device again.
  void mark_gone() {
    gone_ = true;
    lock_.release();
  }

  // Shared by wake() and the modem-line helper; woken_ tells the two apart.
  void signal_wake_fd() {
    uint64_t one = 1;
    while (::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }

  // Waits for input, a wake-up or the modem-line helper; false when woken.
  bool poll_once() {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    // Once the device is gone only a wake-up ends the wait: a hung-up tty stays readable.
    // Shortly after a read that brought bytes, only wake-ups count until the gap is over.
    const auto gap_left = last_input_ + kReadGap - std::chrono::steady_clock::now();
    const bool in_gap = !gone_ && last_read_ < kBatch && gap_left > std::chrono::steady_clock::duration::zero();
    nfds_t first = gone_ || in_gap ? 1 : 0;
    const int timeout =
        in_gap ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(gap_left).count()) : -1;
    int n = ::poll(fds + first, 2 - first, timeout);
    if (n < 0) {
      // errno first: nothing may run between the failed call and this look at it.
      const int e = errno;
      // Interrupted by a signal: look again. Anything else (no memory for the wait) is
      // not the device's fault: pause instead of spinning, then look again.
      if (e != EINTR) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      return true;
    }
    if (fds[1].revents) {
      uint64_t count;
      while (::read(wake_fd_, &count, sizeof count) < 0 && errno == EINTR) {
      }
      // Only the helper signalled: its event bits are picked up by the caller's next look.
      if (woken_.exchange(false)) return false;
    }
    if (fds[0].revents) fill();
    return true;
  }

  // Moves what the kernel holds into the buffer and notes what it means.
  void fill() {
    if (gone_) return;
    if (rx_pos_ == rx_.size()) {
      rx_.clear();
      rx_pos_ = 0;
    }
    uint8_t chunk[4096];
    ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
      mark_gone();
      return;
    }
    note_line_errors();
    if (n < 0) return;
    rx_.insert(rx_.end(), chunk, chunk + n);
    last_input_ = std::chrono::steady_clock::now();
    last_read_ = static_cast<size_t>(n);
    pending_events_ |= kEvRxChar;
    if (settings_.event_char) {
      for (ssize_t i = 0; i < n; ++i) {
        if (chunk[i] == *settings_.event_char) pending_events_ |= kEvRxFlag;
      }
    }
  }

  // Break and line errors, from the driver's counters where it keeps them (UARTs and most
  // USB adapters; not pseudo-terminals).
  bool read_counters(serial_icounter_struct& c) { return ioctl(fd_, TIOCGICOUNT, &c) == 0; }
  void note_line_errors() {
    serial_icounter_struct now {};
    if (!counters_ok_ || !read_counters(now)) return;
    if (now.brk != counters_.brk) pending_events_ |= kEvBreak;
    if (now.overrun != counters_.overrun || now.buf_overrun != counters_.buf_overrun) errors_.overrun = true;
    if (now.parity != counters_.parity) errors_.parity = true;
    if (now.frame != counters_.frame) errors_.framing = true;
    if (errors_.overrun || errors_.parity || errors_.framing) pending_events_ |= kEvErr;
    counters_ = now;
  }

  int fd_, wake_fd_;
  PortLock lock_;  // released by the worker when the device goes away, else at destruction
  LineSettings settings_;
  std::vector<uint8_t> rx_;
  size_t rx_pos_ = 0;
  uint32_t pending_events_ = 0;
  ErrorStatus errors_;
  bool gone_ = false, gone_reported_ = false;
  bool counters_ok_ = false;
  serial_icounter_struct counters_ {};
  std::atomic<bool> woken_{false};
  std::chrono::steady_clock::time_point last_input_;  // the last read that brought bytes
  size_t last_read_ = 0;                               // and how many
  std::unique_ptr<ModemWatch> modem_watch_;  // null when the driver has no modem-line counters
};

// All of it, or as much as the line takes within timeout * (size + 1) ms (no limit when
// the time-out is 0).
WriteResult TermiosDevice::write(const uint8_t* data, size_t size) {
  using Clock = std::chrono::steady_clock;
  WriteResult result;
  if (gone_) return result;
  const uint64_t budget = uint64_t{settings_.timeout_ms} * (size + 1);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(budget);
  while (result.written < size) {
    ssize_t n = ::write(fd_, data + result.written, size - result.written);
    if (n > 0) {
      result.written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      if (serial_error_from_errno(errno, true) == SerialError::Gone) mark_gone();
      return result;
    }
    int wait_ms = -1;
    if (budget > 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;  // cut short by the write time-out
      wait_ms = static_cast<int>(std::min<int64_t>(left, 60'000));
    }
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, wait_ms) > 0 && (p.revents & (POLLHUP | POLLERR))) {
      mark_gone();
      return result;
    }
  }
  result.ok = true;
  return result;
}

}  // namespace

std::unique_ptr<SerialDevice> open_serial_device(const std::string& path, SerialError& error) {
  error = SerialError::None;
  // A device that is not there takes no lock; one that another program holds is not opened.
  struct stat st {};
  PortLock lock;
  LockHolder holder;
  if (::stat(path.c_str(), &st) != 0) {
    error = serial_error_from_errno(errno, false);
  } else if (!lock.acquire(path, holder)) {
    error = SerialError::Busy;
  }
  int fd = -1;
  if (error == SerialError::None) {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) error = serial_error_from_errno(errno, false);
  }
  termios probe{};
  if (fd >= 0 && tcgetattr(fd, &probe) != 0) error = serial_error_from_errno(errno, false);
  // Exclusive: flock keeps out every other opener that asks (also root); TIOCEXCL makes the
  // kernel refuse further opens of the tty by anyone else.
  if (error == SerialError::None && flock(fd, LOCK_EX | LOCK_NB) != 0) error = serial_error_from_errno(errno, false);
  int wake_fd = -1;
  if (error == SerialError::None) {
    ioctl(fd, TIOCEXCL);
    wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd < 0) error = SerialError::Io;
  }
  if (error != SerialError::None) {
    if (fd >= 0) ::close(fd);
    lock.release();
    explain_open_failure(path, error, explain_serial_refusal(path, error));
    return nullptr;
  }
  return std::make_unique<TermiosDevice>(fd, wake_fd, std::move(lock));
}

}  // namespace platform::posix
