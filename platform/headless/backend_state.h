// The headless backend's private state, shared by its source files.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/headless/event_core.h"
#include "platform/headless/headless_backend.h"
#include "platform/headless/window_model.h"

namespace platform::headless {

struct HeadlessBackend::State {
  uint32_t start_tick = 0;
  std::shared_ptr<detail::Core> core = std::make_shared<detail::Core>();
  detail::WindowTree tree;
  WindowSink* sink = nullptr;
  Handle focus = 0;
  std::vector<MessageBoxRecord> boxes;
  std::function<int(const MessageBoxRecord&)> answer;
  std::function<void(Handle, const std::string&)> text_observer;
  bool exit_throws = false;
  std::map<std::string, std::shared_ptr<SerialPeer>> peers;
  std::set<std::string> busy_paths;
  SerialOpener devices;  // when set, opens every serial device instead of the peers

  void notify(Handle h, Notify what) {
    if (sink) sink->on_notify(h, what);
  }
};

}  // namespace platform::headless
