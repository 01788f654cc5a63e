// A model of the Windows serial driver behind the Win32 serial device's CommApi table, so the
// device's real code runs (under Wine) through comm events, line errors and unplugging as a
// technician's PC takes it. It behaves as the standard serial driver documents:
//  - an event that happens while no wait is pending is kept and completes the next
//    WaitCommEvent at once; SetCommMask completes a pending wait with mask 0;
//  - with fAbortOnError, a framing, parity or overrun error completes pending reads and
//    writes as cancelled and fails every call but ClearCommError with
//    ERROR_OPERATION_ABORTED until ClearCommError;
//  - PurgeComm's abort flags complete pending reads or writes as cancelled;
//  - fNull drops received zero bytes, fErrorChar (with fParity) replaces bytes received with
//    a parity error, SetCommState refuses equal XON and XOFF characters, and the control
//    block lives on from one opener to the next;
//  - unplugging completes pending I/O and fails every later call with a chosen error.
// Operations complete as the system completes them: Internal/InternalHigh set, then the
// OVERLAPPED's event, so the worker's own waits on those events work unchanged. Nothing
// happens by itself: the test makes bytes arrive, errors occur and time pass, step by step.
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/comm_api.h"

namespace units::test {

enum class CommCall {
  CreateFile, CloseHandle, ReadFile, WriteFile, WaitCommEvent, GetOverlappedResult, CancelIo, SetCommMask,
  ClearCommError, PurgeComm, GetCommModemStatus, GetCommState, SetCommState, SetCommTimeouts, Count
};

class CommDriverModel final : public platform::win32::CommApi {
 public:
  // One port, named like \\.\COM7.
  explicit CommDriverModel(std::wstring device);

  // ---- the driver, as the test finds it
  // The control block the driver keeps between openers (what the last opener set).
  DCB dcb() const;
  void set_dcb(const DCB& dcb);
  // Quirks of other drivers: events that happen while no wait is pending are forgotten;
  // line errors abort I/O whatever fAbortOnError says; every WaitCommEvent fails with
  // `error` (0: none), as Wine's ports on pseudo-terminals do.
  void forget_events_without_wait(bool on);
  void abort_on_errors_always(bool on);
  void fail_comm_waits(DWORD error);
  // Writes stay pending until time passes (their time-out: nothing sent) or
  // hold_writes(false) (all sent).
  void hold_writes(bool on);
  // Runs `action` on the calling thread the next time `call` is made, just before it is
  // carried out: how a test makes something happen at one exact point of the device's work.
  void before_next(CommCall call, std::function<void()> action);

  // ---- the line and the cable
  void receive(std::string_view bytes);
  // CE_FRAME, CE_RXPARITY, CE_OVERRUN or CE_BREAK, with the byte that came with it, if any.
  void line_error(DWORD ce_flags, int byte = -1);
  // MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON; changes raise their events.
  void set_modem(DWORD ms_bits);
  // Time passes: reads and writes whose time-outs run out complete.
  void advance(DWORD ms);
  void unplug(DWORD error);
  void plug();

  // ---- what the test sees
  // True once the device waits (a comm-event wait or a read pending) with no input left,
  // within 5 s: whatever it made of earlier input is queued by then.
  bool await_parked();
  // True once `done` holds (checked after every call and every step), within 5 s.
  bool await(const std::function<bool()>& done);
  bool wait_pending() const;
  bool read_pending() const;
  bool is_open() const;
  std::string transmitted() const;
  std::vector<DWORD> read_sizes() const;  // every ReadFile's size, in order (refused ones aside)
  std::vector<DWORD> purges() const;      // every PurgeComm's flags, in order
  int calls(CommCall call) const;
  int total_calls() const;
  DWORD mask() const;

  // ---- CommApi
  HANDLE create_file(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flags) override;
  BOOL close_handle(HANDLE port) override;
  BOOL read_file(HANDLE port, void* buffer, DWORD size, DWORD* done, OVERLAPPED* ov) override;
  BOOL write_file(HANDLE port, const void* data, DWORD size, DWORD* done, OVERLAPPED* ov) override;
  BOOL wait_comm_event(HANDLE port, DWORD* events, OVERLAPPED* ov) override;
  BOOL get_overlapped_result(HANDLE port, OVERLAPPED* ov, DWORD* done, BOOL wait) override;
  BOOL cancel_io(HANDLE port, OVERLAPPED* ov) override;
  BOOL set_comm_mask(HANDLE port, DWORD mask) override;
  BOOL clear_comm_error(HANDLE port, DWORD* errors, COMSTAT* stat) override;
  BOOL purge_comm(HANDLE port, DWORD flags) override;
  BOOL get_comm_modem_status(HANDLE port, DWORD* status) override;
  BOOL get_comm_state(HANDLE port, DCB* dcb) override;
  BOOL set_comm_state(HANDLE port, DCB* dcb) override;
  BOOL set_comm_timeouts(HANDLE port, COMMTIMEOUTS* timeouts) override;
  ULONGLONG tick_count() override;

 private:
  enum class Kind { Wait, Read, Write };
  struct Pending {
    Kind kind = Kind::Wait;
    DWORD* events = nullptr;     // Wait
    uint8_t* buffer = nullptr;   // Read
    DWORD size = 0, done = 0;    // Read, Write
    std::string data;            // Write: what it sends once it completes
    ULONGLONG deadline = 0;      // 0: none
    ULONGLONG last_byte = 0;     // Read: when its latest byte came (interval time-out)
  };
  using Lock = std::unique_lock<std::mutex>;

  // Counts the call and runs its before_next action (without the lock).
  void enter(CommCall call);
  // Why a call on `port` is refused (0: it is not): a handle that is not this port's open
  // one, the unplugged adapter's error, or (when `abortable`) a line error waiting to be
  // cleared on a driver that aborts on errors.
  DWORD refusal(HANDLE port, bool abortable) const;
  bool aborting() const;
  template <class Body>
  BOOL on_port(CommCall call, HANDLE port, bool abortable, Body body);
  void done_at_once(OVERLAPPED* ov, DWORD done);
  DWORD start(OVERLAPPED* ov, Pending p);  // ERROR_IO_PENDING
  void arrive(uint8_t byte, DWORD errors);
  void raise(DWORD events);
  void feed_reads();
  void complete(OVERLAPPED* ov, DWORD error, DWORD done, bool timed_out = false);
  void complete_all(Kind kind, DWORD error);
  BOOL fail(DWORD error) const;
  void changed();  // under the lock: a step happened

  const std::wstring device_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  uint64_t generation_ = 0;

  // The driver and the port.
  DCB dcb_{};
  COMMTIMEOUTS timeouts_{};
  bool plugged_ = true, open_ = false, dead_ = false;
  DWORD unplug_error_ = 0;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  uintptr_t opens_ = 0;
  std::set<HANDLE> orphans_;  // handles of an unplugged adapter, still to be closed
  DWORD mask_ = 0, history_ = 0, errors_ = 0, modem_ = 0;
  std::deque<uint8_t> rx_;
  std::string tx_;
  std::map<OVERLAPPED*, Pending> pending_;
  ULONGLONG now_ = 1000;

  // Quirks and the test's hooks.
  bool forget_ = false, always_abort_ = false, hold_writes_ = false;
  DWORD wait_error_ = 0;
  std::map<CommCall, std::function<void()>> before_;

  // What happened.
  std::array<int, static_cast<size_t>(CommCall::Count)> calls_{};
  std::vector<DWORD> read_sizes_, purges_;
};

}  // namespace units::test
