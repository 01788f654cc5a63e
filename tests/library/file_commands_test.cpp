#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/backend.h"
#include "platform/headless/headless_backend.h"
#include "runtime/library/commands.h"
#include "runtime/library/file_table.h"
#include "runtime/runtime_app.h"
#include "tests/library/library_test_support.h"

using namespace lib_test;
namespace fs = std::filesystem;

namespace {

template <typename T>
rt::Value variable(T* address, uint32_t tag) {
  rt::Value v;
  v.set_pointer(address, tag);
  return v;
}

class FileCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::reset_runtime_for_tests();
    dir_ = fs::temp_directory_path() / ("dtu_library_files_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    for (int32_t n : opened_) call(rt::cmd_close_file, {integer(n)});
    fs::remove_all(dir_);
    rt::reset_runtime_for_tests();
  }

  std::string path(const char* name) const { return (dir_ / name).string(); }
  void put(const char* name, const std::string& bytes) const { std::ofstream(path(name), std::ios::binary) << bytes; }
  std::string contents(const char* name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  int32_t open(const char* name, rt::Value mode, rt::Value share = none()) {
    std::string p = path(name);
    int32_t n = as_int(call(rt::cmd_open_file, {text(p.c_str()), mode, share}));
    if (n) opened_.push_back(n);
    return n;
  }
  bool write(int32_t file, std::vector<rt::Value> values) {
    values.insert(values.begin(), integer(file));
    return as_int(call(rt::cmd_write_to_file, values)) == 1;
  }
  bool read(int32_t file, std::vector<rt::Value> variables) {
    variables.insert(variables.begin(), integer(file));
    return as_int(call(rt::cmd_read_from_file, variables)) == 1;
  }
  int32_t length(int32_t file) { return as_int(call(rt::cmd_file_length, {integer(file)})); }
  bool erase(int32_t file, int32_t count) {
    return as_int(call(rt::cmd_delete_file_data, {integer(file), integer(count)})) == 1;
  }

  fs::path dir_;
  std::vector<int32_t> opened_;
};

TEST_F(FileCommands, OpenValidatesBeforeTouchingTheFileSystem) {
  EXPECT_EQ(open("new", integer(7)), 0);
  EXPECT_EQ(open("new", integer(4), integer(0)), 0);
  EXPECT_EQ(open("new", integer(0)), 0);
  EXPECT_EQ(open("new", integer(4), integer(5)), 0);
  EXPECT_FALSE(fs::exists(path("new")));
  EXPECT_EQ(as_int(call(rt::cmd_open_file, {text(""), none(), none()})), 0);
  EXPECT_EQ(open("missing", integer(2)), 0);  // write needs an existing file
  EXPECT_EQ(open("missing", none()), 0);      // so does the default, read-write
  EXPECT_FALSE(fs::exists(path("missing")));
  EXPECT_NE(open("made", integer(5)), 0);
  EXPECT_TRUE(fs::exists(path("made")));
}

TEST_F(FileCommands, ModesKeepOrTruncateContent) {
  put("f", "hello");
  int32_t keep = open("f", integer(6));
  ASSERT_NE(keep, 0);
  EXPECT_EQ(length(keep), 5);
  call(rt::cmd_close_file, {integer(keep)});
  int32_t trunc = open("f", integer(4));
  ASSERT_NE(trunc, 0);
  EXPECT_EQ(length(trunc), 0);
}

TEST_F(FileCommands, UnregisteredNumbersTouchNothing) {
  put("f", "data");
  int32_t closed = open("f", integer(3));
  ASSERT_NE(closed, 0);
  call(rt::cmd_close_file, {integer(closed)});
  for (int32_t bad : {0, closed, closed + 1, -1, 0x12345678}) {
    EXPECT_EQ(length(bad), -1);
    EXPECT_FALSE(write(bad, {text("x")}));
    int32_t n = 99;
    EXPECT_FALSE(read(bad, {variable(&n, rt::kInt)}));
    EXPECT_EQ(n, 99);
    EXPECT_FALSE(erase(bad, 2));
    call(rt::cmd_close_file, {integer(bad)});
  }
  int32_t live = open("f", integer(1));
  const std::string number = std::to_string(live);
  EXPECT_EQ(as_int(call(rt::cmd_file_length, {text(number.c_str())})), -1);  // a text is no file number
  EXPECT_EQ(contents("f"), "data");
}

TEST_F(FileCommands, TextsRoundTripAndLeaveThePositionAfterTheZero) {
  put("f", "");
  int32_t f = open("f", integer(3));
  ASSERT_NE(f, 0);
  std::string long_text(1000, 'x');  // crosses the 512-byte read blocks
  ASSERT_TRUE(write(f, {text("AB"), text(nullptr), text(long_text.c_str()), text("tail")}));
  EXPECT_EQ(contents("f").substr(0, 4), std::string("AB\0\0", 4));
  call(rt::cmd_close_file, {integer(f)});

  f = open("f", integer(3));
  char* a = rt::new_text("old");  // released by the read
  ASSERT_TRUE(read(f, {variable(&a, rt::kText)}));
  EXPECT_STREQ(a, "AB");
  ASSERT_TRUE(write(f, {text("Z")}));  // lands at offset 3, just after the first zero
  EXPECT_EQ(contents("f")[3], 'Z');
  call(rt::cmd_close_file, {integer(f)});

  // "Z" and its zero replaced the empty text's zero and the long text's first byte.
  f = open("f", integer(1));
  char *b = nullptr, *z = nullptr, *c = nullptr, *d = nullptr;
  ASSERT_TRUE(read(f, {variable(&b, rt::kText), variable(&z, rt::kText), variable(&c, rt::kText),
                       variable(&d, rt::kText)}));
  EXPECT_STREQ(b, "AB");
  EXPECT_STREQ(z, "Z");
  EXPECT_EQ(std::string(c), std::string(999, 'x'));
  EXPECT_STREQ(d, "tail");
  for (char* p : {a, b, z, c, d}) rt::free(p);
}

TEST_F(FileCommands, TextAtTheEndOfTheFile) {
  put("f", std::string("one\0two", 7));
  int32_t f = open("f", integer(1));
  char *first = nullptr, *second = nullptr, *third = rt::new_text("old");
  ASSERT_TRUE(read(f, {variable(&first, rt::kText), variable(&second, rt::kText)}));
  EXPECT_STREQ(first, "one");
  EXPECT_STREQ(second, "two");  // no terminator: the bytes up to the end
  // Nothing left: the read fails and the variable is left empty.
  EXPECT_FALSE(read(f, {variable(&third, rt::kText)}));
  EXPECT_EQ(third, nullptr);
  rt::free(first);
  rt::free(second);
}

TEST_F(FileCommands, FailedReadRestoresPositionAndEmptiesOnlyWhatFailed) {
  put("f", std::string("\x05\x00\x00\x00" "ok\0" "\x01\x02", 9));
  int32_t f = open("f", integer(1));
  int32_t n = 0, big = 77;
  char* t = nullptr;
  uint8_t* bin = rt::new_binary("zz", 2);
  // Int, Text succeed; the 8-byte Long runs short and keeps its value.
  int64_t l = 77;
  EXPECT_FALSE(read(f, {variable(&n, rt::kInt), variable(&t, rt::kText), variable(&l, rt::kLong)}));
  EXPECT_EQ(n, 5);
  EXPECT_STREQ(t, "ok");
  EXPECT_EQ(l, 77);
  // The position went back to the start: the Int reads again.
  EXPECT_TRUE(read(f, {variable(&big, rt::kInt)}));
  EXPECT_EQ(big, 5);
  // A binary whose count claims more than the file holds fails without a huge block.
  EXPECT_FALSE(read(f, {variable(&bin, rt::kBinary)}));
  EXPECT_EQ(bin, nullptr);
  // A variable that is not of a basic type fails.
  rt::Value unit;
  unit.set_unit(1, 2, 0x00010005);
  EXPECT_FALSE(read(f, {unit}));
  rt::free(t);
}

TEST_F(FileCommands, BinariesNumbersAndArraysRoundTrip) {
  put("f", "");
  int32_t f = open("f", integer(3));
  uint8_t* bin = rt::new_binary("\x00\x01\x02", 3);
  rt::Value b;
  b.set_binary(bin);
  uint8_t* ints = rt::new_array(3, 4);
  const int32_t values[3] = {1, -2, 300};
  std::memcpy(rt::array_elements(ints), values, 12);
  rt::Value arr;
  arr.set_pointer(ints, rt::kInt | rt::kArrayBit);
  uint8_t* texts = rt::new_array(2, sizeof(char*));
  char* elems[2] = {rt::new_text("p"), nullptr};
  std::memcpy(rt::array_elements(texts), elems, sizeof elems);
  rt::Value tarr;
  tarr.set_pointer(texts, rt::kText | rt::kArrayBit);
  rt::Value empty_bin;
  empty_bin.set_binary(nullptr);
  rt::Value d;
  d.set_double(2.5);
  ASSERT_TRUE(write(f, {b, empty_bin, arr, tarr, d}));
  EXPECT_EQ(contents("f"), std::string("\x03\0\0\0\x00\x01\x02" "\0\0\0\0"
                                       "\x01\0\0\0\xFE\xFF\xFF\xFF\x2C\x01\0\0" "p\0\0"
                                       "\0\0\0\0\0\0\x04\x40", 7 + 4 + 12 + 3 + 8));
  call(rt::cmd_close_file, {integer(f)});

  f = open("f", integer(1));
  uint8_t *rb = nullptr, *re = rt::new_binary("old", 3);
  uint8_t* ra = rt::new_array(3, 4);   // the element count decides how many are read
  uint8_t* rt_ = rt::new_array(2, sizeof(char*));
  double rd = 0;
  ASSERT_TRUE(read(f, {variable(&rb, rt::kBinary), variable(&re, rt::kBinary), variable(&ra, rt::kInt | rt::kArrayBit),
                       variable(&rt_, rt::kText | rt::kArrayBit), variable(&rd, rt::kDouble)}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(rt::binary_bytes(rb)), rt::binary_size(rb)),
            std::string("\x00\x01\x02", 3));
  EXPECT_EQ(re, nullptr);
  EXPECT_EQ(std::memcmp(rt::array_elements(ra), values, 12), 0);
  EXPECT_EQ(rd, 2.5);
  char* got[2];
  std::memcpy(got, rt::array_elements(rt_), sizeof got);
  EXPECT_STREQ(got[0], "p");
  EXPECT_EQ(got[1], nullptr);
  // Reading past the end empties an array variable.
  EXPECT_FALSE(read(f, {variable(&ra, rt::kInt | rt::kArrayBit)}));
  EXPECT_EQ(rt::array_count(ra), 0u);
  EXPECT_EQ(rt::array_dimensions(ra), 1u);

  rt::free(bin);
  rt::free(rb);
  rt::free(ints);
  rt::free(ra);
  rt::free_array(rt::kText, texts);
  rt::free_array(rt::kText, rt_);
}

TEST_F(FileCommands, NonBasicValueStopsTheWrite) {
  put("f", "");
  int32_t f = open("f", integer(3));
  rt::Value unit;
  unit.set_unit(1, 2, 0x00010005);
  EXPECT_FALSE(write(f, {text("A"), unit, text("B")}));
  EXPECT_EQ(contents("f"), std::string("A\0", 2));  // what came before stays
  ASSERT_TRUE(write(f, {text("C")}));                // ... but the position went back
  EXPECT_EQ(contents("f"), std::string("C\0", 2));
  EXPECT_FALSE(write(f, {none()}));
}

TEST_F(FileCommands, DeleteMovesTheRestDownAndShortens) {
  std::string data;
  for (int i = 0; i < 10000; ++i) data += static_cast<char>('a' + i % 26);
  put("f", data);
  int32_t f = open("f", integer(3));
  std::string head(99, 'h');
  ASSERT_TRUE(write(f, {text(head.c_str())}));  // position 100
  ASSERT_TRUE(erase(f, 50));
  std::string want = head + '\0' + data.substr(150);
  EXPECT_EQ(contents("f"), want);
  ASSERT_TRUE(write(f, {text("Q")}));  // the position stayed at 100
  EXPECT_EQ(contents("f").substr(100, 2), std::string("Q\0", 2));
  // A count beyond the end shortens the file to the position.
  ASSERT_TRUE(erase(f, 1 << 30));
  EXPECT_EQ(length(f), 102);
  EXPECT_TRUE(erase(f, 0));
  EXPECT_TRUE(erase(f, -4));
  EXPECT_EQ(length(f), 102);
}

TEST_F(FileCommands, ShareModesAreEnforcedBetweenOpeners) {
  put("f", "x");
  ASSERT_NE(open("f", integer(1), integer(4)), 0);
  EXPECT_EQ(open("f", integer(1), integer(1)), 0);
}

TEST_F(FileCommands, EmptyingTheFileBeforeRewritingIt) {
  // The settings file is emptied with delete_file_data(length) at position 0.
  put("f", "111//222//");
  int32_t f = open("f", integer(2));
  ASSERT_TRUE(erase(f, length(f)));
  ASSERT_TRUE(write(f, {text("9//")}));
  EXPECT_EQ(contents("f"), std::string("9//\0", 4));
}

}  // namespace

namespace {

TEST_F(FileCommands, ShutdownClosesFilesLeftOpen) {
  platform::headless::HeadlessBackend backend;
  platform::set_backend(&backend);
  put("f", "x");
  int32_t f = open("f", integer(1), integer(4));
  ASSERT_NE(f, 0);
  rt::shutdown(0);
  EXPECT_EQ(rt::files::open_count(), 0u);
  EXPECT_EQ(length(f), -1);
  opened_.clear();
  EXPECT_NE(open("f", integer(1), integer(4)), 0);  // the exclusive opener is gone
  platform::set_backend(nullptr);
}

}  // namespace
