// Where a harness keeps the files it writes for every input: a folder on the memory file
// system when the machine has one, so that millions of rewrites never reach a disk (on a
// disk, rewriting a file flushes it on close and each run costs milliseconds).
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace fuzz_support {

// A fresh folder named after `name`, created on first use.
inline std::string scratch_dir(const std::string& name) {
  std::error_code ec;
  std::filesystem::path base = "/dev/shm";
  if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
  std::filesystem::path dir = base / (name + "-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(dir, ec);
  return dir.string();
}

}  // namespace fuzz_support
