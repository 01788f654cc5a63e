// In-memory serial devices: the tool's side of a line whose far end is a SerialPeer.
#pragma once

#include <memory>
#include <string>

#include "platform/headless/event_scheduler.h"
#include "platform/headless/serial_peer.h"
#include "platform/serial.h"

namespace platform::headless::detail {

// Opens a device bound to `peer` and tells the peer (on_open). The caller has checked that
// the path is free.
std::unique_ptr<SerialDevice> open_memory_device(const std::shared_ptr<EventScheduler>& scheduler,
                                                 const std::string& path, const std::shared_ptr<SerialPeer>& peer);

}  // namespace platform::headless::detail
