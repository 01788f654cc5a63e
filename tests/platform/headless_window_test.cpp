// The headless window model: focus order and re-entrancy, destruction, typing and keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"
#include "tests/platform/headless_recording_sink.h"

using platform::CreateParams;
using platform::Handle;
using platform::Key;
using platform::Notify;
using platform::WidgetKind;
using platform::headless::HeadlessBackend;

namespace {

class HeadlessWindows : public ::testing::Test {
 protected:
  HeadlessWindows() {
    backend.set_sink(&sink);
    frame = make(WidgetKind::Frame, 0);
    group = make(WidgetKind::GroupBox, frame);
    a = make(WidgetKind::Edit, group);
    b = make(WidgetKind::Edit, group);
    button = make(WidgetKind::Button, frame);
  }
  Handle make(WidgetKind kind, Handle parent, CreateParams p = {}) {
    p.kind = kind;
    p.parent = parent;
    p.visible = true;
    return backend.create(p);
  }
  static std::string ev(const char* what, Handle h) { return std::string(what) + " " + std::to_string(h); }

  HeadlessBackend backend;
  headless_test::RecordingSink sink;
  Handle frame = 0, group = 0, a = 0, b = 0, button = 0;
};

TEST_F(HeadlessWindows, FocusMovesReportOutThenInAndRepeatIsSilent) {
  backend.set_focus(a);
  backend.set_focus(a);
  backend.set_focus(b);
  backend.set_focus(0);
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("FocusIn", a), ev("FocusOut", a), ev("FocusIn", b),
                                                ev("FocusOut", b)}));
  EXPECT_EQ(backend.focus(), 0u);
}

TEST_F(HeadlessWindows, FocusOutHandlerThatReturnsTheFocusWins) {
  backend.set_focus(a);
  // A failing field check: focus to the form, then back into the field.
  bool checking = false;
  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (h != a || what != Notify::FocusOut || checking) return;
    checking = true;
    backend.set_focus(frame);
    if (backend.focus() != a) backend.set_focus(a);
    checking = false;
  };
  sink.log.clear();
  backend.user_focus(b);
  EXPECT_EQ(backend.focus(), a);
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("FocusOut", a), ev("FocusIn", frame), ev("FocusOut", frame),
                                                ev("FocusIn", a)}));
}

TEST_F(HeadlessWindows, DestroyReportsChildrenFirstAndDropsFocusSilently) {
  backend.set_tab_order(group, {b, a});
  EXPECT_EQ(backend.children(group), (std::vector<Handle>{b, a}));
  backend.set_focus(a);
  sink.log.clear();
  backend.destroy(frame);
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Destroyed", b), ev("Destroyed", a), ev("Destroyed", group),
                                                ev("Destroyed", button), ev("Destroyed", frame)}));
  EXPECT_EQ(backend.focus(), 0u);
  EXPECT_FALSE(backend.exists(a));
  backend.set_text(a, "x");  // calls on dead handles are harmless
  backend.destroy(a);
  EXPECT_EQ(sink.log.size(), 5u);
}

TEST_F(HeadlessWindows, ClickNeedsAnEnabledVisibleButtonAndTheFocus) {
  backend.set_enabled(button, false);
  backend.click(button);
  backend.set_enabled(button, true);
  backend.set_visible(frame, false);  // hidden with its frame
  backend.click(button);
  EXPECT_TRUE(sink.log.empty());
  backend.set_visible(frame, true);
  backend.click(button);
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("FocusIn", button), ev("Clicked", button)}));

  // A focus-lost check that keeps the focus in its field swallows the click.
  backend.set_focus(a);
  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (h == a && what == Notify::FocusOut) backend.set_focus(a);
  };
  sink.log.clear();
  backend.click(button);
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("FocusOut", a), ev("FocusIn", a)}));
}

TEST_F(HeadlessWindows, TypingGoesThroughTheFilterPerCharacterPastingDoesNot) {
  std::vector<uint32_t> offered;
  sink.char_filter = [&](Handle, uint32_t ch) {
    offered.push_back(ch);
    return ch >= '0' && ch <= '9';
  };
  backend.type_text(a, "1x2\xD6\xD0");  // "中" is one two-byte character
  EXPECT_EQ(offered, (std::vector<uint32_t>{'1', 'x', '2', 0xD6D0}));
  EXPECT_EQ(backend.text(a), "12");
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Changed", a), ev("Changed", a)}));

  backend.paste(a, "\xD6\xD0z");
  EXPECT_EQ(backend.text(a), "12\xD6\xD0z");
  backend.edit_set_selection(a, 2, 4);
  backend.type_text(a, "\b");  // control characters are not offered; backspace deletes the selection
  EXPECT_EQ(backend.text(a), "12z");
  backend.edit_set_selection(a, 0, -1);
  EXPECT_EQ(backend.edit_selection(a), (std::pair{0, 3}));
  EXPECT_EQ(offered.size(), 4u);
}

