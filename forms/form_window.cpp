#include "forms/form_window.h"

#include <algorithm>

#include "forms/font_property.h"
#include "forms/form_runtime.h"

namespace forms {
namespace {

enum Own {
  kBorder, kBackground, kMaxBox, kMinBox, kControlBox, kStartPosition, kMovable, kEnterMovesFocus, kEscCloses,
  kF1Help, kHelpContext, kShowInTaskbar, kDragAnywhere, kAlwaysOnTop, kPicture, kIcon, kFont, kTitle, kHelpFile,
  kOptionA, kOptionB, kOptionG, kOptionH, kClassName
};

bool resizable(int border) { return border == 1 || border == 3 || border == 5; }
bool tool_window(int border) { return border == 3 || border == 4; }
bool has_caption(const WindowData& d) { return d.border != 0 && (!d.title.empty() || d.control_box); }

platform::FrameStyle frame_style(const WindowData& d) {
  platform::FrameStyle s;
  s.border = d.border;
  s.caption = has_caption(d);
  s.system_menu = s.caption && d.control_box;
  s.minimise_box = d.min_box;
  s.maximise_box = d.max_box;
  s.centre_on_screen = d.start_position == 1;
  s.show_in_taskbar = d.show_in_taskbar;
  s.always_on_top = d.always_on_top;
  s.icon_ico.assign(d.icon.begin(), d.icon.end());
  return s;
}

}  // namespace

// Frame edges as the original platform draws them: a sizing frame 8 pixels a side, a fixed
// one 3, a client edge 2 more, a caption 23 pixels (17 for a tool window).
platform::Geometry FormWindow::frame_delta_of(const WindowData& d) {
  if (d.border == 0) return {};
  int side = resizable(d.border) ? 8 : 3;
  if (d.border == 5 || d.border == 6) side += 2;
  const int caption = has_caption(d) ? (tool_window(d.border) ? 17 : 23) : 0;
  return {0, 0, 2 * side, 2 * side + caption};
}

std::unique_ptr<Unit> FormWindow::create(const CreateContext& context) {
  WindowData data;
  if (!read_window_data(context.type_data, data)) return nullptr;
  std::unique_ptr<FormWindow> unit(new FormWindow(context, std::move(data)));
  const platform::Geometry delta = unit->frame_delta();
  CreateContext frame = context;
  frame.parent = 0;
  frame.geometry.width = std::max(0, context.geometry.width - delta.width);
  frame.geometry.height = std::max(0, context.geometry.height - delta.height);
  platform::CreateParams p;
  p.kind = platform::WidgetKind::Frame;
  p.text = unit->d_.title;
  p.frame = frame_style(unit->d_);
  p.font = to_platform_font(unit->d_.font);
  if (!unit->create_window(frame, p)) return nullptr;
  return unit;
}

void FormWindow::on_notify(platform::Notify what) {
  switch (what) {
    case platform::Notify::CloseRequest: form_runtime().request_close(form_id()); break;
    case platform::Notify::Moved: raise(form_event::kMoved); break;
    case platform::Notify::Resized: raise(form_event::kResized); break;
    default: WindowUnit::on_notify(what); break;
  }
}

bool FormWindow::get_property(int i, PropertyValue& out) {
  const WindowData& d = d_;
  switch (i) {
    case kBorder: out.integer = d.border; return true;
    case kBackground: out.integer = d.background; return true;
    case kMaxBox: out.integer = d.max_box; return true;
    case kMinBox: out.integer = d.min_box; return true;
    case kControlBox: out.integer = d.control_box; return true;
    case kStartPosition: out.integer = d.start_position; return true;
    case kMovable: out.integer = d.movable; return true;
    case kEnterMovesFocus: out.integer = d.enter_moves_focus; return true;
    case kEscCloses: out.integer = d.esc_closes; return true;
    case kF1Help: out.integer = d.f1_help; return true;
    case kHelpContext: out.integer = d.help_context; return true;
    case kShowInTaskbar: out.integer = d.show_in_taskbar; return true;
    case kDragAnywhere: out.integer = d.drag_anywhere; return true;
    case kAlwaysOnTop: out.integer = d.always_on_top; return true;
    case kPicture: out.bytes.assign(d.background_picture.begin(), d.background_picture.end()); return true;
    case kIcon: out.bytes.assign(d.icon.begin(), d.icon.end()); return true;
    case kFont: out.bytes = pack_font(d.font); return true;
    case kTitle: out.bytes = d.title; return true;
    case kHelpFile: out.bytes = d.help_file; return true;
    case kOptionA: out.integer = d.option_a; return true;
    case kOptionB: out.integer = d.option_b; return true;
    case kOptionG: out.integer = d.option_g; return true;
    case kOptionH: out.integer = d.option_h; return true;
    case kClassName: out.bytes = d.class_name; return true;
    default: return false;
  }
}

// Options that only matter when the frame is built are stored for reading back; the title,
// the font and the keyboard options take effect at once.
bool FormWindow::set_property(int i, const PropertyValue& v) {
  WindowData& d = d_;
  const int32_t n = static_cast<int32_t>(v.integer);
  const bool on = n != 0;
  switch (i) {
    case kBorder: d.border = n; break;
    case kBackground: d.background = static_cast<uint32_t>(n); break;
    case kMaxBox: d.max_box = on; break;
    case kMinBox: d.min_box = on; break;
    case kControlBox: d.control_box = on; break;
    case kStartPosition: d.start_position = n; break;
    case kMovable: d.movable = on; break;
    case kEnterMovesFocus: d.enter_moves_focus = on; break;
    case kEscCloses: d.esc_closes = on; break;
    case kF1Help: d.f1_help = on; break;
    case kHelpContext: d.help_context = n; break;
    case kShowInTaskbar: d.show_in_taskbar = on; break;
    case kDragAnywhere: d.drag_anywhere = on; break;
    case kAlwaysOnTop: d.always_on_top = on; break;
    case kPicture: d.background_picture.assign(v.bytes.begin(), v.bytes.end()); break;
    case kIcon: d.icon.assign(v.bytes.begin(), v.bytes.end()); break;
    case kFont: d.font = unpack_font(v.bytes); apply_font(d.font); break;
    case kTitle: d.title = v.bytes; backend().set_text(window(), d.title); break;
    case kHelpFile: d.help_file = v.bytes; break;
    case kOptionA: d.option_a = n; break;
    case kOptionB: d.option_b = n; break;
    case kOptionG: d.option_g = n; break;
    case kOptionH: d.option_h = n; break;
    default: break;
  }
  return false;
}

}  // namespace forms
