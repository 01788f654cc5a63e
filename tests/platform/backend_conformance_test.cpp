// Behaviour every backend must share, run against the headless and the windowed backend:
// focus order, change reports, combo and IP state, the posted-message queue, timers, the
// quit request, the typing filter with the box's case conversion, and keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"
#include "tests/platform/headless_recording_sink.h"
#include "tests/platform/conformance_driver.h"

using platform::CreateParams;
using platform::Handle;
using platform::Key;
using platform::Notify;
using platform::WidgetKind;

namespace conformance {
namespace {

class HeadlessDriver final : public Driver {
 public:
  platform::Backend& backend() override { return backend_; }
  void press_key(Handle focus, Key key, bool shift) override {
    backend_.set_focus(focus);
    backend_.press_key(key, shift);
  }
  void type_text(Handle window, const std::string& gbk) override { backend_.type_text(window, gbk); }
  void choose_item(Handle combo, int index) override { backend_.choose_item(combo, index); }
  bool caret_in_view(Handle edit) override { return backend_.scrolled_to(edit) == backend_.edit_selection(edit).second; }
  bool run_until(const std::function<bool()>& done, uint32_t budget_ms) override {
    for (uint32_t spent = 0; spent < budget_ms && !done(); spent += 5) backend_.run_for(5);
    return done();
  }

 private:
  platform::headless::HeadlessBackend backend_;
};

using Factory = std::unique_ptr<Driver> (*)();
std::unique_ptr<Driver> make_headless() { return std::make_unique<HeadlessDriver>(); }

class Conformance : public ::testing::TestWithParam<Factory> {
 protected:
  void SetUp() override {
    driver = GetParam()();
    b().set_sink(&sink);
    frame = make(WidgetKind::Frame, 0, {0, 0, 300, 200});
    a = make(WidgetKind::Edit, frame, {10, 10, 100, 20});
    c = make(WidgetKind::Edit, frame, {10, 40, 100, 20});
    b().show_frame(frame);
    driver->run_for(20);
    sink.log.clear();
  }
  void TearDown() override {
    if (b().exists(frame)) b().destroy(frame);
    b().set_sink(nullptr);
  }
  platform::Backend& b() { return driver->backend(); }
  // A visible window, a tab stop; `style` may set the kind's own parameters.
  Handle make(WidgetKind kind, Handle parent, platform::Geometry g = {0, 0, 80, 20}, CreateParams style = {}) {
    style.kind = kind;
    style.parent = parent;
    style.geometry = g;
    style.visible = true;
    style.tab_stop = true;
    return b().create(style);
  }
  // A multi-line box with a vertical scroll bar, as the traffic monitor.
  Handle make_log() {
    CreateParams p;
    p.edit.multi_line = true;
    p.edit.scroll_bars = 2;
    return make(WidgetKind::Edit, frame, {10, 70, 200, 60}, p);
  }
  static std::string ev(const char* what, Handle h) { return std::string(what) + " " + std::to_string(h); }
  std::vector<std::string> focus_events() const { return logged("Focus"); }
  // What the sink logged that starts with `prefix` ("" for all), in order.
  std::vector<std::string> logged(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : sink.log)
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }
  // Everything but the keys, which a driver may deliver as keys on the way.
  std::vector<std::string> notifications() const {
    std::vector<std::string> out;
    for (const auto& line : sink.log)
      if (line.rfind("Key ", 0) != 0) out.push_back(line);
    return out;
  }

  std::unique_ptr<Driver> driver;
  headless_test::RecordingSink sink;
  Handle frame = 0, a = 0, c = 0;
};

TEST_P(Conformance, SetFocusReportsOutThenInOnceAndSynchronously) {
  b().set_focus(a);
  b().set_focus(a);  // no move, no report
  b().set_focus(c);
  // Showing the frame gave it the focus; it loses it first.
  EXPECT_EQ(focus_events(), (std::vector<std::string>{ev("FocusOut", frame), ev("FocusIn", a), ev("FocusOut", a),
                                                      ev("FocusIn", c)}));
  EXPECT_EQ(b().focus(), c);
  driver->run_for(30);  // nothing arrives late
  EXPECT_EQ(focus_events().size(), 4u);
}

TEST_P(Conformance, FocusOutHandlerThatTakesTheFocusBackWins) {
  b().set_focus(a);
  bool checking = false;
  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (h == a && what == Notify::FocusOut && !checking) {
      checking = true;
      b().set_focus(a);  // a failed field check keeps the focus in its field
    }
  };
  sink.log.clear();
  b().set_focus(c);
  EXPECT_EQ(b().focus(), a);
  EXPECT_EQ(focus_events(), (std::vector<std::string>{ev("FocusOut", a), ev("FocusIn", a)}));
  driver->run_for(30);
  EXPECT_EQ(b().focus(), a);
  EXPECT_EQ(focus_events().size(), 2u);
}

