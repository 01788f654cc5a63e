// The handles a backend gives out and the tree they form, kept the same way by every
// backend: one record per window (what else stands behind a handle differs: a widget, a
// native window, a model), its parent and its children in keyboard order, and the rules for
// moving a window to another parent.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/window_types.h"

namespace platform {

// What every backend keeps about a window; a backend's own record derives from it.
struct WindowRecord {
  virtual ~WindowRecord() = default;

  // The fields below as the creation parameters give them.
  void take(const CreateParams& params);
  bool has_edit_field() const {
    return kind == WidgetKind::Edit || (kind == WidgetKind::ComboBox && combo_style != 2);
  }

  Handle handle = 0;
  WidgetKind kind = WidgetKind::Hidden;
  Handle parent = 0;
  std::vector<Handle> children;  // keyboard order, first to last
  bool visible = false, enabled = true, tab_stop = false;
  int control_id = 0;
  std::string hidden_text;  // a hidden window's text: nothing shows it
  // >0 while the program itself changes the control's text: what the control then reports
  // of its own accord is not the user's doing.
  int changed_mute = 0;
  // Edit and combo boxes
  int case_conversion = 0;  // 0 none, 1 lower, 2 upper
  int combo_style = 1;      // 0 simple, 1 drop-down with edit field, 2 drop-down list
  bool sorted = false;
  // Frames
  bool centre_on_screen = false, fixed_size = false;
  // The native object behind the window (a widget, a native window), known to the
  // backend's NativeIndex; null for none.
  const void* native = nullptr;
};

class WindowTree {
 public:
  WindowRecord* find(Handle h);
  const WindowRecord* find(Handle h) const;

  // Gives the record the next handle and keeps it, last among its parent's children; 0 when
  // the parent it names does not exist. A handle is never given out again.
  Handle add(std::unique_ptr<WindowRecord> record);
  // Forgets one window, taking it out of its parent's children (its own children are the
  // caller's to forget first).
  void erase(Handle h);

  // `h` and every window inside it, each child before its parent, children in keyboard order:
  // the order a subtree is reported gone in.
  std::vector<Handle> subtree_children_first(Handle h) const;
  // Whether `h` may move into `parent`: both exist (0 stands for the desktop), a frame stays
  // on the desktop, a control stays inside a window, a hidden window stays where it is, and
  // no window goes inside itself.
  bool may_reparent(Handle h, Handle parent) const;
  // Moves `h` (may_reparent holds) to the end of its new parent's children.
  void reparent(Handle h, Handle parent);
  // The listed children of `parent` first, in the given order (unknown handles and repeats
  // ignored); the others keep their order after them. Returns the listed children in order.
  std::vector<Handle> set_tab_order(Handle parent, const std::vector<Handle>& order);

  bool is_inside(Handle h, Handle ancestor) const;  // true for h == ancestor too
  // The frame `h` belongs to (itself when it is one); 0 when none.
  Handle frame_of(Handle h) const;
  // Visible and enabled together with every window it is inside, as a user would see it.
  bool reachable(Handle h) const;
  std::vector<Handle> roots() const;

 private:
  std::map<Handle, std::unique_ptr<WindowRecord>> records_;
  Handle next_handle_ = 0x100;
};

}  // namespace platform
