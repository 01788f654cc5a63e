// Ports put into Windows' serial-port map for a test, as a driver puts one there when its
// adapter is plugged in, and taken out again. Needs the rights to write the map (an
// administrator; under Wine, always).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace platform_test {

class SerialPortMap {
 public:
  SerialPortMap() {
    // The map lives in a part of the registry that is made anew at every start: its keys
    // are volatile, and so must a key made under it be.
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key_, &disposition) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~SerialPortMap() {
    if (!key_) return;
    for (const std::wstring& device : added_) RegDeleteValueW(key_, device.c_str());
    RegCloseKey(key_);
  }
  SerialPortMap(const SerialPortMap&) = delete;
  SerialPortMap& operator=(const SerialPortMap&) = delete;

  bool writable() const { return key_ != nullptr; }
  // A value named after the device, holding the port's name ("COM23").
  bool add(const std::wstring& device, const std::wstring& port) {
    const auto bytes = static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t));
    if (!key_ || RegSetValueExW(key_, device.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()), bytes) !=
                     ERROR_SUCCESS)
      return false;
    added_.push_back(device);
    return true;
  }

 private:
  HKEY key_ = nullptr;
  std::vector<std::wstring> added_;
};

}  // namespace platform_test
