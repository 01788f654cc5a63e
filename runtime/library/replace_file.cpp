// replace_file(name, text [, create]): replaces the whole content of an existing file with a
// text and its terminating zero byte, all or nothing. The settings file is saved this way,
// so a write that fails half way (a full disk, a pulled stick) leaves the old settings in
// place instead of an emptied file. A file that does not exist is never created, unless
// `create` is 1: then the file must not exist yet and is made holding the text.
#include <filesystem>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/gbk_codec.h"
#include "runtime/library/command_support.h"
#include "runtime/library/commands.h"

namespace rt {

void cmd_replace_file(Value* result, int arg_count, Value* args) {
  cmd::result_logical(result, false);
  std::string_view name = cmd::text_arg(args[0]);
  if (name.empty()) return;
  std::optional<std::string> path = platform::gbk_to_utf8(name);
  if (!path) return;
  std::string content(cmd::text_arg(args[1]));
  content.push_back('\0');
  const bool create = arg_count > 2 && cmd::int_or(args[2], 0) == 1;
  if (create) {
    cmd::result_logical(result, platform::create_file_atomically(*path, content.data(), content.size()));
    return;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(*path, ec)) return;
  cmd::result_logical(result, platform::replace_file_atomically(*path, content.data(), content.size()));
}

}  // namespace rt
