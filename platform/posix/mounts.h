// Which mount holds a path, read from the kernel's table of this process's mounts.
#pragma once

#include <string>
#include <string_view>

namespace platform::posix {

// The file system type of the mount that holds `path` (absolute, without symbolic links),
// given the text of /proc/self/mountinfo; "" when no line covers it.
std::string mount_type_at(std::string_view mountinfo, std::string_view path);

// True for the types whose files are kept by another machine.
bool is_network_type(std::string_view type);

}  // namespace platform::posix
