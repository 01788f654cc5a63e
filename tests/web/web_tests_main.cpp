// The test program's entry: the page passes GoogleTest's arguments and learns the result.
#include <emscripten.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/web/storage_folder.h"

EM_JS(void, web_tests_done, (int failed), { Module.testsDone(failed); });

int main(int argc, char** argv) {
  // Scratch folders where the page may write: inside the user's folder, not kept.
  const std::string scratch = std::string(platform::web::kUserConfigFolder) + "/tmp";
  mkdir(platform::web::kUserConfigFolder, 0755);
  mkdir(scratch.c_str(), 0755);
  setenv("TMPDIR", scratch.c_str(), 1);
  testing::InitGoogleTest(&argc, argv);
  const int failed = RUN_ALL_TESTS();
  web_tests_done(failed);
  return failed;
}
