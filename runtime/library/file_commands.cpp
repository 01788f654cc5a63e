// open_file, close_file, file_length, delete_file_data. Every command that takes a file
// number checks it against the open-file registry first and touches no file otherwise.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gbk_codec.h"
#include "runtime/library/command_support.h"
#include "runtime/library/commands.h"
#include "runtime/library/file_table.h"

namespace rt {
namespace {

constexpr size_t kMoveStep = 4096;

// Access by mode 1..6: read; write (must exist); read-write (must exist); create or
// truncate, write; create if missing, write; create if missing, read-write.
platform::FileOpen open_mode(int mode, int share) {
  using platform::FileAccess;
  static constexpr FileAccess kAccess[] = {FileAccess::Read,  FileAccess::Write, FileAccess::ReadWrite,
                                           FileAccess::Write, FileAccess::Write, FileAccess::ReadWrite};
  static constexpr platform::FileShare kShare[] = {platform::FileShare::DenyNone, platform::FileShare::DenyRead,
                                                   platform::FileShare::DenyWrite, platform::FileShare::Exclusive};
  platform::FileOpen how;
  how.access = kAccess[mode - 1];
  how.share = kShare[share - 1];
  how.create = mode >= 4;
  how.truncate = mode == 4;
  return how;
}

// Moves the bytes from `from` to the end of the file down to `to`, one buffer at a time.
bool move_down(platform::File& file, int64_t from, int64_t to, int64_t length) {
  std::vector<char> buffer(kMoveStep);
  while (from < length) {
    size_t want = static_cast<size_t>(std::min<int64_t>(kMoveStep, length - from)), got = 0;
    if (!file.seek(from) || !file.read(buffer.data(), want, got)) return false;
    if (got == 0) break;  // the file shrank under us: nothing more to move
    if (!file.seek(to) || !file.write(buffer.data(), got)) return false;
    from += static_cast<int64_t>(got);
    to += static_cast<int64_t>(got);
  }
  return true;
}

}  // namespace

void cmd_open_file(Value* result, int, Value* args) {
  std::string_view name = cmd::text_arg(args[0]);
  int32_t mode = cmd::int_or(args[1], 3), share = cmd::int_or(args[2], 1);
  cmd::result_int(result, 0);
  if (name.empty() || mode < 1 || mode > 6 || share < 1 || share > 4) return;
  // Names are GBK in the program and UTF-8 on disk; a name that is not valid GBK names
  // no file.
  std::optional<std::string> path = platform::gbk_to_utf8(name);
  if (!path) return;
  platform::FileError error = platform::FileError::None;
  std::unique_ptr<platform::File> file = platform::open_file(*path, open_mode(mode, share), error);
  if (!file) return;
  cmd::result_int(result, files::add(std::move(file)));
}

void cmd_close_file(Value*, int, Value* args) { files::close(cmd::file_number(args[0])); }

void cmd_file_length(Value* result, int, Value* args) {
  platform::File* file = files::find(cmd::file_number(args[0]));
  int64_t length = file ? file->length() : -1;
  cmd::result_int(result, length < 0 || length > INT32_MAX ? -1 : static_cast<int32_t>(length));
}

void cmd_delete_file_data(Value* result, int, Value* args) {
  platform::File* file = files::find(cmd::file_number(args[0]));
  int32_t count = convert::to_int(args[1]);
  if (!file || count <= 0) {
    cmd::result_logical(result, file != nullptr);
    return;
  }
  const int64_t position = file->position(), length = file->length();
  bool ok = length >= 0 && move_down(*file, position + count, position, length) &&
            file->set_length(std::max(length - count, position));
  // The position stays where the deleted data was, on success and failure alike.
  file->seek(position);
  cmd::result_logical(result, ok);
}

}  // namespace rt
