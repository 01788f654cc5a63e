// Serial devices on the Win32 communications API, opened for overlapped I/O. The worker's
// wait is an overlapped WaitCommEvent waited on together with the wake-up event, so a stop
// or write request ends it at once; the comm-event wait stays pending across such wake-ups.
// Input waiting in the driver is read with one overlapped ReadFile and handed out a byte at a
// time. Every call on the port goes through a CommApi table (Windows itself in the programs).
//
// Line errors: a driver set to abort on errors fails every call but ClearCommError with
// ERROR_OPERATION_ABORTED after a framing, parity or overrun error until ClearCommError. The
// driver keeps that setting from the port's previous opener, and the open turns it off only
// with its last call: so the open clears errors as soon as the port is opened, and a call of
// the open refused so (an error that came in the meantime: the DTU already sending, or at
// another baud rate) is made once more after clearing. After the open, whatever still fails
// so is cleared and goes on. The error flags cleared on the way are kept for the next
// clear_errors(), so the unit still hears of them.
//
// Some drivers cannot wait for comm events (Wine's COM ports on pseudo-terminals fail every
// such wait; some virtual ports never complete one with an event). A device that fails
// several waits in a row, or whose waits keep ending without an event, but that still answers
// ClearCommError is then waited on through a pending one-byte read instead, and reports no
// modem-line events, like a pseudo-terminal on Linux. A device that no longer answers, or
// whose reads keep failing, is gone: reported once, after which only wake() ends a wait, so a
// pulled adapter neither spins nor hangs the worker.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/win32/comm_api.h"
#include "platform/win32/serial_claim.h"
#include "platform/win32/serial_device.h"
#include "platform/win32/serial_error.h"
#include "platform/win32/serial_line_settings.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

// Our event bits are the Win32 ones.
static_assert(kEvRxChar == EV_RXCHAR && kEvRxFlag == EV_RXFLAG && kEvCts == EV_CTS && kEvDsr == EV_DSR &&
              kEvRlsd == EV_RLSD && kEvBreak == EV_BREAK && kEvErr == EV_ERR && kEvRing == EV_RING);
constexpr uint32_t kLineEvents = kEvRxChar | kEvRxFlag | kEvCts | kEvDsr | kEvRlsd | kEvBreak | kEvErr | kEvRing;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
// Waits that end without an event before the driver counts as unable to wait for events.
constexpr int kEmptyWaitLimit = 3;
// Failed waits in a row (the driver still answering) before the device waits by reading
// instead; failed reads in a row, waiting so, before it counts as gone. One failure is a line
// error or a cancelled operation, never a reason.
constexpr int kFailureLimit = 3;

// An OVERLAPPED with its own manual-reset event.
struct Operation {
  OVERLAPPED ov{};
  Operation() { ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  ~Operation() {
    if (ov.hEvent) CloseHandle(ov.hEvent);
  }
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;
  void restart() {
    HANDLE event = ov.hEvent;
    ov = OVERLAPPED{};
    ov.hEvent = event;
    ResetEvent(event);
  }
};

// Everything the driver may still write into while an operation is pending.
struct PendingState {
  Operation comm_wait, waiting_read, io;
  DWORD events = 0;
  uint8_t byte = 0;
  uint8_t chunk[4096];
  bool valid() const { return comm_wait.ov.hEvent && waiting_read.ov.hEvent && io.ov.hEvent; }
};

// Makes `call` (a configuration call on `port`), once more after ClearCommError when a line
// error refused it; the error flags cleared are added to `cleared`. The last error stays the
// thread's last error.
template <class Call>
bool clearing_line_errors(CommApi& os, HANDLE port, DWORD& cleared, Call call) {
  if (call()) return true;
  const DWORD error = GetLastError();
  DWORD flags = 0;
  if (error != ERROR_OPERATION_ABORTED || !os.clear_comm_error(port, &flags, nullptr)) {
    SetLastError(error);
    return false;
  }
  cleared |= flags;
  return call();
}

class CommDevice final : public SerialDevice {
 public:
  CommDevice(CommApi& os, HANDLE port, HANDLE claim, HANDLE wake, DWORD held_errors)
      : os_(os), port_(port), claim_(claim), wake_(wake), io_(std::make_unique<PendingState>()),
        held_errors_(held_errors) {}