TEST_P(Conformance, EditTextWritesReportOneChangeEachComboWritesNone) {
  b().set_text(a, "12");
  b().set_text(a, "12");
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Changed", a), ev("Changed", a)}));
  EXPECT_EQ(b().text(a), "12");
  const Handle combo = make(WidgetKind::ComboBox, frame);
  sink.log.clear();
  b().set_text(combo, "abc");
  EXPECT_TRUE(sink.log.empty());
  EXPECT_EQ(b().text(combo), "abc");
}

TEST_P(Conformance, SelectionOffsetsCountGbkBytes) {
  const std::string text = "\xD6\xD0\xCE\xC4" "ab";  // two Chinese characters, then "ab"
  b().set_text(a, text);
  b().edit_set_selection(a, 2, -1);
  EXPECT_EQ(b().edit_selection(a), (std::pair<int, int>{2, 6}));
  b().edit_replace_selection(a, "X");
  EXPECT_EQ(b().text(a), "\xD6\xD0" "X");
  b().edit_set_selection(a, 99, 99);  // clamped to the end
  EXPECT_EQ(b().edit_selection(a), (std::pair<int, int>{3, 3}));
}

// The traffic monitor's append: at the end whatever the selection, one change each, the
// caret after the text and in view, also once the box has to scroll; the growth it returns
// is what the text reads longer, every kind of line break read back as CR LF.
TEST_P(Conformance, AppendGoesToTheEndWithTheCaretInView) {
  const Handle log = make_log();
  b().set_text(log, "first\r\n");
  b().edit_set_selection(log, 0, 2);
  sink.log.clear();
  EXPECT_EQ(b().edit_append(log, "OK\r\n"), 4u);
  EXPECT_EQ(b().edit_append(log, "\xCA\xFD\xBE\xDD"), 4u);  // two Chinese characters
  EXPECT_EQ(b().text(log), "first\r\nOK\r\n\xCA\xFD\xBE\xDD");
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Changed", log), ev("Changed", log)}));
  EXPECT_EQ(b().edit_selection(log), (std::pair<int, int>{15, 15}));
  EXPECT_EQ(b().edit_append(log, "\ra\nb"), 6u);
  EXPECT_EQ(b().text(log), "first\r\nOK\r\n\xCA\xFD\xBE\xDD\r\na\r\nb");
  for (int i = 0; i < 40; ++i) b().edit_append(log, "line " + std::to_string(i) + "\r\n");
  driver->run_for(20);
  EXPECT_TRUE(driver->caret_in_view(log));
  EXPECT_EQ(b().edit_selection(log).second, static_cast<int>(b().text(log).size()));
}

// What the form runtime bounds a log with: whole lines off the front, or a line's beginning
// up to a character boundary, one change each, and the caret left at the end and in view.
TEST_P(Conformance, DropFrontTakesWholeLinesOrStopsAtACharacterBoundary) {
  const Handle log = make_log();
  for (int i = 10; i < 50; ++i) b().edit_append(log, "line " + std::to_string(i) + "\r\n");  // 9 bytes each
  sink.log.clear();
  EXPECT_EQ(b().edit_drop_front(log, 9 * 36), 9u * 36);
  EXPECT_EQ(b().text(log), "line 46\r\nline 47\r\nline 48\r\nline 49\r\n");
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Changed", log)}));
  driver->run_for(20);
  EXPECT_EQ(b().edit_selection(log), (std::pair<int, int>{36, 36}));
  EXPECT_TRUE(driver->caret_in_view(log));

  std::string chinese;
  for (int i = 0; i < 20; ++i) chinese += "\xCA\xFD";
  b().edit_append(log, "ab" + chinese);
  EXPECT_EQ(b().edit_drop_front(log, 36 + 3), 36u + 4);  // inside the first Chinese character
  EXPECT_EQ(b().text(log), chinese.substr(2));
  EXPECT_EQ(b().edit_drop_front(log, 2), 2u);
  EXPECT_EQ(b().text(log), chinese.substr(4));
  EXPECT_EQ(b().edit_drop_front(log, 1000), 36u);  // no more than there is
  EXPECT_EQ(b().text(log), "");
  driver->run_for(20);
  EXPECT_EQ(b().edit_selection(log), (std::pair<int, int>{0, 0}));
}

