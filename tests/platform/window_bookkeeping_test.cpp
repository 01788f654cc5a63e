// The bookkeeping every backend shares, on its own: where a window may move, the keyboard
// order, the focus moves as the form sees them and which of the user's it follows, the timers'
// ticks, a typed character, and when native objects may be deleted.
#include "platform/window_bookkeeping.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/platform/headless_recording_sink.h"

using platform::Handle;
using platform::Notify;
using platform::WidgetKind;

namespace {

class Bookkeeping : public ::testing::Test {
 protected:
  Bookkeeping() {
    book.sink = &sink;
    frame = add(WidgetKind::Frame, 0);
    group = add(WidgetKind::GroupBox, frame);
    a = add(WidgetKind::Edit, group);
    b = add(WidgetKind::Edit, group);
    c = add(WidgetKind::Button, frame);
  }
  Handle add(WidgetKind kind, Handle parent) {
    auto w = std::make_unique<platform::WindowRecord>();
    w->kind = kind;
    w->parent = parent;
    w->visible = true;
    return book.windows.add(std::move(w));
  }
  static std::string ev(const char* what, Handle h) { return std::string(what) + " " + std::to_string(h); }

  platform::WindowBookkeeping book;
  headless_test::RecordingSink sink;
  Handle frame = 0, group = 0, a = 0, b = 0, c = 0;
};

// A control moves between containers; nothing goes inside itself or onto the desktop unless
// it is a frame, a frame stays there, and a hidden window stays where it is.
TEST_F(Bookkeeping, WindowsMoveOnlyWhereTheTreeStaysWhole) {
  platform::WindowTree& t = book.windows;
  EXPECT_TRUE(t.may_reparent(a, frame));
  EXPECT_FALSE(t.may_reparent(group, a));      // into its own child
  EXPECT_FALSE(t.may_reparent(group, group));  // into itself
  EXPECT_FALSE(t.may_reparent(a, 0));          // a control onto the desktop
  EXPECT_FALSE(t.may_reparent(a, 0x7777));     // into nothing
  const Handle other = add(WidgetKind::Frame, 0);
  EXPECT_FALSE(t.may_reparent(other, group));
  const Handle hidden = add(WidgetKind::Hidden, 0);
  EXPECT_FALSE(t.may_reparent(hidden, frame));
  t.reparent(a, frame);
  EXPECT_EQ(t.find(group)->children, (std::vector<Handle>{b}));
  EXPECT_EQ(t.find(frame)->children, (std::vector<Handle>{group, c, a}));
  EXPECT_EQ(add(WidgetKind::Edit, 0x7777), 0u);  // a parent that does not exist
}

// The given children first (strangers and repeats ignored), the rest after them as they
// were; a subtree is listed children first in that order, and a forgotten window leaves its
// parent's list while its handle is never given out again.
TEST_F(Bookkeeping, KeyboardOrderAndSubtrees) {
  platform::WindowTree& t = book.windows;
  EXPECT_EQ(t.set_tab_order(frame, {c, a, c, 0x7777}), (std::vector<Handle>{c}));
  EXPECT_EQ(t.find(frame)->children, (std::vector<Handle>{c, group}));
  t.set_tab_order(group, {b, a});
  EXPECT_EQ(t.subtree_children_first(frame), (std::vector<Handle>{c, b, a, group, frame}));
  t.erase(b);
  EXPECT_EQ(t.find(group)->children, (std::vector<Handle>{a}));
  EXPECT_GT(add(WidgetKind::Edit, group), c);
  t.find(group)->enabled = false;
  EXPECT_FALSE(t.reachable(a));
  EXPECT_TRUE(t.reachable(c));
}

// A handler that moves the focus while the old window reports FocusOut wins; a move whose
// window goes away meanwhile ends with nothing focused.
TEST_F(Bookkeeping, FocusMovesReportOutThenInAndHandlersMayOverrule) {
  EXPECT_TRUE(book.move_focus(a));
  EXPECT_TRUE(book.move_focus(b));
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("FocusIn", a), ev("FocusOut", a), ev("FocusIn", b)}));

  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (h == b && what == Notify::FocusOut) {
      EXPECT_TRUE(book.move_focus(b));  // a failed field check keeps the focus in its field
    }
  };
  EXPECT_FALSE(book.move_focus(c));
  EXPECT_EQ(book.focused(), b);

  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (h == b && what == Notify::FocusOut) book.windows.erase(c);
  };
  EXPECT_FALSE(book.move_focus(c));
  EXPECT_EQ(book.focused(), 0u);
  EXPECT_FALSE(book.reporting_focus());
}

// Showing a frame focuses it only when nothing has the focus; after a modal box the frame
// to activate again is the focused window's, else the one shown last.
TEST_F(Bookkeeping, TheFrameToActivateAgain) {
  EXPECT_EQ(book.frame_to_reactivate(), 0u);
  book.frame_shown(frame);
  EXPECT_EQ(book.focused(), frame);
  book.move_focus(a);
  const Handle dialog = add(WidgetKind::Frame, 0);
  book.frame_shown(dialog);
  EXPECT_EQ(book.focused(), a);
  EXPECT_EQ(book.frame_to_reactivate(), frame);
  book.forget_focus_inside(group);
  EXPECT_EQ(book.focused(), 0u);
  EXPECT_EQ(book.frame_to_reactivate(), dialog);
  book.frame_gone(dialog);
  EXPECT_EQ(book.frame_to_reactivate(), 0u);
}