  ~CommDevice() override {
    // An empty mask ends a pending comm-event wait; cancelling ends the rest.
    os_.set_comm_mask(port_, 0);
    os_.cancel_io(port_, nullptr);
    const bool settled = settle(io_->comm_wait, comm_wait_pending_) && settle(io_->waiting_read, read_pending_);
    os_.close_handle(port_);
    // A driver that never completes a cancelled operation may still write into it: leave
    // the memory to it rather than hang.
    if (!settled) static_cast<void>(io_.release());
    CloseHandle(wake_);
    CloseHandle(claim_);
  }

  bool valid() const { return wake_ && io_->valid(); }

  // Each call is made again once after clearing a line error that refused it (the driver
  // may still abort on errors until the last one).
  SerialError configure(const LineSettings& s) override {
    settings_ = s;
    COMMTIMEOUTS timeouts = line_timeouts(s);
    if (!clearing([&] { return os_.set_comm_timeouts(port_, &timeouts); }) ||
        !clearing([&] { return os_.set_comm_mask(port_, line_event_mask(s)); }))
      return settings_refused();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!clearing([&] { return os_.get_comm_state(port_, &dcb); })) return settings_refused();
    apply_line_settings(dcb, s);
    if (!clearing([&] { return os_.set_comm_state(port_, &dcb); })) return settings_refused();
    return SerialError::None;
  }

  void purge() override {
    // Refused while a line error waits to be cleared (abort on errors): cleared, purged again.
    if (!os_.purge_comm(port_, kPurgeAll)) {
      if (!answers()) {
        gone_ = true;
      } else {
        os_.purge_comm(port_, kPurgeAll);
      }
    }
    if (read_pending_) {  // a byte it brings in now was received before the purge
      os_.cancel_io(port_, &io_->waiting_read.ov);
      DWORD n = 0;
      os_.get_overlapped_result(port_, &io_->waiting_read.ov, &n, TRUE);
      read_pending_ = false;
    }
    // Pending events stay: they tell of bytes already delivered.
    ahead_.reset();
    rx_.clear();
    rx_pos_ = in_queue_ = 0;
  }

  uint32_t wait_event() override {
    for (;;) {
      if (gone_) {
        if (!gone_reported_) {
          gone_reported_ = true;
          return kEvGone;
        }
        WaitForSingleObject(wake_, INFINITE);
        return 0;
      }
      if (pending_events_) return std::exchange(pending_events_, 0);
      if (ahead_ || buffered() > 0) return kEvRxChar;
      const std::optional<uint32_t> events = comm_events_ ? wait_comm_event() : wait_for_input();
      if (!events) return 0;  // woken
      if (*events) return *events;
    }
  }

  void wake() override { SetEvent(wake_); }

  ErrorStatus clear_errors() override {
    ErrorStatus status;
    COMSTAT stat{};
    const size_t ahead = (ahead_ ? 1 : 0) + buffered();
    const bool answered = look(stat);
    const DWORD errors = std::exchange(held_errors_, 0);
    status.overrun = (errors & (CE_OVERRUN | CE_RXOVER)) != 0;
    status.parity = (errors & CE_RXPARITY) != 0;
    status.framing = (errors & CE_FRAME) != 0;
    // Without comm events a break is seen only here.
    if (!comm_events_ && (errors & CE_BREAK)) pending_events_ |= kEvBreak;
    status.queued = (answered ? stat.cbInQue : 0) + ahead;
    return status;
  }