// 0x80 (common power-up noise) is the code page's one-byte character U+20AC on every
// backend: it reads back as itself and counts one byte in an append's growth, in offsets and
// in a trim, whatever follows it.
TEST_P(Conformance, TheCodePagesOneByteCharacterCountsOneByteEverywhere) {
  const Handle log = make_log();
  EXPECT_EQ(b().edit_append(log, "\x80\x80OK\r\n"), 6u);
  EXPECT_EQ(b().edit_append(log, "\x80\xD6\xD0"), 3u);  // then 中
  EXPECT_EQ(b().text(log), "\x80\x80OK\r\n\x80\xD6\xD0");
  EXPECT_EQ(b().edit_selection(log), (std::pair<int, int>{9, 9}));
  b().edit_set_selection(log, 1, 3);
  EXPECT_EQ(b().edit_selection(log), (std::pair<int, int>{1, 3}));
  EXPECT_EQ(b().edit_drop_front(log, 1), 1u);
  EXPECT_EQ(b().text(log), "\x80OK\r\n\x80\xD6\xD0");
  EXPECT_EQ(b().edit_drop_front(log, 6), 6u);
  EXPECT_EQ(b().text(log), "\xD6\xD0");
  b().set_text(a, "\x80" "a");
  b().edit_set_selection(a, 1, -1);
  EXPECT_EQ(b().edit_selection(a), (std::pair<int, int>{1, 2}));
}

TEST_P(Conformance, ComboSelectionShowsTheItemAndIsNotClamped) {
  const Handle combo = make(WidgetKind::ComboBox, frame);
  for (const char* item : {"300", "600", "1200"}) b().combo_add_item(combo, item);
  EXPECT_EQ(b().combo_count(combo), 3);
  b().combo_set_current(combo, 2);
  EXPECT_EQ(b().combo_current(combo), 2);
  EXPECT_EQ(b().text(combo), "1200");
  EXPECT_EQ(b().combo_item(combo, 1), "600");
  b().combo_set_current(combo, 99);  // out of range clears: clamping is the caller's job
  EXPECT_EQ(b().combo_current(combo), -1);
  EXPECT_EQ(b().text(combo), "");
  EXPECT_EQ(b().combo_item(combo, 5), "");
}

// The user's side of a combo box as two reports, neither of them a Changed: typing in the
// field is Edited (per character), picking from the list is Chosen. The list's selection is
// the item last chosen or selected by the program (whose selection reports nothing).
TEST_P(Conformance, ComboReportsTypingAsEditedAndAPickFromTheListAsChosen) {
  const Handle combo = make(WidgetKind::ComboBox, frame);
  for (const char* item : {"COM1", "COM2", "COM3"}) b().combo_add_item(combo, item);
  b().combo_set_current(combo, 1);
  b().set_focus(combo);
  sink.log.clear();
  driver->type_text(combo, "COM3");  // over the selected "COM2"
  EXPECT_EQ(b().text(combo), "COM3");
  EXPECT_EQ(notifications(), std::vector<std::string>(4, ev("Edited", combo)));

  sink.log.clear();
  driver->choose_item(combo, 2);
  driver->run_for(20);
  EXPECT_EQ(notifications(), (std::vector<std::string>{ev("Chosen", combo)}));
  EXPECT_EQ(b().combo_current(combo), 2);
  EXPECT_EQ(b().text(combo), "COM3");

  b().combo_set_current(combo, 0);
  driver->run_for(20);
  EXPECT_EQ(notifications().size(), 1u);
  EXPECT_EQ(b().combo_current(combo), 0);
  EXPECT_EQ(b().text(combo), "COM1");
}

