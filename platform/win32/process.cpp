// Process services on Win32: the executable's path, the current directory, the environment,
// the tick counter and exit. Paths are UTF-8 with '/' separators, as on every system.
#include "platform/process.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/win32/process_services.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::string program_path() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return win32::path_from_wide(std::wstring_view(buf.data(), n));
    buf.resize(buf.size() * 2);  // cut short: try again with more room
  }
}

bool set_current_directory(const std::string& dir) {
  std::optional<std::wstring> wide = win32::path_to_wide(dir);
  if (!wide || wide->empty()) return false;
  // "C:" alone names the drive's current directory, not its root.
  if (wide->size() == 2 && (*wide)[1] == L':') wide->push_back(L'\\');
  return SetCurrentDirectoryW(wide->c_str()) != 0;
}

std::string current_directory() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
    if (n == 0) return {};
    if (n < buf.size()) return win32::path_from_wide(std::wstring_view(buf.data(), n));
    buf.resize(n);  // n is the size needed, terminator included
  }
}

std::string host_name() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return {};
  return win32::wide_to_utf8(std::wstring_view(name, size)).value_or("");
}

long long process_id() { return static_cast<long long>(GetCurrentProcessId()); }

std::optional<std::string> environment(const std::string& name) {
  const std::optional<std::wstring> wide = win32::utf8_to_wide(name);
  if (!wide || wide->empty()) return std::nullopt;
  std::vector<wchar_t> buf(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(wide->c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();  // set, but empty
    }
    if (n < buf.size()) return win32::wide_to_utf8(std::wstring_view(buf.data(), n));
    buf.resize(n);  // n is the size needed, terminator included
  }
}

// COM n is the device of that name in the device namespace; "COM10" and above are reachable
// only that way.
std::string serial_device_path(int port_number) { return "\\\\.\\COM" + std::to_string(port_number); }

// Inside the folders Windows installs programs into for every user: 64-bit, 32-bit and, seen
// from a 32-bit program, the 64-bit one. Compared without regard to letter case.
bool in_system_program_folder(const std::string& dir) {
  auto with_separator = [](std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path + L"\\";
  };
  const std::optional<std::wstring> wide = win32::path_to_wide(dir);
  if (!wide || wide->empty()) return false;
  const std::wstring inside = with_separator(*wide);
  for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
    const std::optional<std::string> folder = environment(variable);
    const std::optional<std::wstring> wide_folder = folder ? win32::path_to_wide(*folder) : std::nullopt;
    if (!wide_folder || wide_folder->empty()) continue;
    const std::wstring prefix = with_separator(*wide_folder);
    if (prefix.size() <= inside.size() &&
        CompareStringOrdinal(inside.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                             static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL)
      return true;
  }
  return false;
}

// The roaming application-data folder, where Windows programs keep their users' settings.
std::string user_config_directory() {
  const std::optional<std::string> appdata = environment("APPDATA");
  return appdata ? *appdata : std::string();
}

namespace win32 {

uint32_t tick_count() { return GetTickCount(); }

void exit_process(int code) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace win32
}  // namespace platform