  bool read_byte(uint8_t& byte) override {
    if (ahead_) {
      byte = *std::exchange(ahead_, std::nullopt);
      return true;
    }
    if (buffered() > 0) return took(rx_[rx_pos_++], byte);
    if (read_pending_) {  // the waiting read takes the next byte first
      DWORD n = 0;
      const bool ok = finish_read(io_->waiting_read, n);
      read_pending_ = false;
      if (!ok) {
        read_failed();
        return false;
      }
      if (n == 1) return took(io_->byte, byte);
    }
    // What the driver said it holds (at least one byte) comes at once. A read refused for a
    // line error leaves it for the next wait, which clears the error.
    const DWORD want = static_cast<DWORD>(std::clamp<size_t>(in_queue_, 1, sizeof io_->chunk));
    Operation& op = io_->io;
    op.restart();
    DWORD n = 0;
    bool ok = os_.read_file(port_, io_->chunk, want, &n, &op.ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING) ok = finish_read(op, n);
    if (!ok || n == 0) return false;
    rx_.assign(io_->chunk, io_->chunk + n);
    rx_pos_ = 0;
    in_queue_ -= std::min<size_t>(n, in_queue_);
    return took(rx_[rx_pos_++], byte);
  }

  ModemStatus modem_status() override {
    DWORD bits = 0;
    // Refused while a line error waits to be cleared (abort on errors): cleared, asked again.
    if (!os_.get_comm_modem_status(port_, &bits) && !(answers() && os_.get_comm_modem_status(port_, &bits))) return {};
    return {(bits & MS_CTS_ON) != 0, (bits & MS_DSR_ON) != 0, (bits & MS_RING_ON) != 0, (bits & MS_RLSD_ON) != 0};
  }

  // The driver applies the write time-out (timeout * (size + 1) ms, none when 0). A write
  // refused or cut off for a line error goes on with what it had not written.
  WriteResult write(const uint8_t* data, size_t size) override {
    WriteResult result;
    if (gone_ || size > MAXDWORD) return result;
    DWORD n = 0;
    bool ok = write_chunk(data, static_cast<DWORD>(size), n);
    if (!ok && GetLastError() == ERROR_OPERATION_ABORTED && answers()) {
      const DWORD done = std::min<DWORD>(n, static_cast<DWORD>(size));
      ok = write_chunk(data + done, static_cast<DWORD>(size) - done, n);
      n += done;
    }
    if (!ok) {
      if (!answers()) gone_ = true;
      return result;
    }
    result.ok = true;
    result.written = n;
    return result;
  }

 private:
  // Waits for the pending comm-event wait (started here when none is) or a wake-up. Nullopt
  // when woken, 0 when there is nothing to report yet.
  std::optional<uint32_t> wait_comm_event() {
    Operation& op = io_->comm_wait;
    if (!comm_wait_pending_) {
      op.restart();
      io_->events = 0;
      if (os_.wait_comm_event(port_, &io_->events, &op.ov)) {
        // Completed at once, by events the driver kept from while no wait was pending. With
        // no input queued, EV_RXCHAR alone tells of bytes already read and is dropped; an
        // event character, modem line, break or error among them is still reported.
        wait_failures_ = 0;
        COMSTAT stat{};
        if (!look(stat)) return wait_failed();
        const uint32_t events = io_->events & kLineEvents;
        if (events == 0) return empty_wait();
        empty_waits_ = 0;
        return stat.cbInQue == 0 ? events & ~kEvRxChar : events | kEvRxChar;
      }
      if (GetLastError() != ERROR_IO_PENDING) return wait_failed();
      comm_wait_pending_ = true;
      // Input that came just before the wait began may have raised no event (not every
      // driver keeps one for a wait that was not pending): it is read now, the wait staying.
      COMSTAT stat{};
      if (look(stat) && stat.cbInQue > 0) return kEvRxChar;
    }
    const HANDLE handles[2] = {wake_, op.ov.hEvent};
    const DWORD w = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (w == WAIT_OBJECT_0) return std::nullopt;
    DWORD n = 0;
    const bool ok = os_.get_overlapped_result(port_, &op.ov, &n, TRUE);
    comm_wait_pending_ = false;
    if (!ok) return wait_failed();
    wait_failures_ = 0;
    if ((io_->events & kLineEvents) == 0) return empty_wait();
    empty_waits_ = 0;
    return io_->events & kLineEvents;
  }

