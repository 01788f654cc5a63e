#include "tests/units/comm_driver_model.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace units::test {
namespace {

// How a completed operation's status is kept in its OVERLAPPED: success and the read
// time-out as the system keeps them, every failure as its Win32 error with a mark no system
// status carries (only this model reads it back).
constexpr ULONG_PTR kErrorMark = 0xE0000000;
constexpr DWORD kLineErrors = CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_RXOVER;
constexpr auto kPatience = std::chrono::seconds(5);

// Not on the port at all: the model's handles are small numbers no system handle takes.
HANDLE model_handle(uintptr_t n) { return reinterpret_cast<HANDLE>(0x7E000000 + n * 4); }

}  // namespace

CommDriverModel::CommDriverModel(std::wstring device) : device_(std::move(device)) {
  // What a driver reports on its first open: 9600 8N1, DTR and RTS on, no flow control.
  dcb_.DCBlength = sizeof dcb_;
  dcb_.BaudRate = CBR_9600;
  dcb_.fBinary = 1;
  dcb_.fDtrControl = DTR_CONTROL_ENABLE;
  dcb_.fRtsControl = RTS_CONTROL_ENABLE;
  dcb_.ByteSize = 8;
  dcb_.XonChar = 0x11;
  dcb_.XoffChar = 0x13;
  dcb_.XonLim = dcb_.XoffLim = 512;
}

// ---- the test's side

DCB CommDriverModel::dcb() const {
  std::lock_guard l(mu_);
  return dcb_;
}

void CommDriverModel::set_dcb(const DCB& dcb) {
  std::lock_guard l(mu_);
  dcb_ = dcb;
}

void CommDriverModel::forget_events_without_wait(bool on) {
  std::lock_guard l(mu_);
  forget_ = on;
}

void CommDriverModel::abort_on_errors_always(bool on) {
  std::lock_guard l(mu_);
  always_abort_ = on;
}

void CommDriverModel::fail_comm_waits(DWORD error) {
  std::lock_guard l(mu_);
  wait_error_ = error;
}

void CommDriverModel::hold_writes(bool on) {
  std::lock_guard l(mu_);
  hold_writes_ = on;
  if (on) return;
  for (auto it = pending_.begin(); it != pending_.end();) {
    auto next = std::next(it);
    if (it->second.kind == Kind::Write) {
      tx_ += it->second.data;
      complete(it->first, 0, it->second.size);
    }
    it = next;
  }
  changed();
}

void CommDriverModel::before_next(CommCall call, std::function<void()> action) {
  std::lock_guard l(mu_);
  before_[call] = std::move(action);
}

void CommDriverModel::receive(std::string_view bytes) {
  std::lock_guard l(mu_);
  for (char c : bytes) arrive(static_cast<uint8_t>(c), 0);
  changed();
}

void CommDriverModel::line_error(DWORD ce_flags, int byte) {
  std::lock_guard l(mu_);
  if (!open_ || dead_) return;
  if (byte >= 0) {
    arrive(static_cast<uint8_t>(byte), ce_flags);
  } else {
    errors_ |= ce_flags;
    raise(((ce_flags & kLineErrors) ? EV_ERR : 0) | ((ce_flags & CE_BREAK) ? EV_BREAK : 0));
  }
  // A driver that aborts on errors ends what is pending at once.
  if (aborting()) {
    complete_all(Kind::Read, ERROR_OPERATION_ABORTED);
    complete_all(Kind::Write, ERROR_OPERATION_ABORTED);
  }
  changed();
}

void CommDriverModel::set_modem(DWORD ms_bits) {
  std::lock_guard l(mu_);
  const DWORD change = modem_ ^ ms_bits;
  modem_ = ms_bits;
  raise(((change & MS_CTS_ON) ? EV_CTS : 0) | ((change & MS_DSR_ON) ? EV_DSR : 0) |
        ((change & MS_RLSD_ON) ? EV_RLSD : 0) | ((change & ms_bits & MS_RING_ON) ? EV_RING : 0));
  changed();
}