TEST_F(HeadlessWindows, BackspaceRemovesAWholeTwoByteCharacter) {
  backend.paste(a, "a\xD6\xD0");
  backend.type_text(a, "\b");
  EXPECT_EQ(backend.text(a), "a");
}

TEST_F(HeadlessWindows, LengthLimitHoldsForTypingAndPasting) {
  CreateParams p;
  p.edit.max_length = 3;
  const Handle limited = make(WidgetKind::Edit, frame, p);
  backend.type_text(limited, "abcd");
  EXPECT_EQ(backend.text(limited), "abc");
  backend.set_text(limited, "a");
  backend.edit_set_selection(limited, 1, 1);
  backend.paste(limited, "\xD6\xD0\xD6\xD0");  // never half a character
  EXPECT_EQ(backend.text(limited), "a\xD6\xD0");
}

TEST_F(HeadlessWindows, EnterBreaksLinesOnlyInUnclaimedMultiLineEdits) {
  CreateParams p;
  p.edit.multi_line = true;
  const Handle monitor = make(WidgetKind::Edit, frame, p);
  backend.set_focus(monitor);
  backend.press_key(Key::Enter);
  EXPECT_EQ(backend.text(monitor), "\r\n");
  sink.keys_handled = true;
  backend.press_key(Key::Enter);
  EXPECT_EQ(backend.text(monitor), "\r\n");
  backend.set_focus(a);
  sink.keys_handled = false;
  backend.press_key(Key::Enter);
  EXPECT_EQ(backend.text(a), "");
}

TEST_F(HeadlessWindows, ComboSelectionShowsTheItemAndSetTextIsSilent) {
  const Handle combo = make(WidgetKind::ComboBox, frame);
  backend.combo_add_item(combo, "9600");
  backend.combo_add_item(combo, "19200");
  backend.combo_set_current(combo, 1);
  EXPECT_EQ(backend.text(combo), "19200");
  backend.combo_set_current(combo, 5);  // out of range: nothing selected, empty field
  EXPECT_EQ(backend.combo_current(combo), -1);
  EXPECT_EQ(backend.text(combo), "");
  backend.set_text(combo, "abc");
  backend.set_text(a, "same");
  backend.set_text(a, "same");  // an edit reports even an unchanged text
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Changed", a), ev("Changed", a)}));
}

TEST_F(HeadlessWindows, IpAddressIsFourPartsOrBlank) {
  const Handle ip = make(WidgetKind::IpAddress, frame);
  EXPECT_TRUE(backend.ip_blank(ip));
  backend.set_text(ip, "10.0.0.255");
  uint8_t parts[4] = {};
  backend.ip_get(ip, parts);
  EXPECT_EQ(parts[3], 255);
  EXPECT_EQ(backend.text(ip), "10.0.0.255");
  for (const char* bad : {"1.2.3.256", "1.2.3", "1.2.3.4x", ""}) {
    backend.set_text(ip, bad);
    EXPECT_TRUE(backend.ip_blank(ip)) << bad;
    EXPECT_EQ(backend.text(ip), "");
  }
}

TEST_F(HeadlessWindows, MessageBoxesAreRecordedAndAnswered) {
  backend.run_for(40);
  EXPECT_EQ(backend.message_box("t", "c", platform::kMbOk), platform::kIdOk);
  backend.set_message_box_answer([](const auto& box) { return box.caption == "q" ? platform::kIdNo : 0; });
  EXPECT_EQ(backend.message_box("t2", "q", platform::kMbYesNo), platform::kIdNo);
  ASSERT_EQ(backend.message_boxes().size(), 2u);
  EXPECT_EQ(backend.message_boxes()[1].style, platform::kMbYesNo);
  EXPECT_EQ(backend.message_boxes()[0].at_ms, 40u);
  backend.set_exit_throws(true);
  try {
    backend.exit_process(-1);
    FAIL();
  } catch (const platform::headless::ProcessExit& e) {
    EXPECT_EQ(e.code, -1);
  }
}

}  // namespace
