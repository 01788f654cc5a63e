// The COM ports Windows lists in its serial-port map, HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: one
// value per port present now, named after the device, holding the port's name. Drivers add
// and remove their values as adapters come and go.
#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "platform/serial_ports.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// "COM23" (any letter case, as some drivers write it) -> 23; 0 for anything else.
int com_number(const std::wstring& name) {
  if (name.size() < 4 || name.size() > 9 || _wcsnicmp(name.c_str(), L"COM", 3) != 0) return 0;
  int n = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (!std::iswdigit(name[i])) return 0;
    n = n * 10 + (name[i] - L'0');
  }
  return n;
}

}  // namespace

std::optional<std::vector<ListedPort>> listed_serial_ports() {
  std::vector<ListedPort> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return ports;  // no serial port at all: Windows makes the map with the first one
  for (DWORD index = 0;; ++index) {
    wchar_t device[256];
    DWORD device_size = 256;
    wchar_t data[64];
    DWORD data_size = sizeof data, type = 0;
    const LONG rc = RegEnumValueW(key, index, device, &device_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                  &data_size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ) continue;  // a value too long for a port's name is none
    std::wstring name(data, data_size / sizeof(wchar_t));
    while (!name.empty() && name.back() == L'\0') name.pop_back();
    const int number = com_number(name);
    if (number <= 0) continue;
    ListedPort port;
    port.number = number;
    port.name = "COM" + std::to_string(number);
    port.device = win32::wide_to_utf8(std::wstring_view(device, device_size)).value_or("");
    ports.push_back(std::move(port));
  }
  RegCloseKey(key);
  std::sort(ports.begin(), ports.end(), [](const ListedPort& a, const ListedPort& b) { return a.number < b.number; });
  return ports;
}

}  // namespace platform
