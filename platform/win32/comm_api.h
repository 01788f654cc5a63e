// The Win32 calls the serial device makes on a COM port, behind one table: Windows' own in
// the programs, a model of the serial driver in tests (which is how the comm-event path, the
// line errors and unplugging are exercised where no real COM port is at hand). Each call
// keeps its Win32 meaning: the same arguments, results and GetLastError().
#pragma once

#include <windows.h>

namespace platform::win32 {

class CommApi {
 public:
  virtual ~CommApi() = default;
  // CreateFileW without security attributes or template.
  virtual HANDLE create_file(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flags) = 0;
  virtual BOOL close_handle(HANDLE port) = 0;
  virtual BOOL read_file(HANDLE port, void* buffer, DWORD size, DWORD* done, OVERLAPPED* ov) = 0;
  virtual BOOL write_file(HANDLE port, const void* data, DWORD size, DWORD* done, OVERLAPPED* ov) = 0;
  virtual BOOL wait_comm_event(HANDLE port, DWORD* events, OVERLAPPED* ov) = 0;
  virtual BOOL get_overlapped_result(HANDLE port, OVERLAPPED* ov, DWORD* done, BOOL wait) = 0;
  // CancelIoEx: `ov` null cancels every operation of this process on the port.
  virtual BOOL cancel_io(HANDLE port, OVERLAPPED* ov) = 0;
  virtual BOOL set_comm_mask(HANDLE port, DWORD mask) = 0;
  virtual BOOL clear_comm_error(HANDLE port, DWORD* errors, COMSTAT* stat) = 0;
  virtual BOOL purge_comm(HANDLE port, DWORD flags) = 0;
  virtual BOOL get_comm_modem_status(HANDLE port, DWORD* status) = 0;
  virtual BOOL get_comm_state(HANDLE port, DCB* dcb) = 0;
  virtual BOOL set_comm_state(HANDLE port, DCB* dcb) = 0;
  virtual BOOL set_comm_timeouts(HANDLE port, COMMTIMEOUTS* timeouts) = 0;
  // GetTickCount64: the clock against which the driver's time-outs run.
  virtual ULONGLONG tick_count() = 0;
};

// Forwards every call to Windows.
CommApi& system_comm_api();

}  // namespace platform::win32
