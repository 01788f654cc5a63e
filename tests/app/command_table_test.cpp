// Every slot of the command tables the tool's start-up record lists, called the way the
// handlers call them, each showing its own command's behaviour: a swapped or missing row
// in a table fails here.
#include <cstring>
#include <filesystem>

#include "app/runtime_calls.h"
#include "runtime/core_services.h"
#include "tests/app/session.h"
#include "tests/platform/headless_exit.h"

namespace app_test {
namespace {

using app::call;
using app::call_int;
using app::call_text;
using app::int_arg;
using app::none_arg;
using app::text_arg;
using app::unit_arg;
namespace unit = app::unit;

class CommandTable : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    start();
  }
  std::string text_of(app::HeapText t) { return std::string(t.view()); }
};

TEST_F(CommandTable, EveryCoreSlotRunsItsOwnCommand) {
  // Conversions and text.
  EXPECT_EQ(call_int(rt::kToInt, {text_arg("300x")}), 300);
  EXPECT_EQ(call_int(rt::kToByte, {int_arg(300)}), 44);
  EXPECT_EQ(text_of(call_text(rt::kToText, {int_arg(-7)})), "-7");
  EXPECT_EQ(call_int(rt::kTextLength, {text_arg("300x")}), 4);
  EXPECT_EQ(call_int(rt::kFindText, {text_arg("xxab"), text_arg("ab"), none_arg(), none_arg()}), 3);
  EXPECT_EQ(text_of(call_text(rt::kTrimSpaces, {text_arg(" a b ")})), "a b");
  EXPECT_EQ(text_of(call_text(rt::kRemoveSpaces, {text_arg(" a b ")})), "ab");
  {
    app::TextArray parts = app::split("a,b,c", ",", 2);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_STREQ(parts.at(1), "b");
  }
  auto* binary = static_cast<uint8_t*>(call(rt::kToBinary, {text_arg("AB")}).pointer());
  EXPECT_EQ(rt::binary_size(binary), 2u);
  EXPECT_EQ(std::memcmp(rt::binary_bytes(binary), "AB", 2), 0);

  // Dialogue and units.
  backend().clear_message_boxes();
  EXPECT_EQ(call_int(rt::kMessageBox, {text_arg("hello"), int_arg(0), text_arg("caption")}), 0);
  ASSERT_EQ(backend().message_boxes().size(), 1u);
  EXPECT_EQ(backend().message_boxes()[0].text, "hello");
  call(rt::kAppendText, {unit_arg(unit::kMonitor), text_arg("tail")});
  EXPECT_EQ(monitor().substr(monitor().size() - 4), "tail");
  call(rt::kSetFocus, {unit_arg(unit::kDomain)});
  EXPECT_EQ(call_int(rt::kHasFocus, {unit_arg(unit::kDomain)}), 1);
  EXPECT_EQ(call_int(rt::kHasFocus, {unit_arg(unit::kDeviceId)}), 0);

  // The serial port unit's commands, on COM2 where the simulated DTU is.
  app::write_int(unit::kSerialPort, app::prop::kPortNumber, 2);
  EXPECT_EQ(call_int(rt::kOpenPort, {unit_arg(unit::kSerialPort)}), 1);
  EXPECT_TRUE(dtu().is_open());
  EXPECT_EQ(call_int(rt::kSendData, {unit_arg(unit::kSerialPort), app::binary_arg(binary)}), 1);
  EXPECT_EQ(dtu().received(), "AB");
  call(rt::kClosePort, {unit_arg(unit::kSerialPort)});
  EXPECT_FALSE(dtu().is_open());
  rt::helpers().free(binary);

  // Files: write and measure; reopen, cut the first byte at position 0, read back, close.
  write_file("");
  int32_t file = call_int(rt::kOpenFile, {text_arg("data.txt"), int_arg(3), int_arg(1)});
  ASSERT_NE(file, 0);
  EXPECT_EQ(call_int(rt::kWriteToFile, {int_arg(file), text_arg("xyz")}), 1);
  EXPECT_EQ(call_int(rt::kFileLength, {int_arg(file)}), 4);
  call(rt::kCloseFile, {int_arg(file)});
  EXPECT_EQ(call_int(rt::kFileLength, {int_arg(file)}), -1);
  file = call_int(rt::kOpenFile, {text_arg("data.txt"), int_arg(3), int_arg(1)});
  EXPECT_EQ(call_int(rt::kDeleteFileData, {int_arg(file), int_arg(1)}), 1);
  EXPECT_EQ(file_bytes(), std::string("yz", 3));
  char* read = nullptr;
  rt::Value args[2] = {int_arg(file), rt::Value{}};
  args[1].set_pointer(&read, rt::kText);
  EXPECT_EQ(rt::helpers().call_core_command(rt::core_command(rt::kReadFromFile), 2, args).low, 1u);
  EXPECT_STREQ(read, "yz");
  rt::helpers().free(read);
  call(rt::kCloseFile, {int_arg(file)});
}

TEST_F(CommandTable, EverySpecialSlotRunsItsOwnCommand) {
  const uint32_t before = backend().tick_count();
  app::delay(250);
  EXPECT_GE(backend().tick_count() - before, 250u);
  write_file("old");
  EXPECT_EQ(app::call_special(rt::kReplaceFile, {text_arg("data.txt"), text_arg("new")}).low, 1u);
  EXPECT_EQ(file_bytes(), std::string("new", 4));
}

// The call wrapper holds at most eight argument records: a ninth is the runtime error of an
// index beyond an array, not a write past the records.
TEST_F(CommandTable, MoreRecordsThanTheWrapperHoldsIsARuntimeError) {
  const auto t = text_arg("x");
  EXPECT_EQ(headless_test::exit_code_of([&] { call(rt::kAppendText, {unit_arg(unit::kMonitor), t, t, t, t, t, t, t, t}); }),
            -1);
  EXPECT_NE(last_message().find("数组成员引用下标超出定义范围"), std::string::npos);
  started_ = false;  // the program has ended
}

}  // namespace
}  // namespace app_test