// The user's native focus moves become the form's only when nobody else is moving it: not
// while the backend moves the native focus itself, not while a move is being reported, not
// while a message box is open. A handler that keeps the focus elsewhere asks for the native
// focus to be put back.
TEST_F(Bookkeeping, UserFocusMovesAreFollowedOnlyWhenTheyAreTheUsers) {
  book.move_focus(a);
  sink.log.clear();
  {
    platform::WindowBookkeeping::MutedFocus muted(book);
    EXPECT_FALSE(book.follow_user_focus(b));
  }
  book.message_boxes_open = 1;
  EXPECT_FALSE(book.follow_user_focus(b));
  book.message_boxes_open = 0;
  EXPECT_FALSE(book.follow_user_focus(a));       // where it is already
  EXPECT_FALSE(book.follow_user_focus(0x7777));  // no such window
  EXPECT_TRUE(sink.log.empty());
  EXPECT_FALSE(book.follow_user_focus(b));
  EXPECT_EQ(sink.log, (std::vector<std::string>{ev("FocusOut", a), ev("FocusIn", b)}));

  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (what == Notify::FocusOut && h == b) {
      EXPECT_FALSE(book.follow_user_focus(c));  // the native events of the handler's own move
      book.move_focus(b);
    }
  };
  EXPECT_TRUE(book.follow_user_focus(c));  // the field kept it: the native focus must go back
  EXPECT_EQ(book.focused(), b);
}

// A timer's ticks reach the form while it runs and its window exists; setting it again
// restarts it under a new native timer; a tick of a native timer that was stopped, or of a
// window that is gone, is dropped.
TEST_F(Bookkeeping, TimerTicksReachTheFormOnlyWhileTheTimerRuns) {
  platform::TimerTable& t = book.timers;
  t.set(a, 1, 11);
  t.set(a, 2, 12);
  t.set(b, 1, 13);
  t.set(a, 1, 14);  // set again
  EXPECT_EQ(t.native_of(a, 1), 14u);
  EXPECT_EQ(t.find_native(11), nullptr);
  book.timer_fired(14);
  book.timer_fired(11);
  EXPECT_EQ(sink.log, (std::vector<std::string>{"Timer " + std::to_string(a) + "/1"}));
  EXPECT_EQ(t.remove(a, 1), 14u);
  EXPECT_EQ(t.remove(a, 1), 0u);
  book.timer_fired(14);
  EXPECT_EQ(t.remove_window(a), (std::vector<uintptr_t>{12}));
  book.windows.erase(b);  // the window went, its timer is still listed
  book.timer_fired(13);
  EXPECT_EQ(sink.log.size(), 1u);
  EXPECT_EQ(t.native_of(b, 1), 13u);
}

// Every backend types a character the same way: the box's case conversion first (only to a
// letter GBK holds), then the form's filter sees the converted character by its GBK code;
// control characters pass unoffered; a filter that destroys the box stops the typing.
TEST_F(Bookkeeping, TypedCharactersTakeTheBoxsCaseAndPassTheFormsFilter) {
  book.windows.find(a)->case_conversion = 2;
  std::vector<uint32_t> offered;
  sink.char_filter = [&](Handle, uint32_t ch) {
    offered.push_back(ch);
    return ch != 'X';
  };
  auto typed = [&](Handle h, char32_t ch) {
    const auto t = book.type_char(h, ch);
    return std::to_string(t.taken) + std::to_string(t.gone) + ":" + std::to_string(static_cast<uint32_t>(t.ch));
  };
  EXPECT_EQ(typed(a, U'q'), "10:81");
  EXPECT_EQ(typed(a, U'x'), "00:88");       // refused as 'X'
  EXPECT_EQ(typed(a, 0x3B1), "10:913");     // α as Α
  EXPECT_EQ(typed(a, 0xE0), "10:224");      // à: GBK has no À, so it stays
  EXPECT_EQ(typed(a, U'\b'), "10:8");       // not offered
  EXPECT_EQ(typed(a, 127), "10:127");
  EXPECT_EQ(typed(b, U'q'), "10:113");      // b converts nothing
  EXPECT_EQ(offered, (std::vector<uint32_t>{'Q', 'X', 0xA6A1, 0xA8A4, 'q'}));
  sink.char_filter = [&](Handle, uint32_t) {
    book.windows.erase(b);
    return true;
  };
  EXPECT_EQ(typed(b, U'q'), "01:113");
  EXPECT_EQ(typed(b, U'q'), "01:113");  // gone already
}

// Native objects of destroyed windows wait while a call into the form runs (their own event
// handler may be on the stack) and go at the next turn of the loop; at the backend's end they
// all go.
TEST_F(Bookkeeping, NativeObjectsAreDeletedOnlyWhenNoHandlerRuns) {
  std::vector<std::string> deleted;
  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (what != Notify::Clicked) return;
    book.delete_later([&deleted, h] { deleted.push_back(std::to_string(h)); });
    book.delete_deferred();  // from inside the handler: not yet
  };
  book.notify(c, Notify::Clicked);
  EXPECT_TRUE(deleted.empty());
  book.delete_deferred();
  EXPECT_EQ(deleted, (std::vector<std::string>{std::to_string(c)}));
  book.delete_deferred();
  EXPECT_EQ(deleted.size(), 1u);

  sink.on_notify_hook = [&](Handle h, Notify) {
    book.delete_later([&deleted, h] { deleted.push_back(std::to_string(h)); });
    book.delete_all_deferred();  // the backend ends inside a handler
  };
  book.notify(a, Notify::Clicked);
  EXPECT_EQ(deleted.size(), 2u);
}

TEST(IpAddressText, FourPartsOrNothing) {
  const uint8_t parts[4] = {10, 0, 255, 1};
  EXPECT_EQ(platform::ip_address_text(false, parts), "10.0.255.1");
  EXPECT_EQ(platform::ip_address_text(true, parts), "");
}

}  // namespace
