// All-or-nothing replacement of a file: the new content goes to a sibling file that is
// flushed and then swapped in by ReplaceFileW, which keeps the original's attributes and
// security, the original moved aside under a backup name meanwhile; a target that does not
// exist yet is moved into place with write-through. Another program holding one of the files
// for a moment (a virus scanner, an indexer, a cloud folder's sync) is waited out briefly.
// A swap stopped half-way is finished, or the original put back: the sibling holding the
// new content is removed only while the original is whole under its own name. Should
// neither move, both stay for the next start to settle (platform/replace_leftovers.h).
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/replace_leftovers.h"
#include "platform/win32/file_calls.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace win32 {
namespace {
FileCalls g_file_calls;
}  // namespace

const FileCalls& file_calls() { return g_file_calls; }

FileCalls set_file_calls(const FileCalls& calls) {
  const FileCalls before = g_file_calls;
  g_file_calls = calls;
  return before;
}
}  // namespace win32

namespace {

const win32::FileCalls& os() { return win32::file_calls(); }

// Refusals that another program's brief hold on a file gives; tried again after these pauses
// (about a second in all), then given up.
constexpr DWORD kRetryPauses[] = {10, 20, 40, 80, 150, 250, 400};

bool passing_refusal(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Runs `attempt` until it succeeds or fails for another reason than a passing refusal; the
// last failure's error stays the thread's last error.
template <typename Attempt>
bool with_retries(Attempt attempt) {
  for (size_t i = 0;; ++i) {
    if (attempt()) return true;
    const DWORD error = GetLastError();
    if (!passing_refusal(error) || i == std::size(kRetryPauses)) {
      SetLastError(error);
      return false;
    }
    os().pause(kRetryPauses[i]);
  }
}

bool present(const std::wstring& path) { return os().file_attributes(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The absolute form of a path (relative to the current directory); empty on failure.
// ReplaceFileW is given absolute names: some systems' versions mishandle relative ones.
std::wstring full_path(const std::wstring& path) {
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (n == 0) return {};
    if (n < out.size()) {
      out.resize(n);
      return out;
    }
    out.resize(n);  // n is the size needed, terminator included
  }
}

std::wstring directory_of(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"/\\");
  if (slash == std::wstring::npos) return L".";
  // "C:\name" and "\name": the directory keeps its separator.
  if (slash == 0 || (slash == 2 && path[1] == L':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

// Siblings: this prefix, then the computer's mark, the creating process's id and a counter.
constexpr char kSiblingPrefix[] = "~replace.";

const std::string& computer_mark() {
  static const std::string mark = leftovers::computer_mark(host_name());
  return mark;
}

std::wstring joined(const std::wstring& dir, const std::wstring& name) {
  return dir + (dir.back() == L'\\' || dir.back() == L'/' ? L"" : L"\\") + name;
}

// Names made here are ASCII.
std::wstring ascii_wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

std::wstring sibling_name(const std::wstring& dir) {
  static std::atomic<unsigned> counter{0};
  return joined(dir, ascii_wide(leftovers::make_name(kSiblingPrefix, computer_mark(), GetCurrentProcessId(), counter++)));
}

// A name for the original while it is moved aside: a sibling's, not taken.
std::wstring backup_name(const std::wstring& dir) {
  std::wstring name = sibling_name(dir);
  for (int attempt = 0; attempt < 100 && present(name); ++attempt) name = sibling_name(dir);
  return name;
}

// A short, unused sibling name ("~replace.<process id>.<n>"), created empty and opened for
// writing.
HANDLE create_sibling(const std::wstring& dir, std::wstring& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = sibling_name(dir);
    HANDLE h = os().create_file(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

bool write_all(HANDLE h, const void* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(size - done > (1u << 30) ? (1u << 30) : size - done);
    DWORD written = 0;
    if (!os().write_file(h, static_cast<const char*>(data) + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

// Whether the file may be swapped out now: nobody holds it open without sharing deletion
// (Windows itself would refuse; asking first also spares the folder the leftovers that a
// refused ReplaceFileW leaves under some systems).
bool can_be_replaced(const std::wstring& path) {
  HANDLE h = os().create_file(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// Writes `data` to a fresh sibling of `target` and flushes it; the sibling's name in `temp`.
bool write_sibling(const std::wstring& target, const void* data, size_t size, std::wstring& temp) {
  HANDLE h = create_sibling(directory_of(target), temp);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = write_all(h, data, size) && os().flush_file(h);
  ok = CloseHandle(h) && ok;
  if (!ok) os().delete_file(temp.c_str());
  return ok;
}

bool move_retrying(const std::wstring& from, const std::wstring& to, DWORD flags) {
  return with_retries([&] { return os().move_file(from.c_str(), to.c_str(), flags) != 0; });
}

// After a swap that failed: the original still under its own name (nothing was changed), or
// moved aside (the new file could not take its name), or gone with no backup. Finishes the
// swap where the original is out of its place, else puts it back; true when the new content
// ended up in place.
bool settle_failed_swap(const std::wstring& target, const std::wstring& temp, const std::wstring& backup) {
  if (present(target)) {
    os().delete_file(temp.c_str());
    os().delete_file(backup.c_str());  // where a refused swap made one
    return false;
  }
  if (move_retrying(temp, target, MOVEFILE_WRITE_THROUGH)) {
    os().delete_file(backup.c_str());
    return true;
  }
  if (present(backup) && move_retrying(backup, target, MOVEFILE_WRITE_THROUGH)) os().delete_file(temp.c_str());
  // Otherwise neither could be moved: both stay, the old content and the new, under their
  // siblings' names.
  return false;
}

bool process_alive(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (h == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;  // someone else's: alive
  DWORD code = 0;
  const bool alive = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
  CloseHandle(h);
  return alive;
}

}  // namespace

bool create_file_atomically(const std::string& path, const void* data, size_t size) {
  if (path.empty() || (data == nullptr && size != 0)) return false;
  const std::optional<std::wstring> given = win32::path_to_wide(path);
  if (!given || given->empty()) return false;
  const std::wstring target = full_path(*given);
  if (target.empty() || os().file_attributes(target.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  std::wstring temp;
  if (!write_sibling(target, data, size, temp)) return false;
  // Without MOVEFILE_REPLACE_EXISTING the move refuses a name taken meanwhile.
  const bool ok = move_retrying(temp, target, MOVEFILE_WRITE_THROUGH);
  if (!ok) os().delete_file(temp.c_str());
  return ok;
}

namespace {

int64_t file_time(const FILETIME& t) { return static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime); }

// A folder's leftovers as settling them needs (platform/replace_leftovers.h).
class LeftoverFolder final : public leftovers::Folder {
 public:
  LeftoverFolder(std::wstring dir, std::wstring target) : dir_(std::move(dir)), target_(std::move(target)) {}

  std::vector<Entry> entries() override {
    std::vector<Entry> found;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(joined(dir_, ascii_wide(kSiblingPrefix) + L"*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
      if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
      if (std::optional<std::string> name = win32::wide_to_utf8(data.cFileName))
        found.push_back({*name, file_time(data.ftLastWriteTime)});
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
  }
  bool exists(const std::string& name) override {
    return os().file_attributes(path(name).c_str()) != INVALID_FILE_ATTRIBUTES ||
           (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND);
  }
  std::optional<std::string> content(const std::string& name, size_t limit) override {
    HANDLE h = os().create_file(path(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    LARGE_INTEGER size{};
    std::string out;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart >= 0 && static_cast<uint64_t>(size.QuadPart) <= limit;
    if (ok) {
      out.resize(static_cast<size_t>(size.QuadPart));
      DWORD got = 0;
      ok = out.empty() || (ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) && got == out.size());
    }
    CloseHandle(h);
    return ok ? std::optional<std::string>(std::move(out)) : std::nullopt;
  }
  // Without MOVEFILE_REPLACE_EXISTING the move refuses a name taken meanwhile.
  bool put_back(const std::string& leftover) override {
    return move_retrying(path(leftover), joined(dir_, target_), MOVEFILE_WRITE_THROUGH);
  }
  void remove(const std::string& name) override { os().delete_file(path(name).c_str()); }
  bool running(uint64_t pid) override {
    return pid <= MAXDWORD && (pid == GetCurrentProcessId() || process_alive(static_cast<DWORD>(pid)));
  }

 private:
  std::wstring path(const std::string& name) const { return joined(dir_, win32::utf8_to_wide(name).value_or(L"")); }
  const std::wstring dir_, target_;
};

}  // namespace

bool settle_replacements(const std::string& dir, const std::string& name,
                         const std::function<bool(std::string_view content)>& complete) {
  const std::optional<std::wstring> wide_dir = win32::path_to_wide(dir.empty() ? "." : dir);
  const std::optional<std::wstring> wide_name = win32::path_to_wide(name);
  if (!wide_dir || !wide_name || wide_name->empty()) return true;
  LeftoverFolder folder(*wide_dir, *wide_name);
  return leftovers::settle(folder, kSiblingPrefix, computer_mark(), name, complete);
}

bool replace_file_atomically(const std::string& path, const void* data, size_t size) {
  if (path.empty() || (data == nullptr && size != 0)) return false;
  const std::optional<std::wstring> given = win32::path_to_wide(path);
  if (!given || given->empty()) return false;
  const std::wstring target = full_path(*given);
  if (target.empty()) return false;
  const DWORD attributes = os().file_attributes(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // Never replace a directory or a device.
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) return false;
  if (exists && !with_retries([&] { return can_be_replaced(target); })) return false;

  std::wstring temp;
  if (!write_sibling(target, data, size, temp)) return false;
  if (!exists) {
    const bool ok = move_retrying(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) os().delete_file(temp.c_str());
    return ok;
  }
  const std::wstring backup = backup_name(directory_of(target));
  const bool swapped = with_retries([&] {
    return os().replace_file(target.c_str(), temp.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                             nullptr) != 0;
  });
  if (!swapped) return settle_failed_swap(target, temp, backup);
  // A backup still held open (by this tool itself, say) goes when its last holder closes it.
  os().delete_file(backup.c_str());
  return true;
}

}  // namespace platform
