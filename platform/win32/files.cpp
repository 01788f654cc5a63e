// Files on Win32 handles: unbuffered, not inherited, with the share modes enforced by Windows
// itself between all openers (of any program).
#include "platform/files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

FileError map_error(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return FileError::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return FileError::Permission;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileError::SharingViolation;
    default:
      return FileError::Io;
  }
}

// Denying nothing includes deleting and renaming: the settings file is saved by swapping a
// new file in while the tool still has the old one open.
DWORD share_flags(FileShare share) {
  switch (share) {
    case FileShare::DenyNone: return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    case FileShare::DenyRead: return FILE_SHARE_WRITE;
    case FileShare::DenyWrite: return FILE_SHARE_READ;
    case FileShare::Exclusive: return 0;
  }
  return 0;
}

DWORD access_flags(FileAccess access) {
  switch (access) {
    case FileAccess::Read: return GENERIC_READ;
    case FileAccess::Write: return GENERIC_WRITE;
    case FileAccess::ReadWrite: return GENERIC_READ | GENERIC_WRITE;
  }
  return GENERIC_READ;
}

class Win32File final : public File {
 public:
  Win32File(HANDLE h, bool readable, bool writable) : h_(h), readable_(readable), writable_(writable) {}
  ~Win32File() override { CloseHandle(h_); }

  bool read(void* buf, size_t n, size_t& got) override {
    got = 0;
    if (!readable_) return false;
    while (got < n) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - got, 1u << 30));
      DWORD r = 0;
      if (!ReadFile(h_, static_cast<char*>(buf) + got, chunk, &r, nullptr)) return false;
      if (r == 0) break;
      got += r;
    }
    return true;
  }

  bool write(const void* buf, size_t n) override {
    if (!writable_) return false;
    size_t done = 0;
    while (done < n) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD w = 0;
      if (!WriteFile(h_, static_cast<const char*>(buf) + done, chunk, &w, nullptr) || w == 0) return false;
      done += w;
    }
    return true;
  }

  bool seek(int64_t pos) override {
    LARGE_INTEGER to;
    to.QuadPart = pos;
    return pos >= 0 && SetFilePointerEx(h_, to, nullptr, FILE_BEGIN);
  }

  int64_t position() const override {
    LARGE_INTEGER zero{}, now{};
    return SetFilePointerEx(h_, zero, &now, FILE_CURRENT) ? now.QuadPart : -1;
  }

  int64_t length() const override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(h_, &size) ? size.QuadPart : -1;
  }

  // Windows sets the end of file at the file pointer; the pointer itself stays where it was.
  bool set_length(int64_t len) override {
    const int64_t here = position();
    if (!writable_ || len < 0 || here < 0 || !seek(len)) return false;
    const bool ok = SetEndOfFile(h_) != 0;
    return seek(here) && ok;
  }

  bool sync() override { return FlushFileBuffers(h_) != 0; }

 private:
  HANDLE h_;
  bool readable_, writable_;
};

}  // namespace

std::unique_ptr<File> open_file(const std::string& path, const FileOpen& how, FileError& error) {
  error = FileError::None;
  if (how.truncate && how.access == FileAccess::Read) {  // emptying a file needs write access
    error = FileError::Permission;
    return nullptr;
  }
  const std::optional<std::wstring> wide = win32::path_to_wide(path);
  if (!wide || wide->empty()) {
    error = FileError::NotFound;
    return nullptr;
  }
  // Truncation waits until the open (and with it the share check) has succeeded.
  HANDLE h = CreateFileW(wide->c_str(), access_flags(how.access), share_flags(how.share), nullptr,
                         how.create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = map_error(GetLastError());
    return nullptr;
  }
  auto fail = [&](FileError why) {
    CloseHandle(h);
    error = why;
    return nullptr;
  };
  if (GetFileType(h) != FILE_TYPE_DISK) return fail(FileError::Io);  // devices and pipes are not data files
  if (how.truncate && !SetEndOfFile(h)) return fail(map_error(GetLastError()));
  const bool readable = how.access != FileAccess::Write;
  const bool writable = how.access != FileAccess::Read;
  return std::make_unique<Win32File>(h, readable, writable);
}

}  // namespace platform

namespace platform {

// Creating (and at once deleting) a file is the only sure test: folder permissions on Windows
// are lists of rules, and a read-only attribute on a folder means nothing.
bool directory_writable(const std::string& dir) {
  const std::optional<std::wstring> wide = win32::path_to_wide(dir.empty() ? "." : dir);
  if (!wide) return false;
  const std::wstring probe = *wide + L"\\~probe." + std::to_wstring(GetCurrentProcessId());
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// The swap needs a sibling in the folder, and Windows refuses to replace a read-only file.
bool file_replaceable(const std::string& path) {
  const std::optional<std::wstring> wide = win32::path_to_wide(path);
  if (!wide || wide->empty()) return false;
  const size_t slash = wide->find_last_of(L"\\/");
  const std::string dir = slash == std::wstring::npos ? "." : win32::path_from_wide(wide->substr(0, slash + (slash == 2 ? 1 : 0)));
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    return false;
  return directory_writable(dir);
}

}  // namespace platform

namespace platform {

// A path on a share (\\server\share\...) or on a drive letter mapped to one.
std::string network_file_system(const std::string& path) {
  const std::optional<std::wstring> wide = win32::path_to_wide(path.empty() ? "." : path);
  if (!wide) return "";
  wchar_t full[MAX_PATH * 2];
  const DWORD n = GetFullPathNameW(wide->c_str(), MAX_PATH * 2, full, nullptr);
  if (n == 0 || n >= MAX_PATH * 2) return "";
  wchar_t volume[MAX_PATH * 2];
  if (!GetVolumePathNameW(full, volume, MAX_PATH * 2)) return "";
  return GetDriveTypeW(volume) == DRIVE_REMOTE ? "remote drive" : "";
}

}  // namespace platform
