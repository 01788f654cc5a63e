// The settings folder's files on the page: a save reaches the page's storage before it
// counts, and one the storage refuses fails with the file left as it was.
#include <emscripten.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/web/storage_folder.h"
#include "tests/platform/scratch_dir.h"

namespace {

// The page's stored copy of a settings file, or "(none)".
EM_ASYNC_JS(char*, web_test_stored, (const char* name), {
  let text = '(none)';
  try {
    const root = await navigator.storage.getDirectory();
    const file = await (await root.getFileHandle(UTF8ToString(name))).getFile();
    text = new TextDecoder('latin1').decode(await file.arrayBuffer());
  } catch (e) {
    // not stored
  }
  const n = lengthBytesUTF8(text) + 1;
  const p = _malloc(n);
  stringToUTF8(text, p, n);
  return p;
});

// The page's storage refuses (a full disk, a private window's quota) until restored.
EM_JS(void, web_test_refuse_storage, (int refuse), {
  const s = Module.dtu.storage;
  if (refuse) {
    s.realStore = s.realStore || s.store;
    s.store = async () => false;
  } else if (s.realStore) {
    s.store = s.realStore;
  }
});

std::string stored(const char* name) {
  char* p = web_test_stored(name);
  std::string s(p);
  free(p);
  return s;
}

class SettingsFolder : public ::testing::Test {
 protected:
  void SetUp() override { mkdir(platform::web::kUserConfigFolder, 0755), mkdir(platform::web::kSettingsFolder, 0755); }
  void TearDown() override {
    web_test_refuse_storage(0);
    unlink(path.c_str());
  }
  const std::string path = std::string(platform::web::kSettingsFolder) + "/web-test.txt";
};

// A file replaced by a save and then removed is gone (the file system underneath once kept
// the replaced one's entry, which came back).
TEST_F(SettingsFolder, AReplacedFileRemovedIsGone) {
  ASSERT_TRUE(platform::create_file_atomically(path, "old", 3));
  ASSERT_TRUE(platform::replace_file_atomically(path, "new", 3));
  ASSERT_EQ(unlink(path.c_str()), 0);
  struct stat st {};
  EXPECT_NE(lstat(path.c_str(), &st), 0);
}

TEST_F(SettingsFolder, SavesReachThePagesStorageAndARefusedOneChangesNothing) {
  EXPECT_TRUE(platform::directory_writable(platform::web::kSettingsFolder));
  EXPECT_FALSE(platform::directory_writable(platform::web::kProgramFolder));
  ASSERT_TRUE(platform::create_file_atomically(path, "first", 5));
  EXPECT_EQ(stored("web-test.txt"), "first");
  ASSERT_TRUE(platform::replace_file_atomically(path, "second", 6));
  EXPECT_EQ(stored("web-test.txt"), "second");
  EXPECT_EQ(platform_test::read_text(path), "second");

  web_test_refuse_storage(1);
  EXPECT_FALSE(platform::replace_file_atomically(path, "third", 5));
  EXPECT_EQ(platform_test::read_text(path), "second");
  EXPECT_EQ(stored("web-test.txt"), "second");
  const std::string other = std::string(platform::web::kSettingsFolder) + "/web-test-new.txt";
  EXPECT_FALSE(platform::create_file_atomically(other, "x", 1));
  struct stat st {};
  EXPECT_NE(stat(other.c_str(), &st), 0);  // not made either
}

TEST_F(SettingsFolder, OnlyTheUsersFolderMayBeSavedInto) {
  EXPECT_TRUE(platform::file_replaceable(path));  // missing: the save makes it
  ASSERT_TRUE(platform::create_file_atomically(path, "x", 1));
  EXPECT_TRUE(platform::file_replaceable(path));
  EXPECT_FALSE(platform::file_replaceable(std::string(platform::web::kProgramFolder) + "/data.txt"));
  EXPECT_TRUE(platform::in_system_program_folder(platform::web::kProgramFolder));
  EXPECT_FALSE(platform::in_system_program_folder(platform::web::kSettingsFolder));
}

TEST_F(SettingsFolder, OnlyFilesDirectlyInTheFolderAreKept) {
  EXPECT_EQ(platform::web::stored_name(path), "web-test.txt");
  EXPECT_EQ(platform::web::stored_name(std::string(platform::web::kSettingsFolder) + "/sub/x.txt"), "");
  EXPECT_EQ(platform::web::stored_name("/storage/dtu-setup-other/x.txt"), "");
  EXPECT_EQ(platform::web::stored_name("/app/data.txt"), "");
}

}  // namespace
