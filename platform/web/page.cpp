#include "platform/web/page.h"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace platform::web::page {
namespace {

// ---- the queue and the clock

EM_JS(int, web_take_event, (int32_t* out), {
  const e = Module.dtu.queue.take();
  if (!e) return 0;
  HEAP32[out >> 2] = e[1] | 0;
  HEAP32[(out >> 2) + 1] = e[2] | 0;
  HEAP32[(out >> 2) + 2] = e[3] | 0;
  return e[0];
});
EM_JS(int, web_has_event, (), {
  Module.dtu.windowTimers.expireDue();
  return Module.dtu.queue.length > 0 ? 1 : 0;
});
EM_JS(void, web_expire_due_timers, (), { Module.dtu.windowTimers.expireDue(); });
EM_ASYNC_JS(int, web_wait, (int timeout), { return (await Module.dtu.queue.wait(timeout)) ? 1 : 0; });
EM_JS(uint32_t, web_tick, (), { return Math.floor(performance.now()) >>> 0; });
EM_JS(void, web_ready, (), { Module.dtu.ready(); });
EM_JS(void, web_ended, (int code), { Module.dtu.ended(code); });

// A JavaScript text handed to the program: UTF-8 in memory the program frees.
EM_JS(char*, web_text, (Handle h), {
  const s = Module.dtu.controls.text(h);
  const n = lengthBytesUTF8(s) + 1;
  const p = _malloc(n);
  stringToUTF8(s, p, n);
  return p;
});
EM_JS(char*, web_text_front, (Handle h, double units), {
  const s = Module.dtu.controls.text(h).slice(0, units);
  const n = lengthBytesUTF8(s) + 1;
  const p = _malloc(n);
  stringToUTF8(s, p, n);
  return p;
});
EM_JS(char*, web_combo_item, (Handle h, int i), {
  const r = Module.dtu.controls.windows.get(h);
  const s = r && r.combo && i >= 0 && i < r.combo.items.length ? r.combo.items[i] : "";
  const n = lengthBytesUTF8(s) + 1;
  const p = _malloc(n);
  stringToUTF8(s, p, n);
  return p;
});

std::string take_string(char* p) {
  std::unique_ptr<char, decltype(&std::free)> owned(p, &std::free);
  return p ? std::string(p) : std::string();
}

// ---- the form's elements

EM_JS(int, web_create, (const char* spec), { return Module.dtu.controls.create(JSON.parse(UTF8ToString(spec))) ? 1 : 0; });
EM_JS(void, web_destroy, (Handle h), { Module.dtu.controls.destroy(h); });
EM_JS(void, web_set_parent, (Handle h, Handle p), { Module.dtu.controls.setParent(h, p); });
EM_JS(void, web_set_geometry, (Handle h, int l, int t, int w, int hh), { Module.dtu.controls.setGeometry(h, l, t, w, hh); });
EM_JS(void, web_set_text, (Handle h, const char* s), { Module.dtu.controls.setText(h, UTF8ToString(s)); });
EM_JS(void, web_set_enabled, (Handle h, int on), { Module.dtu.controls.setEnabled(h, on !== 0); });
EM_JS(void, web_set_visible, (Handle h, int on), { Module.dtu.controls.setVisible(h, on !== 0); });
EM_JS(void, web_focus, (Handle h), { Module.dtu.controls.focus(h); });
EM_JS(void, web_set_font, (Handle h, const char* face, int size, int weight, int italic, int underline, int strike), {
  Module.dtu.controls.setFont(h, UTF8ToString(face), size, weight, italic !== 0, underline !== 0, strike !== 0);
});
EM_JS(void, web_show_frame, (Handle h), { Module.dtu.controls.showFrame(h); });
EM_JS(void, web_set_frame_icon, (Handle h, const uint8_t* data, size_t size), {
  Module.dtu.controls.setFrameIcon(h, HEAPU8.slice(data, data + size));
});
EM_JS(void, web_label_style, (Handle h, const char* style), { Module.dtu.controls.labelStyle(h, JSON.parse(UTF8ToString(style))); });
EM_JS(int, web_insert_text, (Handle h, const char* s), { return Module.dtu.controls.insertText(h, UTF8ToString(s)) ? 1 : 0; });
EM_JS(void, web_selection, (Handle h, int* out), {
  const s = Module.dtu.controls.selection(h);
  HEAP32[out >> 2] = s[0];
  HEAP32[(out >> 2) + 1] = s[1];
});
EM_JS(void, web_set_selection, (Handle h, int s, int e), { Module.dtu.controls.setSelection(h, s, e); });
EM_JS(void, web_replace_selection, (Handle h, const char* s), { Module.dtu.controls.replaceSelection(h, UTF8ToString(s)); });
EM_JS(void, web_scroll_caret, (Handle h), { Module.dtu.controls.scrollCaret(h); });
EM_JS(void, web_append, (Handle h, const char* s), { Module.dtu.controls.append(h, UTF8ToString(s)); });
EM_JS(void, web_drop_front, (Handle h, int n), { Module.dtu.controls.dropFront(h, n); });
EM_JS(int, web_caret_in_view, (Handle h), { return Module.dtu.controls.caretInView(h) ? 1 : 0; });
EM_JS(void, web_combo_insert, (Handle h, int i, const char* s), {
  const r = Module.dtu.controls.windows.get(h);
  if (r && r.combo) r.combo.insert(i, UTF8ToString(s));
});
EM_JS(void, web_combo_select, (Handle h, int i), {
  const r = Module.dtu.controls.windows.get(h);
  if (r && r.combo) r.combo.select(i);
});
EM_JS(int, web_combo_count, (Handle h), {
  const r = Module.dtu.controls.windows.get(h);
  return r && r.combo ? r.combo.items.length : 0;
});
EM_JS(int, web_combo_current, (Handle h), {
  const r = Module.dtu.controls.windows.get(h);
  return r && r.combo ? r.combo.current : -1;
});
EM_JS(void, web_ip_set, (Handle h, int a, int b, int c, int d), {
  const r = Module.dtu.controls.windows.get(h);
  if (r && r.ip) r.ip.set([a, b, c, d]);
});
EM_JS(void, web_ip_clear, (Handle h), {
  const r = Module.dtu.controls.windows.get(h);
  if (r && r.ip) r.ip.clear();
});
EM_JS(int, web_ip_blank, (Handle h), {
  const r = Module.dtu.controls.windows.get(h);
  return !r || !r.ip || r.ip.blank() ? 1 : 0;
});
EM_JS(void, web_ip_get, (Handle h, uint8_t* out), {
  const r = Module.dtu.controls.windows.get(h);
  HEAPU8.set(r && r.ip ? r.ip.parts() : [0, 0, 0, 0], out);
});

// ---- timers and boxes

EM_JS(void, web_set_timer, (uint32_t timer, uint32_t ms), { Module.dtu.windowTimers.set(timer >>> 0, ms >>> 0); });
EM_JS(void, web_kill_timer, (uint32_t timer), { Module.dtu.windowTimers.kill(timer >>> 0); });
EM_JS(int, web_show_box, (const char* text, const char* caption, uint32_t style), {
  return Module.dtu.dialogs.show(UTF8ToString(text), UTF8ToString(caption), style >>> 0);
});

// ---- serial ports

EM_ASYNC_JS(int, web_serial_open, (int com), { return await Module.dtu.serial.open(com); });
EM_ASYNC_JS(int, web_serial_configure, (int id, const char* options, int dtr, int rts), {
  const d = Module.dtu.serial.device(id);
  return d ? await d.configure(JSON.parse(UTF8ToString(options)), dtr !== 0, rts !== 0) : -5;
});
EM_JS(uint32_t, web_serial_take_events, (int id), {
  const d = Module.dtu.serial.device(id);
  return d ? d.takeEvents() >>> 0 : 0;
});
EM_JS(uint32_t, web_serial_take_errors, (int id), {
  const d = Module.dtu.serial.device(id);
  return d ? d.takeErrors() : 0;
});
EM_JS(size_t, web_serial_take_bytes, (int id, uint8_t* out, size_t capacity), {
  const d = Module.dtu.serial.device(id);
  if (!d) return 0;
  const bytes = d.takeBytes(capacity);
  HEAPU8.set(bytes, out);
  return bytes.length;
});
EM_JS(void, web_serial_purge, (int id), {
  const d = Module.dtu.serial.device(id);
  if (d) d.purge();
});
EM_ASYNC_JS(int, web_serial_write, (int id, const uint8_t* data, size_t size, uint32_t timeout), {
  const d = Module.dtu.serial.device(id);
  return d && (await d.write(HEAPU8.slice(data, data + size), timeout >>> 0)) ? 1 : 0;
});
EM_JS(void, web_serial_close, (int id), {
  const d = Module.dtu.serial.device(id);
  if (d) d.close();
});

}  // namespace

