// WebBackend: the window tree, texts, state, focus and fonts. The controls' own calls are in
// web_controls.cpp, the queue, timers and message boxes in web_queue.cpp.
#include "platform/web/web_backend.h"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>

#include "platform/focus_move.h"
#include "platform/web/web_serial.h"
#include "platform/web/web_text.h"

namespace platform::web {
namespace {

std::string json_bool(bool b) { return b ? "true" : "false"; }
std::string json_int(int64_t v) { return std::to_string(v); }

// Creation parameters as the page's controls take them (controls.js create()).
std::string spec_json(Handle h, const CreateParams& p) {
  const auto& e = p.edit;
  const auto& b = p.button;
  const auto& c = p.combo;
  const auto& f = p.frame;
  std::string text = to_utf8(p.text);
  if (p.kind == WidgetKind::Edit && e.multi_line) text = crlf_to_lf(text);
  std::string s = "{\"handle\":" + json_int(h) + ",\"kind\":" + json_int(static_cast<int>(p.kind)) +
                  ",\"parent\":" + json_int(p.parent) + ",\"geometry\":[" + json_int(p.geometry.left) + "," +
                  json_int(p.geometry.top) + "," + json_int(p.geometry.width) + "," + json_int(p.geometry.height) +
                  "],\"text\":" + page::json_string(text) + ",\"visible\":" + json_bool(p.visible) +
                  ",\"disabled\":" + json_bool(p.disabled) + ",\"tabStop\":" + json_bool(p.tab_stop);
  s += ",\"frame\":{\"caption\":" + json_bool(f.caption) + ",\"systemMenu\":" + json_bool(f.system_menu) + "}";
  s += ",\"edit\":{\"multiLine\":" + json_bool(e.multi_line) + ",\"scrollBars\":" + json_int(e.scroll_bars) +
       ",\"alignment\":" + json_int(e.alignment) + ",\"readOnly\":" + json_bool(e.read_only) +
       ",\"password\":" + json_bool(e.password) + ",\"maxLength\":" + json_int(e.max_length) +
       ",\"border\":" + json_int(e.border) + ",\"textColour\":" + json_int(e.text_colour) +
       ",\"background\":" + json_int(e.background) + "}";
  s += ",\"button\":{\"defaultButton\":" + json_bool(b.default_button) + ",\"hAlign\":" + json_int(b.h_align) +
       ",\"vAlign\":" + json_int(b.v_align) + "}";
  s += ",\"combo\":{\"style\":" + json_int(c.style) + ",\"maxLength\":" + json_int(c.max_length) +
       ",\"textColour\":" + json_int(c.text_colour) + ",\"background\":" + json_int(c.background) + "}";
  s += ",\"group\":{\"textColour\":" + json_int(p.group.text_colour) + ",\"background\":" +
       json_int(p.group.background) + "}";
  return s + "}";
}

// The closed field of a drop-down combo box; the height it is created with also covers its
// list.
constexpr int kComboFieldHeight = 22;

}  // namespace

WebBackend::~WebBackend() {
  SinkCalls::sink = nullptr;  // the sink may be gone already: nothing is reported from here on
  for (Handle h : tree_.roots()) destroy(h);
  forget_sink_calls();
}

void WebBackend::ended(int code) { page::ended(code); }

Handle WebBackend::create(const CreateParams& params) {
  if (params.parent != 0 && !tree_.find(params.parent)) return 0;
  if (params.parent == 0 && params.kind != WidgetKind::Frame && params.kind != WidgetKind::Hidden) return 0;
  Window w;
  w.kind = params.kind;
  w.parent = params.parent;
  w.geometry = params.geometry;
  w.visible = params.kind == WidgetKind::Frame ? false : params.visible;
  w.enabled = !params.disabled;
  w.multi_line = params.kind == WidgetKind::Edit && params.edit.multi_line;
  w.combo_style = params.combo.style;
  w.sorted = params.combo.sorted;
  w.case_conversion = params.edit.case_conversion;
  if (params.kind == WidgetKind::Hidden) w.hidden_text = std::string(params.text);
  Window& added = tree_.add(std::move(w));
  const Handle h = added.handle;
  if (!page::create(spec_json(h, params))) {
    tree_.erase(h);
    return 0;
  }
  if (params.kind == WidgetKind::Label) page::label_style(h, label_style_json(params.label));
  if (params.kind == WidgetKind::Frame && !params.frame.icon_ico.empty()) page::set_frame_icon(h, params.frame.icon_ico);
  if (params.font) set_font(h, *params.font);
  return h;
}

// The focus dies with its window, silently, as with a native window; Destroyed is reported
// children first, after the windows have left the tree.
void WebBackend::destroy(Handle h) {
  if (!tree_.find(h)) return;
  const std::vector<Handle> doomed = tree_.subtree_children_first(h);
  if (focused_ != 0 && tree_.is_inside(focused_, h)) focused_ = 0;
  for (Handle d : doomed) {
    for (auto it = timers_.begin(); it != timers_.end();) it = it->first == d ? timers_.erase(it) : std::next(it);
    page::destroy(d);
    tree_.erase(d);
  }
  for (Handle d : doomed) notify(d, Notify::Destroyed);
}

void WebBackend::set_parent(Handle window, Handle parent) {
  Window* w = tree_.find(window);
  if (!w || window == parent || (parent != 0 && !tree_.find(parent))) return;
  if (parent != 0 && tree_.is_inside(parent, window)) return;  // would make a cycle
  if (parent == 0 && w->kind != WidgetKind::Frame) return;      // only frames stand alone
  w->parent = parent;
  page::set_parent(window, parent);
}

Geometry WebBackend::geometry(Handle window) const {
  const Window* w = tree_.find(window);
  if (!w) return {};
  Geometry g = w->geometry;
  if (w->kind == WidgetKind::ComboBox && w->combo_style != 0) g.height = std::min(g.height, kComboFieldHeight);
  return g;
}

void WebBackend::set_geometry(Handle window, Geometry g) {
  Window* w = tree_.find(window);
  if (!w) return;
  g.width = std::max(0, g.width);
  g.height = std::max(0, g.height);
  w->geometry = g;
  page::set_geometry(window, g);
}

std::string WebBackend::text(Handle window) const {
  const Window* w = tree_.find(window);
  if (!w) return {};
  if (w->kind == WidgetKind::Hidden) return w->hidden_text;
  const std::string shown = page::text(window);
  return to_gbk(w->multi_line ? lf_to_crlf(shown) : shown);
}

// An edit box reports one Changed for every text it is given, even an equal one, with the
// caret at the start; a combo box's field reports none, as with the native controls.
void WebBackend::set_text(Handle window, std::string_view gbk) {
  Window* w = tree_.find(window);
  if (!w) return;
  switch (w->kind) {
    case WidgetKind::Hidden: w->hidden_text.assign(gbk); return;
    case WidgetKind::IpAddress: return;  // addresses are set part by part
    case WidgetKind::Edit: break;
    default: page::set_text(window, to_utf8(gbk)); return;
  }
  const std::string text = to_utf8(gbk);
  page::set_text(window, w->multi_line ? crlf_to_lf(text) : text);
  page::set_selection(window, 0, 0);
  w->log_bytes = -1;
  notify(window, Notify::Changed);
}

bool WebBackend::enabled(Handle window) const {
  const Window* w = tree_.find(window);
  return w && w->enabled;
}

// Disabling the focused control leaves the form's focus with it, as a native window does; it
// takes the page's focus again when it is enabled.
void WebBackend::set_enabled(Handle window, bool on) {
  Window* w = tree_.find(window);
  if (!w) return;
  w->enabled = on;
  page::set_enabled(window, on);
  if (on && focused_ == window) page::focus(window);
}

bool WebBackend::visible(Handle window) const {
  const Window* w = tree_.find(window);
  return w && w->visible;
}

void WebBackend::set_visible(Handle window, bool on) {
  Window* w = tree_.find(window);
  if (!w) return;
  w->visible = on;
  if (w->kind == WidgetKind::Frame) {
    if (on) page::show_frame(window);
    return;
  }
  page::set_visible(window, on);
}

// Between FocusOut and FocusIn nothing has the focus. A sink that moves the focus from
// inside FocusOut wins: its move stands and this one is abandoned.
void WebBackend::set_focus(Handle to) {
  if (to != 0 && !tree_.find(to)) return;
  if (focused_ != to) move_focus(to);
  page::focus(focused_);
}

void WebBackend::move_focus(Handle to) {
  report_focus_move(focused_, focus_reporting_, to, [this](Handle h) { return tree_.find(h) != nullptr; },
                    [this](Handle h, Notify what) { notify(h, what); });
}

// The form moves the focus itself on Tab; the page keeps no order of its own.
void WebBackend::set_tab_order(Handle, const std::vector<Handle>&) {}

// A negative height is the characters' height in pixels, a positive one the cell's (of
// which the characters take about four fifths).
void WebBackend::set_font(Handle window, const Font& font) {
  if (!tree_.find(window)) return;
  const int px = font.height < 0 ? -font.height : font.height * 4 / 5;
  page::set_font(window, to_utf8(font.face), px, font.weight, font.italic, font.underline, font.strike_out);
}

void WebBackend::show_frame(Handle frame) {
  Window* w = tree_.find(frame);
  if (!w || w->kind != WidgetKind::Frame) return;
  w->visible = true;
  frame_shown_ = true;
  page::show_frame(frame);
  // A frame shown with nothing focused takes the focus, as an activated window does.
  if (focused_ == 0) {
    move_focus(frame);
    page::focus(focused_);
  }
}

std::unique_ptr<SerialDevice> WebBackend::open_serial(const std::string& path, SerialError& error) {
  return WebSerialDevice::open(path, error);
}

void WebBackend::exit_process(int code) {
  page::ended(code);
  emscripten_force_exit(code);
  std::abort();
}

bool WebBackend::caret_in_view(Handle edit) const { return page::caret_in_view(edit); }

}  // namespace platform::web
