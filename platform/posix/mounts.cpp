#include "platform/posix/mounts.h"

#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/files.h"

namespace platform::posix {
namespace {

// A mount point as the table writes it: space, tab, new line and backslash as \ooo.
std::string unescaped(std::string_view field) {
  const auto octal = [&](size_t k) { return k < field.size() && field[k] >= '0' && field[k] <= '7'; };
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

bool covers(std::string_view mount_point, std::string_view path) {
  if (mount_point == "/") return true;
  return path.substr(0, mount_point.size()) == mount_point &&
         (path.size() == mount_point.size() || path[mount_point.size()] == '/');
}

// What statfs says where the table cannot be read.
std::string type_of_magic(long magic) {
  constexpr std::array<std::pair<long, const char*>, 9> kMagic = {{{0x6969, "nfs"},
                                                                   {0x517B, "smbfs"},
                                                                   {static_cast<long>(0xFF534D42u), "cifs"},
                                                                   {static_cast<long>(0xFE534D42u), "smb3"},
                                                                   {0x01021997, "9p"},
                                                                   {0x00C36400, "ceph"},
                                                                   {0x5346414F, "afs"},
                                                                   {0x73757245, "coda"},
                                                                   {0x564C, "ncpfs"}}};
  for (const auto& [m, name] : kMagic)
    if (m == magic) return name;
  return "";
}

}  // namespace

std::string mount_type_at(std::string_view mountinfo, std::string_view path) {
  std::string best_point, best_type;
  std::istringstream lines{std::string(mountinfo)};
  std::string line;
  while (std::getline(lines, line)) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::istringstream fields(line);
    std::string id, parent, device, root, point;
    if (!(fields >> id >> parent >> device >> root >> point)) continue;
    const size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream tail(line.substr(dash + 3));
    std::string type;
    if (!(tail >> type)) continue;
    const std::string mount_point = unescaped(point);
    // The longest mount point that holds the path; of equal ones the last mounted.
    if (covers(mount_point, path) && mount_point.size() >= best_point.size()) {
      best_point = mount_point;
      best_type = type;
    }
  }
  return best_type;
}

bool is_network_type(std::string_view type) {
  constexpr std::array<std::string_view, 16> kNetwork = {"nfs",   "nfs4",  "cifs",   "smb3",   "smbfs",  "ncpfs",
                                                         "9p",    "afs",   "ceph",   "glusterfs", "lustre", "gfs2",
                                                         "ocfs2", "coda",  "davfs",  "fuse.sshfs"};
  if (std::find(kNetwork.begin(), kNetwork.end(), type) != kNetwork.end()) return true;
  // Network file systems in user space: the ones that keep files on other machines.
  for (std::string_view fuse : {"fuse.s3fs", "fuse.rclone", "fuse.glusterfs", "fuse.ceph-fuse", "fuse.davfs2"})
    if (type == fuse) return true;
  return false;
}

}  // namespace platform::posix

namespace platform {

std::string network_file_system(const std::string& path) {
  // The file, or the folder a new one would go to, with every link resolved.
  std::string where = path;
  char resolved[PATH_MAX];
  if (!::realpath(where.c_str(), resolved)) {
    const size_t slash = where.find_last_of('/');
    where = slash == std::string::npos ? "." : slash == 0 ? "/" : where.substr(0, slash);
    if (!::realpath(where.c_str(), resolved)) return "";
  }
  std::ifstream table("/proc/self/mountinfo");
  if (table) {
    std::stringstream text;
    text << table.rdbuf();
    const std::string type = posix::mount_type_at(text.str(), resolved);
    return posix::is_network_type(type) ? type : "";
  }
  struct statfs fs {};
  if (::statfs(resolved, &fs) != 0) return "";
  return posix::type_of_magic(static_cast<long>(fs.f_type));
}

}  // namespace platform