// A sorted box keeps its items in GBK byte order, a new one after its equals, and its
// selection stays with the item selected.
TEST_P(Conformance, SortedComboInsertsInByteOrderAndKeepsTheSelectedItem) {
  CreateParams p;
  p.combo.sorted = true;
  const Handle combo = make(WidgetKind::ComboBox, frame, {10, 70, 100, 20}, p);
  for (const char* item : {"COM3", "\xB0\xA1", "COM10", "COM1"}) b().combo_add_item(combo, item);
  b().combo_set_current(combo, 2);  // "COM3"
  b().combo_add_item(combo, "COM10");
  b().combo_add_item(combo, "A");
  std::vector<std::string> items;
  for (int i = 0; i < b().combo_count(combo); ++i) items.push_back(b().combo_item(combo, i));
  EXPECT_EQ(items, (std::vector<std::string>{"A", "COM1", "COM10", "COM10", "COM3", "\xB0\xA1"}));
  EXPECT_EQ(b().combo_current(combo), 4);
  EXPECT_EQ(b().text(combo), "COM3");
}

// A control moves into another container; a move that would put a window inside itself, a
// control onto the desktop or a frame into a window is refused. Seen from what a destroy
// takes along.
TEST_P(Conformance, SetParentMovesControlsAndKeepsTheTreeWhole) {
  const Handle group = make(WidgetKind::GroupBox, frame, {10, 70, 200, 100});
  const Handle inner = make(WidgetKind::GroupBox, group, {5, 15, 150, 60});
  b().set_parent(a, inner);
  b().set_parent(group, inner);  // inside itself
  b().set_parent(c, 0);          // a control onto the desktop
  const Handle other = make(WidgetKind::Frame, 0, {0, 0, 100, 100});
  b().set_parent(other, frame);  // a frame into a window
  sink.log.clear();
  b().destroy(inner);
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Destroyed", a), ev("Destroyed", inner)}));
  EXPECT_TRUE(b().exists(group));
  b().destroy(frame);
  EXPECT_FALSE(b().exists(c));
  EXPECT_TRUE(b().exists(other));
  b().destroy(other);
  driver->run_for(20);
}

TEST_P(Conformance, IpAddressSetClearAndBlank) {
  const Handle ip = make(WidgetKind::IpAddress, frame);
  EXPECT_TRUE(b().ip_blank(ip));
  EXPECT_EQ(b().text(ip), "");
  const uint8_t parts[4] = {10, 0, 255, 1};
  b().ip_set(ip, parts);
  EXPECT_FALSE(b().ip_blank(ip));
  uint8_t got[4] = {};
  b().ip_get(ip, got);
  EXPECT_EQ(std::vector<int>(got, got + 4), (std::vector<int>{10, 0, 255, 1}));
  EXPECT_EQ(b().text(ip), "10.0.255.1");
  b().ip_clear(ip);
  EXPECT_TRUE(b().ip_blank(ip));
  EXPECT_EQ(b().text(ip), "");
}

TEST_P(Conformance, PostedMessagesArriveInOrderAndDieWithTheirWindow) {
  const Handle doomed = make(WidgetKind::Hidden, 0);
  b().post(a, 1);
  b().post(doomed, 2);
  b().post(c, 3);
  b().destroy(doomed);
  EXPECT_TRUE(driver->run_until([&] { return sink.log.size() >= 3; }, 500));
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Destroyed", doomed), "Posted " + std::to_string(a) + "/1",
                                                "Posted " + std::to_string(c) + "/3"}));
}

TEST_P(Conformance, DestroyReportsChildrenFirstOnceAndForgetsTheFocus) {
  const Handle group = make(WidgetKind::GroupBox, frame);
  const Handle inner = make(WidgetKind::Button, group);
  b().set_focus(inner);
  sink.log.clear();
  b().destroy(group);
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("Destroyed", inner), ev("Destroyed", group)}));
  EXPECT_FALSE(b().exists(inner));
  EXPECT_EQ(b().focus(), 0u);
  b().destroy(group);  // a second destroy is harmless and silent
  driver->run_for(20);
  EXPECT_EQ(sink.log.size(), 2u);
}

TEST_P(Conformance, TimersTickUntilKilled) {
  int ticks = 0;
  sink.on_timer_hook = [&](Handle, uint32_t) { ++ticks; };
  b().set_timer(a, 7, 20);
  ASSERT_TRUE(driver->run_until([&] { return ticks >= 3; }, 3000));
  b().kill_timer(a, 7);
  const int at_kill = ticks;
  driver->run_for(150);
  EXPECT_EQ(ticks, at_kill);
  EXPECT_EQ(sink.log.back(), "Timer " + std::to_string(a) + "/7");
}

