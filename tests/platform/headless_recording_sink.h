// A window sink that records what the headless backend reports, as readable lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace headless_test {

class RecordingSink : public platform::WindowSink {
 public:
  std::vector<std::string> log;
  std::function<void(platform::Handle, platform::Notify)> on_notify_hook;
  std::function<bool(platform::Handle, uint32_t)> char_filter;  // default: accept
  std::function<void(platform::Handle, uint32_t)> on_timer_hook;
  bool keys_handled = false;

  void on_notify(platform::Handle h, platform::Notify what) override {
    static const char* const kNames[] = {"Clicked", "Changed", "FocusIn",   "FocusOut", "CloseRequest",
                                         "Moved",   "Resized", "Destroyed", "Edited",   "Chosen"};
    log.push_back(std::string(kNames[static_cast<int>(what)]) + " " + std::to_string(h));
    if (on_notify_hook) on_notify_hook(h, what);
  }
  bool on_key(platform::Handle focus, platform::KeyPress key) override {
    log.push_back("Key " + std::to_string(static_cast<int>(key.key)) + " " + std::to_string(focus));
    return keys_handled;
  }
  bool on_char(platform::Handle, uint32_t ch) override { return !char_filter || char_filter(0, ch); }
  void on_timer(platform::Handle h, uint32_t id) override {
    log.push_back("Timer " + std::to_string(h) + "/" + std::to_string(id));
    if (on_timer_hook) on_timer_hook(h, id);
  }
  void on_posted(platform::Handle h, uint32_t code, uintptr_t, intptr_t) override {
    log.push_back("Posted " + std::to_string(h) + "/" + std::to_string(code));
  }
};

}  // namespace headless_test