void CommDriverModel::advance(DWORD ms) {
  std::lock_guard l(mu_);
  now_ += ms;
  for (auto it = pending_.begin(); it != pending_.end();) {
    auto next = std::next(it);
    const Pending& p = it->second;
    const bool total = p.deadline != 0 && p.deadline <= now_;
    const bool interval = p.kind == Kind::Read && p.done > 0 && timeouts_.ReadIntervalTimeout != 0 &&
                          timeouts_.ReadIntervalTimeout != MAXDWORD &&
                          p.last_byte + timeouts_.ReadIntervalTimeout <= now_;
    if (total || interval) complete(it->first, 0, p.done, true);
    it = next;
  }
  changed();
}

void CommDriverModel::unplug(DWORD error) {
  std::lock_guard l(mu_);
  plugged_ = false;
  if (open_) {
    dead_ = true;
    unplug_error_ = error;
    for (auto it = pending_.begin(); it != pending_.end();) {
      auto next = std::next(it);
      complete(it->first, error, it->second.done);
      it = next;
    }
  }
  changed();
}

void CommDriverModel::plug() {
  std::lock_guard l(mu_);
  plugged_ = true;
  changed();
}

bool CommDriverModel::await(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  for (;;) {
    uint64_t seen;
    {
      std::lock_guard l(mu_);
      seen = generation_;
    }
    if (done()) return true;
    std::unique_lock l(mu_);
    if (!cv_.wait_until(l, deadline, [&] { return generation_ != seen; })) return false;
  }
}

bool CommDriverModel::await_parked() {
  return await([this] {
    std::lock_guard l(mu_);
    const bool waiting = std::any_of(pending_.begin(), pending_.end(), [](const auto& p) {
      return p.second.kind == Kind::Wait || (p.second.kind == Kind::Read && p.second.size == 1);
    });
    return waiting && rx_.empty();
  });
}

bool CommDriverModel::wait_pending() const {
  std::lock_guard l(mu_);
  return std::any_of(pending_.begin(), pending_.end(), [](const auto& p) { return p.second.kind == Kind::Wait; });
}

bool CommDriverModel::read_pending() const {
  std::lock_guard l(mu_);
  return std::any_of(pending_.begin(), pending_.end(), [](const auto& p) { return p.second.kind == Kind::Read; });
}

bool CommDriverModel::is_open() const {
  std::lock_guard l(mu_);
  return open_;
}

std::string CommDriverModel::transmitted() const {
  std::lock_guard l(mu_);
  return tx_;
}

std::vector<DWORD> CommDriverModel::read_sizes() const {
  std::lock_guard l(mu_);
  return read_sizes_;
}

std::vector<DWORD> CommDriverModel::purges() const {
  std::lock_guard l(mu_);
  return purges_;
}

int CommDriverModel::calls(CommCall call) const {
  std::lock_guard l(mu_);
  return calls_[static_cast<size_t>(call)];
}

int CommDriverModel::total_calls() const {
  std::lock_guard l(mu_);
  int n = 0;
  for (int c : calls_) n += c;
  return n;
}

DWORD CommDriverModel::mask() const {
  std::lock_guard l(mu_);
  return mask_;
}

// ---- the driver's workings (under the lock)

void CommDriverModel::enter(CommCall call) {
  std::function<void()> action;
  {
    std::lock_guard l(mu_);
    ++calls_[static_cast<size_t>(call)];
    auto it = before_.find(call);
    if (it != before_.end()) {
      action = std::move(it->second);
      before_.erase(it);
    }
    changed();
  }
  if (action) action();
}

DWORD CommDriverModel::refusal(HANDLE port, bool abortable) const {
  if (!open_ || port != handle_) return ERROR_INVALID_HANDLE;
  if (dead_) return unplug_error_;
  if (abortable && aborting()) return ERROR_OPERATION_ABORTED;
  return 0;
}

bool CommDriverModel::aborting() const { return (dcb_.fAbortOnError || always_abort_) && (errors_ & kLineErrors); }

BOOL CommDriverModel::fail(DWORD error) const {
  SetLastError(error);
  return FALSE;
}

