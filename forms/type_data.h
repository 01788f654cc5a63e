// Plain views of each unit type's data from the form template, and their readers.
//
// Every block starts with a layout version; a version above what the type knows is refused
// (the unit's creation then fails). Fields added in later versions are read only when the
// version has them and keep their defaults otherwise. An empty block stands for the type's
// defaults (the values the structs are initialised with). Texts are GBK bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace forms {

inline constexpr uint32_t kButtonFace = 0xFF000000;  // colour value: the system button face
inline constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kGrey = 0x808080;

// Highest layout version each type understands.
namespace tdver {
inline constexpr uint32_t kWindow = 6, kEditBox = 2, kLabel = 2, kGroupBox = 1, kButton = 1,
                          kComboBox = 3, kIpEditBox = 1;
}

// The 60-byte font description (ANSI layout, 32-byte face name). A font block is either
// empty (the default GUI font) or exactly this.
struct LogFont {
  int32_t height = 0, width = 0, escapement = 0, orientation = 0, weight = 400;
  uint8_t italic = 0, underline = 0, strike_out = 0, charset = 0;
  uint8_t out_precision = 0, clip_precision = 0, quality = 0, pitch_and_family = 0;
  std::string face;  // GBK, at most 31 bytes (zero-terminated within 32 in the block)
};
inline constexpr size_t kLogFontSize = 60;
using Font = std::optional<LogFont>;  // nullopt = the default GUI font

struct WindowData {
  uint32_t version = tdver::kWindow;
  int32_t border = 1;  // 0 none .. 6, see the window unit
  int32_t option_a = 1;
  uint32_t background = kButtonFace;
  bool max_box = true, min_box = true, control_box = true;
  int32_t start_position = 0;  // 0 recorded, 1 centred, 2 minimised, 3 maximised
  bool movable = true;
  int32_t option_b = 0;
  bool enter_moves_focus = false, esc_closes = false, f1_help = false;
  int32_t help_context = 0;
  bool show_in_taskbar = true;                    // version > 1
  bool drag_anywhere = false;                     // version > 2
  int32_t option_g = 0;                           // version > 2
  bool always_on_top = false;                     // version > 3
  int32_t option_h = 0;                           // version > 4
  std::string class_name;                         // version 6; empty = default class
  std::vector<uint8_t> background_picture, icon;  // icon: a .ico image
  Font font;
  std::string title, help_file;
};

struct EditBoxData {
  uint32_t version = tdver::kEditBox;
  int32_t border = 1;  // 1 sunken
  uint32_t text_colour = kBlack, background = kWhite;
  bool hide_selection = true;
  int32_t max_length = 0;  // 0 = none
  bool multi_line = false;
  int32_t scroll_bars = 0;  // 0 none, 1 horizontal, 2 vertical, 3 both
  int32_t alignment = 0;    // 0 left, 1 centred, 2 right
  int32_t input_mode = 0;
  uint16_t password_char = '*';
  int32_t case_conversion = 0;  // 0 none, 1 lower, 2 upper
  int32_t adjuster = 0, adjuster_min = 0, adjuster_max = 100;
  int32_t selection_start = 0, selection_length = 0;
  Font font;
  std::string content;
  std::string binding_a, binding_b;  // version 2
};

struct LabelData {
  uint32_t version = tdver::kLabel;
  int32_t effect = 0;  // 0 plain, 1 sunken, 2 raised, 3 shadow
  int32_t frame_width = 8;
  int32_t border = 0;
  std::array<uint32_t, 3> frame_colours{kGrey, kWhite, kGrey};
  uint32_t text_colour = kBlack, background = kButtonFace;
  int32_t picture_mode = 1;
  int32_t gradient_mode = 0;
  std::array<uint32_t, 3> gradient_colours{kGrey, kWhite, kGrey};
  int32_t h_align = 0;  // 0 left, 1 centred, 2 right
  int32_t v_align = 1;  // 0 top, 1 centred, 2 bottom
  bool word_wrap = false;
  Font font;
  std::vector<uint8_t> background_picture;
  std::string caption;
  std::string binding_a, binding_b;  // version 2
};

struct GroupBoxData {
  uint32_t version = tdver::kGroupBox;
  int32_t style = 0;
  uint32_t text_colour = kBlack, background = kButtonFace;
  Font font;
  std::string caption;
};

struct ButtonData {
  uint32_t version = tdver::kButton;
  int32_t button_type = 0;  // 0 normal, 1 default button
  int32_t h_align = 1, v_align = 1;
  std::vector<uint8_t> picture;
  Font font;
  std::string caption;
};

struct ComboBoxData {
  uint32_t version = tdver::kComboBox;
  int32_t style = 1;  // 0 simple, 1 drop-down with edit field, 2 drop-down list
  int32_t max_length = 0;
  int32_t selection_start = 0, selection_length = 0;
  bool sorted = false;
  int32_t extra_item_height = 1;
  uint32_t text_colour = kBlack, background = kWhite;
  int32_t initial_selection = 0;
  Font font;
  std::vector<int32_t> item_values;  // for the first items only
  std::string content;
  std::vector<std::string> items;
  std::string binding_a, binding_b;  // version >= 2
  int32_t extra = 0;                 // version 3
};

struct IpEditBoxData {
  uint32_t version = tdver::kIpEditBox;
  Font font;
  std::string address;
};

// Readers: false for an unknown version or a truncated/inconsistent block (then `out` is
// left unspecified). An empty block yields the defaults.
bool read_window_data(std::span<const uint8_t> data, WindowData& out);
bool read_edit_box_data(std::span<const uint8_t> data, EditBoxData& out);
bool read_label_data(std::span<const uint8_t> data, LabelData& out);
bool read_group_box_data(std::span<const uint8_t> data, GroupBoxData& out);
bool read_button_data(std::span<const uint8_t> data, ButtonData& out);
bool read_combo_box_data(std::span<const uint8_t> data, ComboBoxData& out);
bool read_ip_edit_box_data(std::span<const uint8_t> data, IpEditBoxData& out);

}  // namespace forms
