#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/headless_backend.h"
#include "tests/platform/headless_exit.h"
#include "runtime/library/commands.h"
#include "runtime/runtime_app.h"
#include "tests/library/fake_form_host.h"
#include "tests/library/library_test_support.h"

using namespace lib_test;
using platform::headless::HeadlessBackend;

namespace {

constexpr uint32_t kForm = 0x52010001, kEditA = 0x16010001, kEditB = 0x16010002, kCombo = 0x16010003;

class UnitCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = std::make_unique<HeadlessBackend>();
    backend_->set_exit_throws(true);
    platform::set_backend(backend_.get());
    rt::reset_runtime_for_tests();
    platform::CreateParams frame;
    frame.kind = platform::WidgetKind::Frame;
    frame.visible = true;
    frame_ = backend_->create(frame);
    edit_a_ = child(platform::WidgetKind::Edit, "ab");
    edit_b_ = child(platform::WidgetKind::Edit, "");
    combo_ = child(platform::WidgetKind::ComboBox, "");
    rt::set_form_host(&fake_host());
    fake_host().units = {{{kForm, kEditA}, {edit_a_, nullptr}},
                         {{kForm, kEditB}, {edit_b_, nullptr}},
                         {{kForm, kCombo}, {combo_, nullptr}}};
  }
  void TearDown() override {
    fake_host().units.clear();
    rt::set_form_host(nullptr);
    rt::reset_runtime_for_tests();
    platform::set_backend(nullptr);
  }

  platform::Handle child(platform::WidgetKind kind, const char* content) {
    platform::CreateParams p;
    p.kind = kind;
    p.parent = frame_;
    p.text = content;
    p.visible = true;
    p.tab_stop = true;
    return backend_->create(p);
  }
  static rt::Value unit(uint32_t id) {
    rt::Value v;
    v.set_unit(kForm, id, 0x00010005);
    return v;
  }
  int32_t box(std::vector<rt::Value> args) { return as_int(call(rt::cmd_message_box, std::move(args))); }

  std::unique_ptr<HeadlessBackend> backend_;
  platform::Handle frame_ = 0, edit_a_ = 0, edit_b_ = 0, combo_ = 0;
};

TEST_F(UnitCommands, MessageBoxStyleCaptionAndResult) {
  const std::string caption = gbk("信息提示窗口");
  EXPECT_EQ(box({text("hi"), integer(0), text(caption.c_str())}), 0);  // OK pressed
  ASSERT_EQ(backend_->message_boxes().size(), 1u);
  EXPECT_EQ(backend_->message_boxes()[0].text, "hi");
  EXPECT_EQ(backend_->message_boxes()[0].caption, caption);
  EXPECT_EQ(backend_->message_boxes()[0].style, platform::kMbTaskModal);

  backend_->set_message_box_answer([](const auto&) { return platform::kIdNo; });
  EXPECT_EQ(box({integer(42), integer(platform::kMbYesNo | platform::kMbSystemModal), none()}), 6);
  EXPECT_EQ(backend_->message_boxes()[1].text, "42");
  EXPECT_EQ(backend_->message_boxes()[1].caption, gbk("信息："));
  EXPECT_EQ(backend_->message_boxes()[1].style, platform::kMbYesNo | platform::kMbSystemModal);

  backend_->set_message_box_answer([](const auto&) { return 0; });  // the box could not be shown
  rt::Value bin;
  bin.set_binary(nullptr);
  EXPECT_EQ(box({bin, integer(0), none()}), 0);
  EXPECT_EQ(backend_->message_boxes()[2].text, "");
  EXPECT_EQ(box({text(nullptr), integer(0), none()}), 0);
}

TEST_F(UnitCommands, FocusFollowsSetFocus) {
  EXPECT_EQ(as_int(call(rt::cmd_has_focus, {unit(kEditA)})), 0);  // no window has the focus
  call(rt::cmd_set_focus, {unit(kEditB)});
  EXPECT_EQ(backend_->focus(), edit_b_);
  EXPECT_EQ(as_int(call(rt::cmd_has_focus, {unit(kEditB)})), 1);
  EXPECT_EQ(as_int(call(rt::cmd_has_focus, {unit(kEditA)})), 0);
  call(rt::cmd_set_focus, {unit(kCombo)});
  EXPECT_EQ(as_int(call(rt::cmd_has_focus, {unit(kCombo)})), 1);
}

TEST_F(UnitCommands, AppendTextAddsEachTextAtTheEnd) {
  backend_->edit_set_selection(edit_a_, 0, 1);  // a selection elsewhere is not replaced
  call(rt::cmd_append_text, {unit(kEditA), text("cd"), integer(5), text(nullptr), text("\xD6\xD0")});
  EXPECT_EQ(backend_->text(edit_a_), "abcd\xD6\xD0");
}

TEST_F(UnitCommands, UnknownUnitIsAFatalRuntimeError) {
  EXPECT_EQ(headless_test::exit_code_of([&] { call(rt::cmd_set_focus, {unit(0x16019999)}); }), -1);
  ASSERT_FALSE(backend_->message_boxes().empty());
  EXPECT_EQ(backend_->message_boxes().back().caption, gbk("错误"));
}

}  // namespace
