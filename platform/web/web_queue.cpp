// WebBackend: the program's side of the page's queue. Posted messages are the program's own;
// everything else (input, timer expiries, the ports, message box answers) was queued by the
// page while the program waited, and is dispatched here in the order it happened.
#include "platform/gbk_codec.h"
#include "platform/web/web_backend.h"
#include "platform/web/web_serial.h"
#include "platform/web/web_text.h"

namespace platform::web {
namespace {

KeyPress key_press(int key, int mods) {
  KeyPress k;
  k.key = key >= 1 && key <= 4 ? static_cast<Key>(key) : Key::Other;
  k.shift = (mods & 1) != 0;
  k.ctrl = (mods & 2) != 0;
  k.alt = (mods & 4) != 0;
  return k;
}

}  // namespace

// The program's own posted messages first (those for windows that are gone are dropped),
// then what the page queued.
void WebBackend::process_pending() {
  book_.deliver_posted_messages();
  page::expire_due_timers();
  for (page::Queued e = page::take_event(); e.kind != page::Event::None; e = page::take_event()) dispatch(e);
}

// Returns at once when something is queued; otherwise the program is suspended until the
// page queues something or the time is up. The first endless wait after the form is shown
// tells the page that the tool is ready.
bool WebBackend::wait(int timeout_ms) {
  if (!book_.posted.empty() || page::has_event()) return true;
  if (timeout_ms == 0) return false;
  if (timeout_ms < 0 && frame_shown_ && !ready_said_) {
    ready_said_ = true;
    page::ready();
  }
  return page::wait_for_event(timeout_ms < 0 ? -1 : timeout_ms) || !book_.posted.empty();
}

uintptr_t WebBackend::start_timer_native(uintptr_t running, uint32_t period_ms) {
  const uintptr_t timer = running ? running : next_timer_++;
  page::set_timer(static_cast<uint32_t>(timer), period_ms);
  return timer;
}

void WebBackend::stop_timer_native(uintptr_t timer) { page::kill_timer(static_cast<uint32_t>(timer)); }

// Input the user gave while a message box was showing is not the form's (the page takes
// none then; this drops what was queued just before the box opened, as a click whose
// button lost the mouse to the box is not a click).
bool WebBackend::takes_input(Handle h) const {
  return book_.message_boxes_open == 0 && book_.windows.reachable(h);
}

void WebBackend::dispatch(const page::Queued& e) {
  const Handle h = static_cast<Handle>(e.a);
  switch (e.kind) {
    case page::Event::Click:
      if (takes_input(h)) book_.notify(h, Notify::Clicked);
      break;
    case page::Event::Changed:
      if (find(h)) book_.notify(h, Notify::Changed);
      break;
    case page::Event::ComboTyped:
      if (find(h)) book_.notify(h, Notify::Edited);
      break;
    case page::Event::ComboChose:
      if (find(h)) book_.notify(h, Notify::Chosen);
      break;
    case page::Event::Focus:
      if (find(h) && book_.follow_user_focus(h)) sync_native_focus();
      break;
    case page::Event::Key:
      if (book_.message_boxes_open == 0) on_key(h, e.b, e.c);
      break;
    case page::Event::Char:
      if (takes_input(h)) on_char(h, static_cast<uint32_t>(e.b));
      break;
    case page::Event::Close:
      if (book_.message_boxes_open == 0 && find(h)) book_.notify(h, Notify::CloseRequest);
      break;
    case page::Event::Timer:
      book_.timer_fired(static_cast<uint32_t>(e.a));
      break;
    case page::Event::Serial:
      WebSerialDevice::notify(e.a);
      break;
    case page::Event::BoxAnswer:
      answers_[e.a] = e.b;
      break;
    case page::Event::None:
      break;
  }
}

// The form sees the key first; what it leaves alone gets the control's own meaning: Enter
// in a multi-line box that may be written starts a new line.
void WebBackend::on_key(Handle target, int key, int mods) {
  if (target == 0 || !find(target)) target = book_.focused();
  if (target == 0) return;
  const KeyPress k = key_press(key, mods);
  if (book_.offer_key(target, k)) return;
  const Window* w = find(target);
  if (w && w->multi_line && k.key == Key::Enter && !k.ctrl && !k.alt && w->enabled && page::insert_text(target, "\n"))
    book_.notify(target, Notify::Changed);
}

// A typed character is taken as the shared rule says, then goes in as typing would.
void WebBackend::on_char(Handle target, uint32_t code_point) {
  const WindowBookkeeping::Typed taken = book_.type_char(target, code_point);
  if (!taken.taken) return;
  const Window* w = find(target);
  if (!page::insert_text(target, utf8_of(taken.ch))) return;
  book_.notify(target, w->kind == WidgetKind::ComboBox ? Notify::Edited : Notify::Changed);
}

// The box is a modal dialog over the page; the queue keeps being dispatched while it shows
// (received bytes, timer ticks), the form itself takes no input meanwhile.
int WebBackend::show_box_native(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) {
  const int id = page::show_box(to_utf8(text_gbk), to_utf8(caption_gbk), style);
  if (id <= 0) return 0;
  while (answers_.find(id) == answers_.end()) {
    process_pending();
    if (answers_.find(id) == answers_.end()) wait(-1);
  }
  const int answer = answers_[id];
  answers_.erase(id);
  return answer;
}

}  // namespace platform::web
