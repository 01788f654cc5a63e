// Probing a COM port on Windows: held by a program of ours (its claim exists), then an open
// without configuring anything, as the tool's own open makes it.
#include <windows.h>

#include "platform/serial_probe.h"
#include "platform/win32/serial_claim.h"
#include "platform/win32/serial_error.h"
#include "platform/win32/wide_text.h"

namespace platform {

SerialProbe probe_serial_device(const std::string& path) {
  SerialProbe probe;
  const std::optional<std::wstring> device = win32::path_to_wide(path);
  if (!device || device->empty()) {
    probe.error = SerialError::NotFound;
    return probe;
  }
  if (HANDLE claim = OpenMutexW(SYNCHRONIZE, FALSE, win32::port_claim_name(*device).c_str())) {
    CloseHandle(claim);
    probe.exists = true;
    probe.error = SerialError::Busy;
    return probe;
  }
  const HANDLE port = CreateFileW(device->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    probe.error = win32::map_serial_error(GetLastError());
    probe.exists = probe.error != SerialError::NotFound;
    return probe;
  }
  probe.exists = true;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) probe.error = SerialError::Unsupported;
  CloseHandle(port);
  return probe;
}

}  // namespace platform