void CommDriverModel::arrive(uint8_t byte, DWORD errors) {
  if (!open_ || dead_) return;  // nobody has the port open: the byte is lost
  errors_ |= errors;
  DWORD events = ((errors & kLineErrors) ? EV_ERR : 0) | ((errors & CE_BREAK) ? EV_BREAK : 0);
  if (dcb_.fErrorChar && dcb_.fParity && (errors & CE_RXPARITY)) byte = static_cast<uint8_t>(dcb_.ErrorChar);
  if (!(dcb_.fNull && byte == 0)) {
    rx_.push_back(byte);
    events |= EV_RXCHAR | (byte == static_cast<uint8_t>(dcb_.EvtChar) ? EV_RXFLAG : 0);
  }
  raise(events);
  if (!aborting()) feed_reads();
}

void CommDriverModel::raise(DWORD events) {
  events &= mask_;
  if (events == 0) return;
  for (auto& [ov, p] : pending_) {
    if (p.kind != Kind::Wait) continue;
    *p.events = events;
    complete(ov, 0, 0);
    return;
  }
  if (!forget_) history_ |= events;
}

// Pending reads take the received bytes in turn; a read is done when it has all it asked.
void CommDriverModel::feed_reads() {
  for (auto it = pending_.begin(); it != pending_.end() && !rx_.empty();) {
    auto next = std::next(it);
    Pending& p = it->second;
    if (p.kind == Kind::Read) {
      while (p.done < p.size && !rx_.empty()) {
        p.buffer[p.done++] = rx_.front();
        rx_.pop_front();
        p.last_byte = now_;
      }
      if (p.done == p.size) complete(it->first, 0, p.done);
    }
    it = next;
  }
}

void CommDriverModel::complete(OVERLAPPED* ov, DWORD error, DWORD done, bool timed_out) {
  pending_.erase(ov);
  ov->InternalHigh = done;
  ov->Internal = error ? (kErrorMark | error) : (timed_out ? STATUS_TIMEOUT : 0);
  if (ov->hEvent) SetEvent(ov->hEvent);
}

void CommDriverModel::complete_all(Kind kind, DWORD error) {
  for (auto it = pending_.begin(); it != pending_.end();) {
    auto next = std::next(it);
    if (it->second.kind == kind) complete(it->first, error, it->second.done);
    it = next;
  }
}

void CommDriverModel::changed() {
  ++generation_;
  cv_.notify_all();
}

// ---- CommApi

