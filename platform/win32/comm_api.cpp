#include "platform/win32/comm_api.h"

namespace platform::win32 {
namespace {

class SystemCommApi final : public CommApi {
 public:
  HANDLE create_file(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
    return CreateFileW(name, access, share, nullptr, disposition, flags, nullptr);
  }
  BOOL close_handle(HANDLE port) override { return CloseHandle(port); }
  BOOL read_file(HANDLE port, void* buffer, DWORD size, DWORD* done, OVERLAPPED* ov) override {
    return ReadFile(port, buffer, size, done, ov);
  }
  BOOL write_file(HANDLE port, const void* data, DWORD size, DWORD* done, OVERLAPPED* ov) override {
    return WriteFile(port, data, size, done, ov);
  }
  BOOL wait_comm_event(HANDLE port, DWORD* events, OVERLAPPED* ov) override { return WaitCommEvent(port, events, ov); }
  BOOL get_overlapped_result(HANDLE port, OVERLAPPED* ov, DWORD* done, BOOL wait) override {
    return GetOverlappedResult(port, ov, done, wait);
  }
  BOOL cancel_io(HANDLE port, OVERLAPPED* ov) override { return CancelIoEx(port, ov); }
  BOOL set_comm_mask(HANDLE port, DWORD mask) override { return SetCommMask(port, mask); }
  BOOL clear_comm_error(HANDLE port, DWORD* errors, COMSTAT* stat) override {
    return ClearCommError(port, errors, stat);
  }
  BOOL purge_comm(HANDLE port, DWORD flags) override { return PurgeComm(port, flags); }
  BOOL get_comm_modem_status(HANDLE port, DWORD* status) override { return GetCommModemStatus(port, status); }
  BOOL get_comm_state(HANDLE port, DCB* dcb) override { return GetCommState(port, dcb); }
  BOOL set_comm_state(HANDLE port, DCB* dcb) override { return SetCommState(port, dcb); }
  BOOL set_comm_timeouts(HANDLE port, COMMTIMEOUTS* timeouts) override { return SetCommTimeouts(port, timeouts); }
  ULONGLONG tick_count() override { return GetTickCount64(); }
};

}  // namespace

CommApi& system_comm_api() {
  static SystemCommApi api;
  return api;
}

}  // namespace platform::win32
