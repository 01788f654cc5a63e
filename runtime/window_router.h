// Routes what the backend reports for a window to the object that owns the window (a unit,
// a form, the runtime's helper window). The router is the backend's one sink; owners
// register their windows here. Reports for windows nobody owns are dropped.
#pragma once

#include <cstdint>

#include "platform/window_types.h"

namespace rt {

class WindowReceiver {
 public:
  virtual ~WindowReceiver() = default;
  virtual void on_notify(platform::Notify) {}
  // A key went down while this window had the focus; true = handled.
  virtual bool on_key(platform::KeyPress) { return false; }
  virtual bool on_char(uint32_t) { return true; }
  virtual void on_timer(uint32_t) {}
  virtual void on_posted(uint32_t, uintptr_t, intptr_t) {}
};

void route_window(platform::Handle window, WindowReceiver* receiver);
void unroute_window(platform::Handle window);
WindowReceiver* window_receiver(platform::Handle window);
// Installs the router as the current backend's sink.
void install_window_router();

}  // namespace rt
