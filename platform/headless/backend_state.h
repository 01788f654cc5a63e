// The headless backend's private state, shared by its source files: the shared bookkeeping
// (windows, focus, sink calls) with the model of every window, the event scheduler, and what
// the tests script and inspect.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/headless/event_scheduler.h"
#include "platform/headless/headless_backend.h"
#include "platform/headless/window_model.h"
#include "platform/window_bookkeeping.h"

namespace platform::headless {

struct HeadlessBackend::State : WindowBookkeeping {
  detail::Window* find(Handle h) { return static_cast<detail::Window*>(windows.find(h)); }
  const detail::Window* find(Handle h) const { return static_cast<const detail::Window*>(windows.find(h)); }

  uint32_t start_tick = 0;
  std::shared_ptr<detail::EventScheduler> scheduler = std::make_shared<detail::EventScheduler>();
  std::vector<MessageBoxRecord> boxes;
  std::function<int(const MessageBoxRecord&)> answer;
  std::function<void(Handle, const std::string&)> text_observer;
  std::map<Handle, size_t> text_reads;  // whole texts read, by window
  bool exit_throws = false;
  std::map<std::string, std::shared_ptr<SerialPeer>> peers;
  std::set<std::string> busy_paths;
  SerialOpener devices;  // when set, opens every serial device instead of the peers
};

}  // namespace platform::headless