void expire_due_timers() { web_expire_due_timers(); }

Queued take_event() {
  int32_t values[3] = {0, 0, 0};
  const int kind = web_take_event(values);
  return {static_cast<Event>(kind), values[0], values[1], values[2]};
}
bool has_event() { return web_has_event() != 0; }
bool wait_for_event(int timeout_ms) { return web_wait(timeout_ms) != 0; }
uint32_t tick_ms() { return web_tick(); }
void ready() { web_ready(); }
void ended(int code) { web_ended(code); }

bool create(const std::string& spec_json) { return web_create(spec_json.c_str()) != 0; }
void destroy(Handle h) { web_destroy(h); }
void set_parent(Handle h, Handle parent) { web_set_parent(h, parent); }
void set_geometry(Handle h, const Geometry& g) { web_set_geometry(h, g.left, g.top, g.width, g.height); }
std::string text(Handle h) { return take_string(web_text(h)); }
std::string text_front(Handle h, int64_t units) { return take_string(web_text_front(h, static_cast<double>(units))); }
void set_text(Handle h, const std::string& utf8) { web_set_text(h, utf8.c_str()); }
void set_enabled(Handle h, bool on) { web_set_enabled(h, on); }
void set_visible(Handle h, bool on) { web_set_visible(h, on); }
void focus(Handle h) { web_focus(h); }
void set_font(Handle h, const std::string& face_utf8, int size_px, int weight, bool italic, bool underline,
              bool strike_out) {
  web_set_font(h, face_utf8.c_str(), size_px, weight, italic, underline, strike_out);
}
void show_frame(Handle h) { web_show_frame(h); }
void set_frame_icon(Handle h, const std::string& ico) {
  web_set_frame_icon(h, reinterpret_cast<const uint8_t*>(ico.data()), ico.size());
}
void label_style(Handle h, const std::string& style_json) { web_label_style(h, style_json.c_str()); }
bool insert_text(Handle h, const std::string& utf8) { return web_insert_text(h, utf8.c_str()) != 0; }
std::pair<int, int> selection(Handle h) {
  int values[2] = {0, 0};
  web_selection(h, values);
  return {values[0], values[1]};
}
void set_selection(Handle h, int start, int end) { web_set_selection(h, start, end); }
void replace_selection(Handle h, const std::string& utf8) { web_replace_selection(h, utf8.c_str()); }
void scroll_caret(Handle h) { web_scroll_caret(h); }
void append(Handle h, const std::string& utf8) { web_append(h, utf8.c_str()); }
void drop_front(Handle h, int units) { web_drop_front(h, units); }
bool caret_in_view(Handle h) { return web_caret_in_view(h) != 0; }
void combo_insert(Handle h, int index, const std::string& utf8) { web_combo_insert(h, index, utf8.c_str()); }
void combo_select(Handle h, int index) { web_combo_select(h, index); }
int combo_count(Handle h) { return web_combo_count(h); }
std::string combo_item(Handle h, int index) { return take_string(web_combo_item(h, index)); }
int combo_current(Handle h) { return web_combo_current(h); }
void ip_set(Handle h, const uint8_t parts[4]) { web_ip_set(h, parts[0], parts[1], parts[2], parts[3]); }
void ip_clear(Handle h) { web_ip_clear(h); }
bool ip_blank(Handle h) { return web_ip_blank(h) != 0; }
void ip_get(Handle h, uint8_t parts[4]) { web_ip_get(h, parts); }

void set_timer(uint32_t timer, uint32_t period_ms) { web_set_timer(timer, period_ms); }
void kill_timer(uint32_t timer) { web_kill_timer(timer); }
int show_box(const std::string& text_utf8, const std::string& caption_utf8, uint32_t style) {
  return web_show_box(text_utf8.c_str(), caption_utf8.c_str(), style);
}

int serial_open(int com) { return web_serial_open(com); }
int serial_configure(int device, const std::string& options_json, bool dtr, bool rts) {
  return web_serial_configure(device, options_json.c_str(), dtr, rts);
}
uint32_t serial_take_events(int device) { return web_serial_take_events(device); }
uint32_t serial_take_errors(int device) { return web_serial_take_errors(device); }
size_t serial_take_bytes(int device, uint8_t* out, size_t capacity) {
  return web_serial_take_bytes(device, out, capacity);
}
void serial_purge(int device) { web_serial_purge(device); }
bool serial_write(int device, const uint8_t* data, size_t size, uint32_t timeout_ms) {
  return web_serial_write(device, data, size, timeout_ms) != 0;
}
void serial_close(int device) { web_serial_close(device); }

}  // namespace platform::web::page