HANDLE CommDriverModel::create_file(const wchar_t* name, DWORD access, DWORD, DWORD disposition, DWORD flags) {
  enter(CommCall::CreateFile);
  DWORD error = 0;
  {
    std::lock_guard l(mu_);
    if (device_ != name || !plugged_ || disposition != OPEN_EXISTING) {
      error = ERROR_FILE_NOT_FOUND;
    } else if (open_ && !dead_) {
      error = ERROR_ACCESS_DENIED;  // a COM port has one opener; an unplugged one's handle is dead
    } else if (!(flags & FILE_FLAG_OVERLAPPED) || access != (GENERIC_READ | GENERIC_WRITE)) {
      error = ERROR_INVALID_PARAMETER;  // this model does overlapped I/O only
    } else {
      if (open_) orphans_.insert(handle_);
      open_ = true;
      dead_ = false;
      handle_ = model_handle(++opens_);
      errors_ = history_ = mask_ = 0;
      rx_.clear();
      changed();
      return handle_;
    }
  }
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

BOOL CommDriverModel::close_handle(HANDLE port) {
  enter(CommCall::CloseHandle);
  {
    std::lock_guard l(mu_);
    if (open_ && port == handle_) {
      for (auto it = pending_.begin(); it != pending_.end();) {
        auto next = std::next(it);
        complete(it->first, ERROR_OPERATION_ABORTED, it->second.done);
        it = next;
      }
      open_ = dead_ = false;
      handle_ = INVALID_HANDLE_VALUE;
      changed();
      return TRUE;
    }
    if (orphans_.erase(port)) return TRUE;  // an unplugged adapter's, after the port was opened again
  }
  return fail(ERROR_INVALID_HANDLE);
}

// A call on the open port: refused as refusal() says, otherwise `body` (under the lock) says
// 0 for done, ERROR_IO_PENDING for pending, or why it failed.
template <class Body>
BOOL CommDriverModel::on_port(CommCall call, HANDLE port, bool abortable, Body body) {
  enter(call);
  DWORD error;
  {
    std::lock_guard l(mu_);
    error = refusal(port, abortable);
    if (error == 0) error = body();
    changed();
  }
  return error == 0 ? TRUE : fail(error);
}

// Done at once: the status in the OVERLAPPED and its event set, as the system does it.
void CommDriverModel::done_at_once(OVERLAPPED* ov, DWORD done) {
  ov->Internal = 0;
  ov->InternalHigh = done;
  if (ov->hEvent) SetEvent(ov->hEvent);
}

DWORD CommDriverModel::start(OVERLAPPED* ov, Pending p) {
  ov->Internal = STATUS_PENDING;
  pending_[ov] = std::move(p);
  return ERROR_IO_PENDING;
}

BOOL CommDriverModel::read_file(HANDLE port, void* buffer, DWORD size, DWORD* done, OVERLAPPED* ov) {
  if (done) *done = 0;
  return on_port(CommCall::ReadFile, port, true, [&]() -> DWORD {
    if (ov == nullptr) return ERROR_INVALID_PARAMETER;  // this model does overlapped I/O only
    read_sizes_.push_back(size);
    Pending p;
    p.kind = Kind::Read;
    p.buffer = static_cast<uint8_t*>(buffer);
    p.size = size;
    while (p.done < size && !rx_.empty()) {
      p.buffer[p.done++] = rx_.front();
      rx_.pop_front();
    }
    const COMMTIMEOUTS& t = timeouts_;
    const bool at_once =
        t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
    if (p.done == size || at_once) {
      done_at_once(ov, p.done);
      if (done) *done = p.done;
      return 0;
    }
    const ULONGLONG total = ULONGLONG{t.ReadTotalTimeoutMultiplier} * size + t.ReadTotalTimeoutConstant;
    p.deadline = total ? now_ + total : 0;
    p.last_byte = now_;
    return start(ov, std::move(p));
  });
}

BOOL CommDriverModel::write_file(HANDLE port, const void* data, DWORD size, DWORD* done, OVERLAPPED* ov) {
  if (done) *done = 0;
  return on_port(CommCall::WriteFile, port, true, [&]() -> DWORD {
    if (ov == nullptr) return ERROR_INVALID_PARAMETER;
    if (!hold_writes_) {
      tx_.append(static_cast<const char*>(data), size);
      done_at_once(ov, size);
      if (done) *done = size;
      return 0;
    }
    Pending p;
    p.kind = Kind::Write;
    p.size = size;
    p.data.assign(static_cast<const char*>(data), size);
    const ULONGLONG total =
        ULONGLONG{timeouts_.WriteTotalTimeoutMultiplier} * size + timeouts_.WriteTotalTimeoutConstant;
    p.deadline = total ? now_ + total : 0;
    return start(ov, std::move(p));
  });
}

BOOL CommDriverModel::wait_comm_event(HANDLE port, DWORD* events, OVERLAPPED* ov) {
  return on_port(CommCall::WaitCommEvent, port, true, [&]() -> DWORD {
    if (wait_error_) return wait_error_;
    const bool waiting =
        std::any_of(pending_.begin(), pending_.end(), [](const auto& p) { return p.second.kind == Kind::Wait; });
    if (ov == nullptr || waiting || mask_ == 0) return ERROR_INVALID_PARAMETER;
    if (history_ & mask_) {
      *events = std::exchange(history_, 0) & mask_;
      done_at_once(ov, 0);
      return 0;
    }
    Pending p;
    p.kind = Kind::Wait;
    p.events = events;
    return start(ov, std::move(p));
  });
}

BOOL CommDriverModel::get_overlapped_result(HANDLE, OVERLAPPED* ov, DWORD* done, BOOL wait) {
  enter(CommCall::GetOverlappedResult);
  ULONG_PTR status;
  {
    std::lock_guard l(mu_);
    status = ov->Internal;
  }
  if (status == STATUS_PENDING) {
    if (!wait) return fail(ERROR_IO_INCOMPLETE);
    WaitForSingleObject(ov->hEvent, INFINITE);
  }
  {
    std::lock_guard l(mu_);
    status = ov->Internal;
    *done = static_cast<DWORD>(ov->InternalHigh);
  }
  // A read ended by its time-out is a success with the bytes it got, as Windows reports it.
  if (status == 0 || status == STATUS_TIMEOUT) return TRUE;
  return fail(static_cast<DWORD>(status & ~kErrorMark));
}

BOOL CommDriverModel::cancel_io(HANDLE port, OVERLAPPED* ov) {
  enter(CommCall::CancelIo);
  {
    std::lock_guard l(mu_);
    if (!open_ || port != handle_) return fail(ERROR_INVALID_HANDLE);
    bool found = false;
    for (auto it = pending_.begin(); it != pending_.end();) {
      auto next = std::next(it);
      if (ov == nullptr || it->first == ov) {
        complete(it->first, ERROR_OPERATION_ABORTED, it->second.done);
        found = true;
      }
      it = next;
    }
    if (found) {
      changed();
      return TRUE;
    }
  }
  return fail(ERROR_NOT_FOUND);
}

BOOL CommDriverModel::set_comm_mask(HANDLE port, DWORD mask) {
  return on_port(CommCall::SetCommMask, port, true, [&]() -> DWORD {
    // A pending wait ends with no event; what was kept no longer applies.
    for (auto& [ov, p] : pending_) {
      if (p.kind != Kind::Wait) continue;
      *p.events = 0;
      complete(ov, 0, 0);
      break;
    }
    mask_ = mask;
    history_ = 0;
    return 0;
  });
}

// The one call a line error does not refuse: it clears the error.
BOOL CommDriverModel::clear_comm_error(HANDLE port, DWORD* errors, COMSTAT* stat) {
  return on_port(CommCall::ClearCommError, port, false, [&]() -> DWORD {
    if (errors) *errors = std::exchange(errors_, 0);
    if (stat) {
      *stat = COMSTAT{};
      stat->cbInQue = static_cast<DWORD>(rx_.size());
      for (const auto& [ov, p] : pending_)
        if (p.kind == Kind::Write) stat->cbOutQue += p.size;
    }
    return 0;
  });
}

BOOL CommDriverModel::purge_comm(HANDLE port, DWORD flags) {
  return on_port(CommCall::PurgeComm, port, true, [&]() -> DWORD {
    constexpr DWORD kAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
    if (flags == 0 || (flags & ~kAll)) return ERROR_INVALID_PARAMETER;
    purges_.push_back(flags);
    if (flags & PURGE_RXABORT) complete_all(Kind::Read, ERROR_OPERATION_ABORTED);
    if (flags & PURGE_TXABORT) complete_all(Kind::Write, ERROR_OPERATION_ABORTED);
    if (flags & PURGE_RXCLEAR) rx_.clear();
    return 0;
  });
}

BOOL CommDriverModel::get_comm_modem_status(HANDLE port, DWORD* status) {
  return on_port(CommCall::GetCommModemStatus, port, true, [&]() -> DWORD {
    *status = modem_;
    return 0;
  });
}

BOOL CommDriverModel::get_comm_state(HANDLE port, DCB* dcb) {
  return on_port(CommCall::GetCommState, port, true, [&]() -> DWORD {
    *dcb = dcb_;
    return 0;
  });
}

BOOL CommDriverModel::set_comm_state(HANDLE port, DCB* dcb) {
  return on_port(CommCall::SetCommState, port, true, [&]() -> DWORD {
    if (dcb->XonChar == dcb->XoffChar || dcb->ByteSize < 5 || dcb->ByteSize > 8 || dcb->StopBits > TWOSTOPBITS ||
        dcb->Parity > SPACEPARITY || dcb->BaudRate == 0)
      return ERROR_INVALID_PARAMETER;
    dcb_ = *dcb;
    return 0;
  });
}

BOOL CommDriverModel::set_comm_timeouts(HANDLE port, COMMTIMEOUTS* timeouts) {
  return on_port(CommCall::SetCommTimeouts, port, true, [&]() -> DWORD {
    timeouts_ = *timeouts;
    return 0;
  });
}

ULONGLONG CommDriverModel::tick_count() {
  std::lock_guard l(mu_);
  return now_;
}

}  // namespace units::test