  // Waits for the pending one-byte read (started here when none is) or a wake-up.
  std::optional<uint32_t> wait_for_input() {
    Operation& op = io_->waiting_read;
    if (!read_pending_) {
      op.restart();
      read_started_ = os_.tick_count();
      DWORD n = 0;
      if (os_.read_file(port_, &io_->byte, 1, &n, &op.ov)) return input_read(n);
      if (GetLastError() != ERROR_IO_PENDING) return read_failed();
      read_pending_ = true;
    }
    const HANDLE handles[2] = {wake_, op.ov.hEvent};
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) return std::nullopt;
    DWORD n = 0;
    const bool ok = finish_read(op, n);
    read_pending_ = false;
    if (!ok) return read_failed();
    return input_read(n);
  }

  uint32_t input_read(DWORD n) {
    read_failures_ = 0;
    if (n == 1) {
      ahead_ = io_->byte;
      empty_reads_ = 0;
      return kEvRxChar | (is_event_char(io_->byte) ? kEvRxFlag : 0);
    }
    // An empty read that ends well before its time-out (twice the line's, for one byte)
    // could pass is the far end's end of file; a few in a row mean it has gone. One that
    // waited its time-out out is an idle line, however the clock rounds.
    const uint64_t timeout = settings_.timeout_ms;
    const bool early = settings_.timeout_ms == 0 || os_.tick_count() - read_started_ < timeout;
    empty_reads_ = early ? empty_reads_ + 1 : 0;
    if (empty_reads_ >= kEmptyWaitLimit || !answers()) gone_ = true;
    return 0;
  }

  // Waits for a pending read to end. A serial read that ends by its time-out completes with
  // STATUS_TIMEOUT: Windows counts it as done with the bytes it got, but Wine reports it as a
  // failure. Either way the read ended on an idle line; the device has not failed.
  bool finish_read(Operation& op, DWORD& n) {
    if (os_.get_overlapped_result(port_, &op.ov, &n, TRUE)) return true;
    if (op.ov.Internal != STATUS_TIMEOUT) return false;
    n = static_cast<DWORD>(op.ov.InternalHigh);
    return true;
  }

  bool write_chunk(const uint8_t* data, DWORD size, DWORD& n) {
    Operation& op = io_->io;
    op.restart();
    n = 0;
    BOOL ok = os_.write_file(port_, data, size, &n, &op.ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING) ok = os_.get_overlapped_result(port_, &op.ov, &n, TRUE);
    return ok;
  }

  // A wait that failed: gone when the device no longer answers (asking clears a line error
  // that failed it); after several in a row the driver cannot wait for comm events and is
  // waited on by reading from now on.
  uint32_t wait_failed() {
    if (!answers()) {
      gone_ = true;
    } else if (++wait_failures_ >= kFailureLimit) {
      comm_events_ = false;
    }
    return 0;
  }

  uint32_t empty_wait() {
    if (++empty_waits_ >= kEmptyWaitLimit) {
      if (!answers()) {
        gone_ = true;
      } else {
        comm_events_ = false;
      }
    }
    return 0;
  }

  // A read that failed, waiting by reading: gone when the device no longer answers or reads
  // keep failing.
  uint32_t read_failed() {
    if (!answers() || ++read_failures_ >= kFailureLimit) gone_ = true;
    return 0;
  }

  bool took(uint8_t value, uint8_t& byte) {
    // Without comm events the event character is seen here.
    if (!comm_events_ && is_event_char(value)) pending_events_ |= kEvRxFlag;
    byte = value;
    return true;
  }

  size_t buffered() const { return rx_.size() - rx_pos_; }

  bool is_event_char(uint8_t b) const { return settings_.event_char && *settings_.event_char == b; }

  // ClearCommError: the error flags it clears are kept for clear_errors(), the input count
  // for the next read. False when the device no longer answers.
  bool look(COMSTAT& stat) {
    DWORD errors = 0;
    if (!os_.clear_comm_error(port_, &errors, &stat)) return false;
    held_errors_ |= errors;
    in_queue_ = stat.cbInQue;
    return true;
  }

  bool answers() {
    COMSTAT stat{};
    return look(stat);
  }

  template <class Call>
  bool clearing(Call call) {
    return clearing_line_errors(os_, port_, held_errors_, call);
  }

  SerialError settings_refused() {
    const SerialError e = map_serial_error(GetLastError());
    return e == SerialError::Gone ? e : SerialError::Unsupported;
  }

  // Waits (boundedly) for a cancelled operation to complete.
  bool settle(Operation& op, bool pending) {
    return !pending || WaitForSingleObject(op.ov.hEvent, 5000) == WAIT_OBJECT_0;
  }

  CommApi& os_;
  HANDLE port_, claim_, wake_;
  std::unique_ptr<PendingState> io_;
  LineSettings settings_;
  bool comm_events_ = true;  // the driver can wait for comm events
  bool comm_wait_pending_ = false, read_pending_ = false;
  std::optional<uint8_t> ahead_;  // a byte the waiting read brought in, not yet taken
  std::vector<uint8_t> rx_;       // read from the driver, not yet taken
  size_t rx_pos_ = 0;
  size_t in_queue_ = 0;    // input bytes the driver held at the last look
  DWORD held_errors_;      // error flags cleared on the way, not yet told
  uint32_t pending_events_ = 0;
  uint64_t read_started_ = 0;
  int empty_waits_ = 0, empty_reads_ = 0, wait_failures_ = 0, read_failures_ = 0;
  bool gone_ = false, gone_reported_ = false;
};

