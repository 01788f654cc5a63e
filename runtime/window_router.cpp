#include "runtime/window_router.h"

#include <unordered_map>

#include "platform/backend.h"

namespace rt {
namespace {

std::unordered_map<platform::Handle, WindowReceiver*>& routes() {
  static std::unordered_map<platform::Handle, WindowReceiver*> map;
  return map;
}

class Router final : public platform::WindowSink {
 public:
  void on_notify(platform::Handle w, platform::Notify what) override {
    if (auto* r = window_receiver(w)) r->on_notify(what);
  }
  bool on_key(platform::Handle focus, platform::KeyPress key) override {
    auto* r = window_receiver(focus);
    return r && r->on_key(key);
  }
  bool on_char(platform::Handle w, uint32_t ch) override {
    auto* r = window_receiver(w);
    return !r || r->on_char(ch);
  }
  void on_timer(platform::Handle w, uint32_t id) override {
    if (auto* r = window_receiver(w)) r->on_timer(id);
  }
  void on_posted(platform::Handle w, uint32_t code, uintptr_t wp, intptr_t lp) override {
    if (auto* r = window_receiver(w)) r->on_posted(code, wp, lp);
  }
};

}  // namespace

void route_window(platform::Handle window, WindowReceiver* receiver) {
  if (window) routes()[window] = receiver;
}

void unroute_window(platform::Handle window) { routes().erase(window); }

WindowReceiver* window_receiver(platform::Handle window) {
  auto it = routes().find(window);
  return it == routes().end() ? nullptr : it->second;
}

void install_window_router() {
  static Router router;
  platform::backend().set_sink(&router);
}

}  // namespace rt