TEST_P(Conformance, QuitStaysPendingWhileMessagesStillFlow) {
  EXPECT_FALSE(b().quit_requested());
  b().post_quit(3);
  b().post(a, 9);
  driver->run_until([&] { return !sink.log.empty(); }, 500);
  b().process_pending();
  EXPECT_TRUE(b().quit_requested());
  EXPECT_EQ(b().quit_code(), 3);
  EXPECT_EQ(sink.log, (std::vector<std::string>{"Posted " + std::to_string(a) + "/9"}));
}

TEST_P(Conformance, TypingFilterDropsRejectedCharacters) {
  b().set_focus(a);
  sink.char_filter = [](Handle, uint32_t ch) { return ch == '-' || (ch >= '0' && ch <= '9'); };
  driver->type_text(a, "1a.2-");
  EXPECT_EQ(b().text(a), "12-");
  sink.char_filter = nullptr;
  driver->type_text(a, "\xD6\xD0");  // a Chinese character passes an accepting filter
  EXPECT_EQ(b().text(a), "12-\xD6\xD0");
}

// A box that converts case takes each typed letter in the case it asks for, and the form's
// filter is offered the converted letter: ASCII, Greek, Cyrillic and full-width letters alike
// (GBK holds both cases of each). Digits and Chinese characters have no case and go in as
// typed; a letter the filter refuses in its converted form stays out.
TEST_P(Conformance, TypedLettersTakeTheCaseTheBoxAsksFor) {
  CreateParams p;
  p.edit.case_conversion = 2;
  const Handle upper = make(WidgetKind::Edit, frame, {10, 70, 120, 20}, p);
  p.edit.case_conversion = 1;
  const Handle lower = make(WidgetKind::Edit, frame, {10, 100, 120, 20}, p);
  std::vector<uint32_t> offered;
  sink.char_filter = [&](Handle, uint32_t ch) {
    offered.push_back(ch);
    return ch != 'Q';
  };
  b().set_focus(upper);
  driver->type_text(upper, "aq1\xA6\xC1" "b\xA3\xE1");  // a q 1 α b ａ
  EXPECT_EQ(b().text(upper), "A1\xA6\xA1" "B\xA3\xC1");  // A 1 Α B Ａ
  EXPECT_EQ(offered, (std::vector<uint32_t>{'A', 'Q', '1', 0xA6A1, 'B', 0xA3C1}));
  offered.clear();
  b().set_focus(lower);
  driver->type_text(lower, "Ab\xD6\xD0\xA7\xA1\xA7\xA7");  // A b 中 А Ё
  EXPECT_EQ(b().text(lower), "ab\xD6\xD0\xA7\xD1\xA7\xD7");  // a b 中 а ё
  EXPECT_EQ(offered, (std::vector<uint32_t>{'a', 'b', 0xD6D0, 0xA7D1, 0xA7D7}));
  b().set_focus(a);
  driver->type_text(a, "Ab");  // a box without conversion
  EXPECT_EQ(b().text(a), "Ab");
}

TEST_P(Conformance, KeysReachTheFormFirst) {
  b().set_focus(a);
  sink.keys_handled = true;  // the form takes Tab, so the focus stays put
  sink.log.clear();
  driver->press_key(a, Key::Tab, false);
  driver->press_key(a, Key::Escape, false);
  EXPECT_EQ(sink.log, (std::vector<std::string>{"Key 1 " + std::to_string(a), "Key 3 " + std::to_string(a)}));
  EXPECT_EQ(b().focus(), a);
}

TEST_P(Conformance, TickCountMovesForward) {
  const uint32_t start = b().tick_count();
  driver->run_for(30);
  EXPECT_GE(b().tick_count() - start, 20u);
}

INSTANTIATE_TEST_SUITE_P(Backends, Conformance, ::testing::Values(&make_headless, &make_windowed_driver),
                         [](const ::testing::TestParamInfo<Factory>& info) {
                           return info.param == &make_headless ? std::string("Headless") : std::string(kWindowedDriverName);
                         });

}  // namespace
}  // namespace conformance
