// UUCP lock files, which serial programs on Linux share to keep off a port another one uses:
// "LCK..<device name>" in the lock folder (/run/lock; the environment variable
// DTU_SETUP_LOCK_DIR names another), holding the owner's process id as ten characters and a
// newline. A lock whose process is gone is stale and is removed. Where the folder may not be
// written the port goes unlocked (the exclusive open still keeps others off it), and the
// locks found there are still honoured.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::posix {

// A process that holds a port; pid 0 when its lock could not be read.
struct LockHolder {
  int64_t pid = 0;
  std::string name;  // the process's command name, when known
};

class PortLock {
 public:
  PortLock() = default;
  PortLock(PortLock&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  PortLock& operator=(PortLock&& other) noexcept;
  PortLock(const PortLock&) = delete;
  PortLock& operator=(const PortLock&) = delete;
  ~PortLock() { release(); }

  // Takes the lock of `device`: true when it is ours now, or cannot be had because the
  // folder refuses it; false when another live process holds it (told in `holder`).
  bool acquire(const std::string& device, LockHolder& holder);
  // Removes the lock file we made, if it is still ours. Harmless when none is held.
  void release();
  bool held() const { return !path_.empty(); }

 private:
  std::string path_;  // the lock file we made; empty when none
};

// The lock file of `device` (symbolic links followed, so every name of a device shares one).
std::string lock_file_of(const std::string& device);

// The live process whose lock holds `device`, if any (this process included).
std::optional<LockHolder> lock_holder(const std::string& device);

// The command name of process `pid`; empty when unknown.
std::string process_name(int64_t pid);

}  // namespace platform::posix
