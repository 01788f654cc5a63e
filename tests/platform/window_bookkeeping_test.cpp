// The bookkeeping every backend shares, on its own: where a window may move, the keyboard
// order, and the focus moves as the form sees them.
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

TEST(IpAddressText, FourPartsOrNothing) {
  const uint8_t parts[4] = {10, 0, 255, 1};
  EXPECT_EQ(platform::ip_address_text(false, parts), "10.0.255.1");
  EXPECT_EQ(platform::ip_address_text(true, parts), "");
}

}  // namespace
