// Addressing errors are fatal runtime errors: the error box names the fault and the program
// ends with -1, without running another handler.
#include <gtest/gtest.h>

#include "runtime/core_services.h"
#include "tests/forms/form_fixture.h"

namespace forms_test {
namespace {

class FormErrorTest : public FormTest {
 protected:
  // The exit code of `fn`, and that the error box carried `message` (UTF-8).
  void expect_fatal(const std::function<void()>& fn, const std::string& message) {
    EXPECT_EQ(exit_code_of(fn), -1);
    ASSERT_FALSE(backend().message_boxes().empty());
    EXPECT_NE(backend().message_boxes().back().text.find(gbk(message)), std::string::npos);
    EXPECT_EQ(backend().message_boxes().back().caption, gbk("错误"));
  }
};

TEST_F(FormErrorTest, UnknownFormIsNotLoaded) {
  ASSERT_TRUE(load(test_form()));
  expect_fatal([&] { host().read_property(0x52010002, kButton, 0, -1); }, "未载入欲访问窗口组件所在的窗口");
}

TEST_F(FormErrorTest, UnknownUnitDoesNotExist) {
  ASSERT_TRUE(load(test_form()));
  expect_fatal([&] { write_int(0x16019999, kLeft, 1); }, "指定窗口或窗口组件不存在或尚未载入");
}

TEST_F(FormErrorTest, OwnPropertyOfAClosedFormNeedsItsWindow) {
  ASSERT_TRUE(load(test_form()));
  backend().destroy(window(kOwn));
  expect_fatal([&] { read_text(kDigits, kEditContent); }, "指定窗口尚未载入");
}

TEST_F(FormErrorTest, StrictUnitWindowOfAGoneUnit) {
  ASSERT_TRUE(load(test_form()));
  EXPECT_EQ(host().unit_window(kForm, 0x16019999, false).window, 0u);
  backend().destroy(window(kOwn));
  expect_fatal([&] { host().unit_window(kForm, kDigits, true); }, "指定窗口或窗口组件不存在或尚未载入");
}

TEST_F(FormErrorTest, EventOfAnUnknownForm) {
  ASSERT_TRUE(load(test_form()));
  rt::EventRecord rec;
  rec.form_id = 0x52010002;
  expect_fatal([&] { host().raise_event(rec); }, "未找到引发事件的窗口");
}

TEST_F(FormErrorTest, EventOfAnUnknownUnit) {
  ASSERT_TRUE(load(test_form()));
  rt::EventRecord rec;
  rec.form_id = kForm;
  rec.unit_id = 0x16019999;
  expect_fatal([&] { host().raise_event(rec); }, "未找到引发事件的窗口组件");
}

TEST_F(FormErrorTest, ErrorInsideAUnitsHandlerEndsTheProgram) {
  ASSERT_TRUE(load(test_form()));
  set_hook([&](uint32_t unit, int32_t event) {
    if (unit == kDigits && event == 0) write_int(0x16019999, kLeft, 1);
    return 1;
  });
  expect_fatal([&] { write_text(kDigits, kEditContent, "1"); }, "指定窗口或窗口组件不存在或尚未载入");
}

TEST_F(FormErrorTest, NoHandlerRunsOnceTheErrorBoxIsUp) {
  ASSERT_TRUE(load(test_form()));
  backend().set_message_box_answer([&](const platform::headless::MessageBoxRecord&) {
    backend().click(window(kButton));
    return platform::kIdOk;
  });
  log().clear();
  exit_code_of([&] { write_int(0x16019999, kLeft, 1); });
  EXPECT_TRUE(log().empty());
}

}  // namespace
}  // namespace forms_test
