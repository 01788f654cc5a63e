// WebBackend: the window tree, texts, state, focus and fonts. The controls' own calls are in
// web_controls.cpp, the queue, timers and message boxes in web_queue.cpp.
#include "platform/web/web_backend.h"

#include <emscripten.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "platform/web/web_serial.h"
#include "platform/web/web_text.h"

namespace platform::web {
namespace {

// Creation parameters as the page's controls take them (controls.js create()).
std::string spec_json(Handle h, const CreateParams& p) {
  const auto& e = p.edit;
  const auto& b = p.button;
  const auto& c = p.combo;
  const auto& f = p.frame;
  std::string text = to_utf8(p.text);
  if (p.kind == WidgetKind::Edit && e.multi_line) text = one_line_feed_per_break(text);
  using Json = nlohmann::ordered_json;
  const Json spec = {
      {"handle", h},
      {"kind", static_cast<int>(p.kind)},
      {"parent", p.parent},
      {"geometry", {p.geometry.left, p.geometry.top, p.geometry.width, p.geometry.height}},
      {"text", text},
      {"visible", p.visible},
      {"disabled", p.disabled},
      {"tabStop", p.tab_stop},
      {"frame", {{"caption", f.caption}, {"systemMenu", f.system_menu}}},
      {"edit",
       {{"multiLine", e.multi_line}, {"scrollBars", e.scroll_bars}, {"alignment", e.alignment},
        {"readOnly", e.read_only}, {"password", e.password}, {"maxLength", e.max_length}, {"border", e.border},
        {"textColour", e.text_colour}, {"background", e.background}}},
      {"button", {{"defaultButton", b.default_button}, {"hAlign", b.h_align}, {"vAlign", b.v_align}}},
      {"combo",
       {{"style", c.style}, {"maxLength", c.max_length}, {"textColour", c.text_colour}, {"background", c.background}}},
      {"group", {{"textColour", p.group.text_colour}, {"background", p.group.background}}}};
  return page::json_text(spec);
}

// The closed field of a drop-down combo box; the height it is created with also covers its
// list.
constexpr int kComboFieldHeight = 22;

}  // namespace

WebBackend::~WebBackend() {
  book_.sink = nullptr;  // the sink may be gone already: nothing is reported from here on
  for (Handle h : book_.windows.roots()) destroy(h);
}

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

// The elements go with their windows; timers of a window that is gone never tick again.
void WebBackend::forget_native(WindowRecord& w) {
  for (auto it = timers_.begin(); it != timers_.end();) it = it->first == w.handle ? timers_.erase(it) : std::next(it);
  page::destroy(w.handle);
}

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

// Shown and active: a program with nothing focused has the frame focused.
void WebBackend::show_frame(Handle frame) {
  Window* w = find(frame);
  if (!w || w->kind != WidgetKind::Frame) return;
  w->visible = true;
  frame_shown_ = true;
  page::show_frame(frame);
  book_.frame_shown(frame);
  sync_native_focus();
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
