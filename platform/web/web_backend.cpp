// WebBackend: the window tree, texts, state, focus and fonts. The controls' own calls are in
// web_controls.cpp, the queue, timers and message boxes in web_queue.cpp.
#include "platform/web/web_backend.h"

#include <emscripten.h>

#include <cstdlib>

#include "platform/json_text.h"
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
  if (p.kind == WidgetKind::Edit && e.multi_line) text = one_line_feed_per_break(text);
  std::string s = "{\"handle\":" + json_int(h) + ",\"kind\":" + json_int(static_cast<int>(p.kind)) +
                  ",\"parent\":" + json_int(p.parent) + ",\"geometry\":[" + json_int(p.geometry.left) + "," +
                  json_int(p.geometry.top) + "," + json_int(p.geometry.width) + "," + json_int(p.geometry.height) +
                  "],\"text\":" + json_string(text) + ",\"visible\":" + json_bool(p.visible) +
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

WebBackend::~WebBackend() { close_all_windows(); }

void WebBackend::ended(int code) { page::ended(code); }

Handle WebBackend::create(const CreateParams& params) {
  if (params.parent == 0 && params.kind != WidgetKind::Frame && params.kind != WidgetKind::Hidden) return 0;
  auto record = std::make_unique<Window>();
  record->take(params);
  record->geometry = params.geometry;
  record->visible = params.kind == WidgetKind::Frame ? false : params.visible;  // a frame shows by show_frame
  record->multi_line = params.kind == WidgetKind::Edit && params.edit.multi_line;
  const Handle h = book_.windows.add(std::move(record));
  if (h == 0) return 0;
  if (!page::create(spec_json(h, params))) {
    book_.windows.erase(h);
    return 0;
  }
  if (params.kind == WidgetKind::Label) page::label_style(h, label_style_json(params.label));
  if (params.kind == WidgetKind::Frame && !params.frame.icon_ico.empty()) page::set_frame_icon(h, params.frame.icon_ico);
  if (params.font) set_font(h, *params.font);
  return h;
}

// The elements go with their windows.
void WebBackend::forget_native(WindowRecord& w) { page::destroy(w.handle); }

void WebBackend::reparent_native(WindowRecord& w) { page::set_parent(w.handle, w.parent); }

// Disabling the focused control leaves the form's focus with it, as a native window does; it
// takes the page's focus again when it is enabled.
void WebBackend::enable_native(WindowRecord& w) {
  page::set_enabled(w.handle, w.enabled);
  if (w.enabled && book_.focused() == w.handle) page::focus(w.handle);
}

void WebBackend::show_native(WindowRecord& w) {
  if (w.kind == WidgetKind::Frame) {
    if (w.visible) page::show_frame(w.handle);
    return;
  }
  page::set_visible(w.handle, w.visible);
}

void WebBackend::sync_native_focus() { page::focus(book_.focused()); }

Geometry WebBackend::geometry(Handle window) const {
  const Window* w = find(window);
  if (!w) return {};
  Geometry g = w->geometry;
  if (w->kind == WidgetKind::ComboBox && w->combo_style != 0) g.height = std::min(g.height, kComboFieldHeight);
  return g;
}

void WebBackend::set_geometry(Handle window, Geometry g) {
  Window* w = find(window);
  if (!w) return;
  g.width = std::max(0, g.width);
  g.height = std::max(0, g.height);
  w->geometry = g;
  page::set_geometry(window, g);
}

std::string WebBackend::text(Handle window) const {
  const Window* w = find(window);
  if (!w) return {};
  if (w->kind == WidgetKind::Hidden) return w->hidden_text;
  const std::string shown = page::text(window);
  return to_gbk(w->multi_line ? lf_to_crlf(shown) : shown);
}

// An edit box reports one Changed for every text it is given, even an equal one, with the
// caret at the start; a combo box's field reports none, as with the native controls.
void WebBackend::set_text(Handle window, std::string_view gbk) {
  Window* w = find(window);
  if (!w) return;
  switch (w->kind) {
    case WidgetKind::Hidden: w->hidden_text.assign(gbk); return;
    case WidgetKind::IpAddress: return;  // addresses are set part by part
    case WidgetKind::Edit: break;
    default: page::set_text(window, to_utf8(gbk)); return;
  }
  const std::string text = to_utf8(gbk);
  page::set_text(window, w->multi_line ? one_line_feed_per_break(text) : text);
  page::set_selection(window, 0, 0);
  book_.notify(window, Notify::Changed);
}

// A negative height is the characters' height in pixels, a positive one the cell's (of
// which the characters take about four fifths).
void WebBackend::set_font(Handle window, const Font& font) {
  if (!find(window)) return;
  const int px = font.height < 0 ? -font.height : font.height * 4 / 5;
  page::set_font(window, to_utf8(font.face), px, font.weight, font.italic, font.underline, font.strike_out);
}

void WebBackend::show_frame_native(WindowRecord& frame) {
  frame_shown_ = true;
  page::show_frame(frame.handle);
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
