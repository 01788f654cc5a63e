// Windows, queue, timers, message boxes and serial devices of the headless backend. User
// input injection lives in headless_input.cpp.
#include "platform/headless/headless_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/headless/backend_state.h"
#include "platform/headless/memory_serial.h"

namespace platform::headless {

using detail::Ready;
using detail::Window;

HeadlessBackend::HeadlessBackend(uint32_t start_tick, Clock clock, SerialOpener devices)
    : state_(std::make_unique<State>()) {
  state_->start_tick = start_tick;
  state_->devices = std::move(devices);
  if (clock == Clock::Real)
    state_->scheduler = std::make_shared<detail::EventScheduler>(detail::EventScheduler::Clock::Real);
}

HeadlessBackend::~HeadlessBackend() = default;

// ---- the test's side

uint32_t HeadlessBackend::now() const { return static_cast<uint32_t>(state_->scheduler->now_us() / 1000); }

void HeadlessBackend::run_for(uint32_t ms) {
  const uint64_t deadline = state_->scheduler->now_us() + uint64_t{ms} * 1000;
  do {
    process_pending();
  } while (state_->scheduler->wait_until(deadline));
  process_pending();
}

void HeadlessBackend::settle() {
  do {
    process_pending();
  } while (wait(0));
}

void HeadlessBackend::schedule(uint32_t at_ms, std::function<void()> action) {
  state_->scheduler->schedule_action(uint64_t{at_ms} * 1000, std::move(action));
}

const std::vector<MessageBoxRecord>& HeadlessBackend::message_boxes() const { return state_->boxes; }
void HeadlessBackend::clear_message_boxes() { state_->boxes.clear(); }
void HeadlessBackend::set_message_box_answer(std::function<int(const MessageBoxRecord&)> answer) {
  state_->answer = std::move(answer);
}
void HeadlessBackend::set_text_observer(std::function<void(Handle, const std::string&)> observer) {
  state_->text_observer = std::move(observer);
}
void HeadlessBackend::set_exit_throws(bool on) { state_->exit_throws = on; }

void HeadlessBackend::add_serial_peer(const std::string& path, std::shared_ptr<SerialPeer> peer) {
  state_->peers[path] = std::move(peer);
}

void HeadlessBackend::set_serial_busy(const std::string& path, bool busy) {
  if (busy)
    state_->busy_paths.insert(path);
  else
    state_->busy_paths.erase(path);
}

std::vector<Handle> HeadlessBackend::children(Handle parent) const {
  const Window* w = state_->find(parent);
  return w ? w->children : std::vector<Handle>{};
}

WidgetKind HeadlessBackend::kind(Handle window) const {
  const Window* w = state_->find(window);
  return w ? w->kind : WidgetKind::Hidden;
}

int HeadlessBackend::control_id(Handle window) const {
  const Window* w = state_->find(window);
  return w ? w->control_id : 0;
}

bool HeadlessBackend::is_tab_stop(Handle window) const {
  const Window* w = state_->find(window);
  return w && w->tab_stop;
}

const LabelStyle& HeadlessBackend::label_style(Handle label) const {
  static const LabelStyle kNone;
  const Window* w = state_->find(label);
  return w ? w->label : kNone;
}

Handle HeadlessBackend::frame_of(Handle window) const { return state_->windows.frame_of(window); }

// ---- windows

WindowBookkeeping& HeadlessBackend::book() { return *state_; }
const WindowBookkeeping& HeadlessBackend::book() const { return *state_; }

Handle HeadlessBackend::create(const CreateParams& params) {
  if (params.parent != 0 && !state_->exists(params.parent)) return 0;
  return state_->windows.add(detail::model_window(params));
}

void HeadlessBackend::forget_native(WindowRecord& w) { state_->scheduler->kill_window_timers(w.handle); }

Geometry HeadlessBackend::geometry(Handle window) const {
  const Window* w = state_->find(window);
  return w ? w->geometry : Geometry{};
}

void HeadlessBackend::set_geometry(Handle window, Geometry g) {
  Window* w = state_->find(window);
  if (!w) return;
  const bool moved = w->geometry.left != g.left || w->geometry.top != g.top;
  const bool resized = w->geometry.width != g.width || w->geometry.height != g.height;
  w->geometry = g;
  if (w->kind != WidgetKind::Frame) return;
  if (moved) state_->notify(window, Notify::Moved);
  if (resized) state_->notify(window, Notify::Resized);
}

std::string HeadlessBackend::text(Handle window) const {
  const Window* w = state_->find(window);
  if (!w) return {};
  ++state_->text_reads[window];
  if (w->kind == WidgetKind::IpAddress) return ip_address_text(w->ip_blank, w->ip.data());
  return w->text;
}

// "a.b.c.d" with parts 0-255 fills an IP address control; anything else leaves it blank.
static void parse_ip(Window& w, std::string_view text) {
  unsigned parts[4];
  char tail = 0;
  const std::string s(text);
  const bool ok = std::sscanf(s.c_str(), "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) == 4 &&
                  std::all_of(parts, parts + 4, [](unsigned p) { return p <= 255; });
  w.ip_blank = !ok;
  for (size_t i = 0; i < 4; ++i) w.ip[i] = ok ? static_cast<uint8_t>(parts[i]) : 0;
}

void HeadlessBackend::set_text(Handle window, std::string_view gbk) {
  Window* w = state_->find(window);
  if (!w) return;
  if (w->kind == WidgetKind::IpAddress) return parse_ip(*w, gbk);
  w->text.assign(gbk);
  w->sel_start = w->sel_end = 0;
  if (state_->text_observer) state_->text_observer(window, w->text);
  // A native edit reports every text change, even to an equal text; a combo's does not.
  if (w->kind == WidgetKind::Edit) state_->notify(window, Notify::Changed);
}

void HeadlessBackend::set_font(Handle window, const Font& font) {
  if (Window* w = state_->find(window)) w->font = font;
}

// ---- edit boxes and combo boxes

std::pair<int, int> HeadlessBackend::edit_selection(Handle edit) const {
  const Window* w = state_->find(edit);
  return w ? std::pair{w->sel_start, w->sel_end} : std::pair{0, 0};
}

void HeadlessBackend::edit_set_selection(Handle edit, int start, int end) {
  if (Window* w = state_->find(edit)) detail::clamp_selection(*w, start, end);
}

void HeadlessBackend::edit_replace_selection(Handle edit, std::string_view gbk) {
  Window* w = state_->find(edit);
  if (!w || !w->has_edit_field()) return;
  detail::replace_range(*w, w->sel_start, w->sel_end, std::string(gbk));
  state_->notify(edit, Notify::Changed);
}

void HeadlessBackend::edit_scroll_caret(Handle edit) {
  if (Window* w = state_->find(edit)) w->scrolled_to = w->sel_end;
}

size_t HeadlessBackend::append_native(WindowRecord& edit, std::string_view gbk) {
  return detail::append_at_end(static_cast<Window&>(edit), gbk);
}

size_t HeadlessBackend::drop_front_native(WindowRecord& edit, size_t bytes) {
  return detail::drop_front(static_cast<Window&>(edit), bytes);
}

size_t HeadlessBackend::text_reads(Handle window) const {
  auto it = state_->text_reads.find(window);
  return it == state_->text_reads.end() ? 0 : it->second;
}

int HeadlessBackend::scrolled_to(Handle edit) const {
  const Window* w = state_->find(edit);
  return w ? w->scrolled_to : 0;
}

// The selection moves with its item, as in a native list.
void HeadlessBackend::insert_item_native(Handle combo, int index, std::string_view gbk) {
  Window* w = state_->find(combo);
  if (!w) return;
  w->items.emplace(w->items.begin() + index, gbk);
  if (w->current >= index) ++w->current;
}

int HeadlessBackend::combo_count(Handle combo) const {
  const Window* w = state_->find(combo);
  return w ? static_cast<int>(w->items.size()) : 0;
}

std::string HeadlessBackend::combo_item(Handle combo, int index) const {
  const Window* w = state_->find(combo);
  if (!w || index < 0 || index >= static_cast<int>(w->items.size())) return {};
  return w->items[static_cast<size_t>(index)];
}

int HeadlessBackend::combo_current(Handle combo) const {
  const Window* w = state_->find(combo);
  return w ? w->current : -1;
}

void HeadlessBackend::combo_set_current(Handle combo, int index) {
  Window* w = state_->find(combo);
  if (!w || w->kind != WidgetKind::ComboBox) return;
  if (index < 0 || index >= static_cast<int>(w->items.size())) {
    w->current = -1;
    w->text.clear();
  } else {
    w->current = index;
    w->text = w->items[static_cast<size_t>(index)];
  }
  w->sel_start = 0;
  w->sel_end = static_cast<int>(w->text.size());
}

// ---- IP address controls and labels

void HeadlessBackend::ip_set(Handle ip, const uint8_t parts[4]) {
  Window* w = state_->find(ip);
  if (!w) return;
  std::copy(parts, parts + 4, w->ip.begin());
  w->ip_blank = false;
}

void HeadlessBackend::ip_clear(Handle ip) {
  if (Window* w = state_->find(ip)) {
    w->ip = {};
    w->ip_blank = true;
  }
}

bool HeadlessBackend::ip_blank(Handle ip) const {
  const Window* w = state_->find(ip);
  return !w || w->ip_blank;
}

void HeadlessBackend::ip_get(Handle ip, uint8_t parts[4]) const {
  const Window* w = state_->find(ip);
  for (int i = 0; i < 4; ++i) parts[i] = w ? w->ip[static_cast<size_t>(i)] : 0;
}

void HeadlessBackend::label_set_style(Handle label, const LabelStyle& style) {
  if (Window* w = state_->find(label)) w->label = style;
}

// ---- queue and timers

void HeadlessBackend::post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam) {
  state_->scheduler->post(Ready{Ready::Kind::Posted, window, code, wparam, lparam, {}});
}

void HeadlessBackend::post_quit(int code) { state_->scheduler->post_quit(code); }
bool HeadlessBackend::quit_requested() const { return state_->scheduler->quit_requested(); }
int HeadlessBackend::quit_code() const { return state_->scheduler->quit_code(); }

// Everything queued, also what the dispatched items queue in turn, until the queue is empty.
void HeadlessBackend::process_pending() {
  State& s = *state_;
  s.scheduler->dispatch_ready([&s](Ready& item) {
    switch (item.kind) {
      case Ready::Kind::Action:
        if (item.action) item.action();
        break;
      case Ready::Kind::Posted:
        if (s.exists(item.window)) s.deliver_posted(item.window, item.code, item.wparam, item.lparam);
        break;
      case Ready::Kind::Timer:
        if (s.scheduler->take_timer_expiry(item.window, item.code, item.wparam) && s.exists(item.window))
          s.deliver_timer(item.window, item.code);
        break;
    }
  });
}

bool HeadlessBackend::wait(int timeout_ms) { return state_->scheduler->wait(timeout_ms); }

uint32_t HeadlessBackend::tick_count() const { return state_->start_tick + now(); }

void HeadlessBackend::set_timer(Handle window, uint32_t timer_id, uint32_t period_ms) {
  if (!state_->find(window)) return;
  state_->scheduler->set_timer(window, timer_id, uint64_t{period_ms} * 1000);
}

void HeadlessBackend::kill_timer(Handle window, uint32_t timer_id) { state_->scheduler->kill_timer(window, timer_id); }

// ---- message boxes, serial devices, exit

int HeadlessBackend::show_box_native(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) {
  MessageBoxRecord record{std::string(text_gbk), std::string(caption_gbk), style, now()};
  state_->boxes.push_back(record);
  return state_->answer ? state_->answer(record) : kIdOk;
}

std::unique_ptr<SerialDevice> HeadlessBackend::open_serial(const std::string& path, SerialError& error) {
  State& s = *state_;
  if (s.devices) return s.devices(path, error);
  auto peer = s.peers.find(path);
  if (peer == s.peers.end() || !peer->second) {
    error = SerialError::NotFound;
    return nullptr;
  }
  if (s.busy_paths.count(path) != 0 || s.scheduler->path_open(path)) {
    error = SerialError::Busy;
    return nullptr;
  }
  error = SerialError::None;
  return detail::open_memory_device(s.scheduler, path, peer->second);
}

void HeadlessBackend::exit_process(int code) {
  if (state_->exit_throws) throw ProcessExit{code};
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace platform::headless