// Windows drivers refuse a second opener of a COM port, but some virtual-port drivers and
// compatibility layers do not: a named mutex per port, held while it is open, makes every
// second opener of ours fail as Busy all the same.
HANDLE claim_port(const std::wstring& device, SerialError& error) {
  HANDLE claim = CreateMutexW(nullptr, FALSE, port_claim_name(device).c_str());
  if (claim == nullptr) {
    error = SerialError::Io;
  } else if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(claim);
    claim = nullptr;
    error = SerialError::Busy;
  }
  return claim;
}

}  // namespace

std::wstring port_claim_name(const std::wstring& device) {
  std::wstring name = device.substr(device.find_last_of(L"\\/") + 1);
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
  return L"Local\\dtu-setup.serial." + name;
}

std::unique_ptr<SerialDevice> open_serial_device(const std::string& path, SerialError& error) {
  return open_serial_device_on(system_comm_api(), path, error);
}

std::unique_ptr<SerialDevice> open_serial_device_on(CommApi& os, const std::string& path, SerialError& error) {
  error = SerialError::None;
  const std::optional<std::wstring> device = path_to_wide(path);
  HANDLE claim = nullptr, port = INVALID_HANDLE_VALUE, wake = nullptr;
  if (!device || device->empty()) error = SerialError::NotFound;
  if (error == SerialError::None) claim = claim_port(*device, error);
  if (error == SerialError::None) {
    port = os.create_file(device->c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_FLAG_OVERLAPPED);
    if (port == INVALID_HANDLE_VALUE) error = map_serial_error(GetLastError());
  }
  // An error the previous opener's abort-on-errors setting would refuse calls for is cleared
  // at once (a port that is no serial device refuses this too: the probe below says so).
  DWORD cleared = 0;
  if (error == SerialError::None) os.clear_comm_error(port, &cleared, nullptr);
  DCB probe{};
  probe.DCBlength = sizeof probe;
  if (error == SerialError::None && !clearing_line_errors(os, port, cleared, [&] { return os.get_comm_state(port, &probe); }))
    error = SerialError::Unsupported;
  if (error == SerialError::None) {
    wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // auto-reset: one wake ends one wait
    if (wake == nullptr) error = SerialError::Io;
  }
  if (error == SerialError::None) {
    auto opened = std::make_unique<CommDevice>(os, port, claim, wake, cleared);
    if (opened->valid()) return opened;
    error = SerialError::Io;  // the device has closed what it was given
    explain_open_failure(path, error, explain_serial_refusal(path, error));
    return nullptr;
  }
  if (wake) CloseHandle(wake);
  if (port != INVALID_HANDLE_VALUE) os.close_handle(port);
  if (claim) CloseHandle(claim);
  explain_open_failure(path, error, explain_serial_refusal(path, error));
  return nullptr;
}

}  // namespace platform::win32
