// Where a harness keeps the files it writes for every input: a folder on the memory file
// system when the machine has one, so that millions of rewrites never reach a disk (on a
// disk, rewriting a file flushes it on close and each run costs milliseconds).
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace fuzz_support {

// The process's own fresh folder, named after `name` on first use and removed when the
// process ends normally.
inline const std::string& scratch_dir(const std::string& name) {
  struct Folder {
    std::string path;
    explicit Folder(const std::string& name) {
      std::error_code ec;
      std::filesystem::path base = "/dev/shm";
      if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
      path = (base / (name + "-" + std::to_string(std::random_device()()))).string();
      std::filesystem::create_directories(path, ec);
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder(name);
  return folder.path;
}

}  // namespace fuzz_support
