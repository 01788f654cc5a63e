// What the layers above ask of a window system: kinds of control, their creation
// parameters, and the notifications a window reports back. Semantic on purpose: it names
// what the form runtime needs, not how any particular toolkit spells it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A window handle; 0 is "no window". Handles are never reused within one run, so a
// message for a window that is gone can always be recognised and dropped.
using Handle = uint32_t;

enum class WidgetKind { Frame, Edit, Button, ComboBox, GroupBox, Label, IpAddress, Hidden };

struct Geometry {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Geometry&) const = default;
};

// A colour 0x00BBGGRR; kButtonFace stands for the system's button-face colour.
using Colour = uint32_t;
inline constexpr Colour kButtonFace = 0xFF000000u;

struct Font {
  std::string face;  // GBK; empty = the default GUI font
  int height = 0;    // negative: character height in pixels; positive: cell height
  int weight = 400;
  bool italic = false, underline = false, strike_out = false;
};

struct FrameStyle {
  int border = 1;          // 0 none, 1 resizable, 2 fixed, 3/4 tool window, 5/6 client edge
  bool caption = true;     // title bar
  bool system_menu = true;
  bool minimise_box = true, maximise_box = true;
  bool centre_on_screen = false;
  bool show_in_taskbar = true;
  bool always_on_top = false;
  std::string icon_ico;    // a whole .ico image; empty = none

  bool resizable() const { return border == 1 || border == 3 || border == 5; }
};

struct EditStyle {
  int border = 1;            // 0 none, 1 sunken, 2 modal frame, 3 static edge, 4 both, 5 plain
  bool multi_line = false;
  int scroll_bars = 0;       // 0 none, 1 horizontal, 2 vertical, 3 both
  int alignment = 0;         // 0 left, 1 centred, 2 right
  bool read_only = false;
  bool password = false;
  char password_char = '*';
  int case_conversion = 0;   // 0 none, 1 lower, 2 upper
  int max_length = 0;        // 0 = no limit
  bool hide_selection = true;
  Colour text_colour = 0, background = 0xFFFFFF;
};

struct ButtonStyle {
  bool default_button = false;
  int h_align = 1, v_align = 1;  // 0 left/top, 1 centred, 2 right/bottom
};

struct ComboStyle {
  int style = 1;  // 0 simple, 1 drop-down with edit field, 2 drop-down list
  bool sorted = false;
  int max_length = 0;
  Colour text_colour = 0, background = 0xFFFFFF;
};

struct LabelStyle {
  int text_effect = 0;  // 0 plain, 1 sunken, 2 raised, 3 shadow
  int border = 0;       // 0 none, 1-5 edge styles, 6 painted frame
  int frame_width = 8;
  Colour frame_colours[3] = {0x808080, 0xFFFFFF, 0x808080};
  Colour text_colour = 0, background = kButtonFace;
  int h_align = 0, v_align = 1;  // 0 left/top, 1 centred, 2 right/bottom
  bool word_wrap = false;
};

struct GroupStyle {
  Colour text_colour = 0, background = kButtonFace;
};

struct CreateParams {
  WidgetKind kind = WidgetKind::Hidden;
  Handle parent = 0;  // 0 = top level (frames only)
  Geometry geometry;
  std::string text;   // GBK: title, caption or content
  bool visible = false;
  bool disabled = false;
  bool tab_stop = false;
  int control_id = 0;
  std::optional<Font> font;  // none = the default GUI font
  FrameStyle frame;
  EditStyle edit;
  ButtonStyle button;
  ComboStyle combo;
  LabelStyle label;
  GroupStyle group;
};

// Notifications a window reports to the sink. They arrive on the UI thread, synchronously
// with whatever caused them (a focus move made by set_focus reports FocusOut of the old
// window and then FocusIn of the new one before set_focus returns).
enum class Notify {
  Clicked,       // a button was pressed
  Changed,       // an edit box's text changed (the program's replace of a combo field's selection too)
  FocusIn,       // the window (for a combo box: its edit field) got the keyboard focus
  FocusOut,      // ... lost it
  CloseRequest,  // the user asked a frame to close (close box); the sink decides
  Moved,         // a frame moved
  Resized,       // a frame was resized
  Destroyed,     // the window is gone; reported once per window, children first
  Edited,        // the user typed, pasted or deleted in a combo box's edit field
  Chosen,        // the user chose an item from a combo box's list (combo_current tells which)
};

enum class Key { Other, Tab, Enter, Escape, F1 };

struct KeyPress {
  Key key = Key::Other;
  bool shift = false, ctrl = false, alt = false;
};

// Message-box style bits and button ids, in the values the application passes.
inline constexpr uint32_t kMbOk = 0x0, kMbOkCancel = 0x1, kMbAbortRetryIgnore = 0x2, kMbYesNoCancel = 0x3,
                          kMbYesNo = 0x4, kMbRetryCancel = 0x5, kMbIconError = 0x10, kMbSystemModal = 0x1000,
                          kMbTaskModal = 0x2000;
inline constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7;

}  // namespace platform
