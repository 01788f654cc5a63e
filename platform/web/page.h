// The calls the program makes into the page (page/*.js): the event queue and the clock, the
// form's elements, message boxes, window timers and serial ports. Texts cross as UTF-8, edit
// positions in UTF-16 units of the element's value. The calls marked "suspends" wait for the
// page: the program is unwound (Asyncify) while the page goes on, and nothing calls into the
// program meanwhile. Everything else returns at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/window_types.h"

namespace platform::web::page {

// ---- the queue (page/events.js), in the page's order of kinds
enum class Event : int32_t {
  None, Click, Changed, Focus, Key, Char, ComboTyped, ComboChose, Close, Timer, Serial, BoxAnswer
};
struct Queued {
  Event kind = Event::None;
  int32_t a = 0, b = 0, c = 0;  // the kind's own values, see events.js
};
// Timers that are due now are queued now, ahead of their own wake-ups.
void expire_due_timers();
// The oldest queued item; kind None when there is none.
Queued take_event();
bool has_event();  // due timers included
// Suspends until something is queued or `timeout_ms` passes (negative: no end); true when
// something is queued.
bool wait_for_event(int timeout_ms);
// Milliseconds of the page's clock.
uint32_t tick_ms();
// The form is shown and the program waits for the user; the program has ended.
void ready();
void ended(int code);

// ---- the form's elements (page/controls.js)
bool create(const std::string& spec_json);
void destroy(Handle h);
void set_parent(Handle h, Handle parent);
void set_geometry(Handle h, const Geometry& g);
std::string text(Handle h);
// The first `units` UTF-16 units of an edit box's text.
std::string text_front(Handle h, int64_t units);
void set_text(Handle h, const std::string& utf8);
void set_enabled(Handle h, bool on);
void set_visible(Handle h, bool on);
void focus(Handle h);
void set_font(Handle h, const std::string& face_utf8, int size_px, int weight, bool italic, bool underline,
              bool strike_out);
void show_frame(Handle h);
void set_frame_icon(Handle h, const std::string& ico);
void label_style(Handle h, const std::string& style_json);
// Typing that passed the form's filter; false when it does not fit the box's limit.
bool insert_text(Handle h, const std::string& utf8);
std::pair<int, int> selection(Handle h);
void set_selection(Handle h, int start, int end);
void replace_selection(Handle h, const std::string& utf8);
void scroll_caret(Handle h);
void append(Handle h, const std::string& utf8);
void drop_front(Handle h, int units);
bool caret_in_view(Handle h);
void combo_insert(Handle h, int index, const std::string& utf8);
void combo_select(Handle h, int index);
int combo_count(Handle h);
std::string combo_item(Handle h, int index);
int combo_current(Handle h);
void ip_set(Handle h, const uint8_t parts[4]);
void ip_clear(Handle h);
bool ip_blank(Handle h);
void ip_get(Handle h, uint8_t parts[4]);

// ---- window timers (page/timers.js), each by the number the program gave it: expiries come
// back as Event::Timer
void set_timer(uint32_t timer, uint32_t period_ms);
void kill_timer(uint32_t timer);

// ---- message boxes (page/dialogs.js): the answer comes back as Event::BoxAnswer
int show_box(const std::string& text_utf8, const std::string& caption_utf8, uint32_t style);

// ---- serial ports (page/serial.js)
// Suspends: the device behind COM `com` (after the browser's chooser when it has no port);
// a device id, or a negative error (-1 not found, -2 permission, -3 busy, -4 unsupported,
// -5 input/output).
int serial_open(int com);
// Suspends: opens the device's port; 0 or a negative error as above.
int serial_configure(int device, const std::string& options_json, bool dtr, bool rts);
uint32_t serial_take_events(int device);
uint32_t serial_take_errors(int device);  // 1 overrun, 2 parity, 4 framing
size_t serial_take_bytes(int device, uint8_t* out, size_t capacity);
void serial_purge(int device);
// Suspends until written; false when not all of it was.
bool serial_write(int device, const uint8_t* data, size_t size, uint32_t timeout_ms);
void serial_close(int device);

}  // namespace platform::web::page
