// The serial engine of the serial port unit: one device, one worker thread that performs
// every wait, read and write on it, and a mutex-guarded notification queue that carries
// received bytes and line events to the UI thread. A posted message delivers every entry
// queued by then, so one message stands for all the entries that join a non-empty queue: a
// streaming line costs a message per batch, not one per byte.
//
// A device that posts its own notifications (SerialDevice::posts_events: the browser's
// ports, which only the page's one thread may touch) gets no worker: the UI thread reads it
// when its message arrives, exactly as the worker would, and writes it itself. Everything
// else, from the queue to the events raised, is the same.
//
// UI thread: open, close, send, dispatch. Worker: everything on the device after open.
// Two locks: signal_mutex_ for the stop and write hand-over, queue_mutex_ for the
// notification queue. The only nesting is signal_mutex_ inside queue_mutex_ (the worker
// asks interrupted() while it waits for queue space). Neither is held while calling out of
// this class: the device, the backend's post and the handlers run with no lock held.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/mutex.h"
#include "platform/serial.h"
#include "platform/window_types.h"

namespace units {

// The notification message posted to the port's window, and the queue codes.
inline constexpr uint32_t kNotifyMessage = 0x401;
inline constexpr uint32_t kCodeByte = 0x408;
inline constexpr uint32_t kCodeBreak = 0x402, kCodeCtsOn = 0x403, kCodeDsrOn = 0x404, kCodeLineError = 0x405,
                          kCodeRing = 0x406, kCodeRlsdOn = 0x407, kCodeEventChar = 0x409, kCodeCtsOff = 0x40A,
                          kCodeDsrOff = 0x40B, kCodeRlsdOff = 0x40C;

// How devices are opened: the backend's open_serial unless replaced (tests and benchmarks
// drive a real pseudo-terminal under the headless backend this way). Null restores it.
using DeviceOpener = std::function<std::unique_ptr<platform::SerialDevice>(const std::string&, platform::SerialError&)>;
void set_device_opener(DeviceOpener opener);

// Why the most recent open failed: at which step, and what the device reported. This is how
// an open failure leaves the port: its command hands it to the window (open_failure_text and
// the failure reason); the port itself prints nothing.
struct OpenFailure {
  enum class Step { None, PortNumber, Device, LineSettings, Worker };
  Step step = Step::None;
  platform::SerialError error = platform::SerialError::None;
  int port_number = 0;
  std::string path;  // the device the port number names
};

class CommPort {
 public:
  CommPort() = default;
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;
  virtual ~CommPort();  // closes

  // Closes first, then opens COM `port_number` with `settings` and starts the worker.
  bool open(int port_number, const platform::LineSettings& settings) EXCLUDES(signal_mutex_, queue_mutex_);
  // Stops the worker, closes the device and drops queued notifications. Harmless when closed.
  void close() EXCLUDES(signal_mutex_, queue_mutex_);
  // Blocks until the worker has written; true when all bytes went out (or there were none).
  bool send(const uint8_t* data, int64_t count) EXCLUDES(signal_mutex_);
  bool is_open() const { return worker_.joinable() || posting_; }
  // Step None after a successful open.
  const OpenFailure& open_failure() const { return failure_; }

 protected:
  // Where the worker posts its notifications; set before open.
  void set_notify_window(platform::Handle window) { window_ = window; }
  platform::Handle notify_window() const { return window_; }
  // UI thread, on kNotifyMessage: delivers every queued entry in order.
  void dispatch() EXCLUDES(queue_mutex_);

  // Called on the UI thread by dispatch.
  virtual void on_line_event(int /*kind*/) {}
  virtual void on_byte_received(uint8_t /*byte*/) {}

 private:
  struct Entry {
    uint32_t code, value;
  };
  void run_worker(platform::SerialDevice* device, platform::Handle window) EXCLUDES(signal_mutex_);
  // What the device reported: gone (queued once), line events and received bytes.
  void take_events(platform::SerialDevice& device, uint32_t events, bool& gone, platform::Handle window);
  void handle_events(platform::SerialDevice& device, uint32_t events, platform::Handle window);
  void drain_input(platform::SerialDevice& device, platform::Handle window);
  void perform_write(platform::SerialDevice& device, bool device_gone) EXCLUDES(signal_mutex_);
  static bool write_through(platform::SerialDevice& device, const uint8_t* data, size_t size, bool device_gone);
  void queue(uint32_t code, uint32_t value, platform::Handle window) EXCLUDES(queue_mutex_);
  void post_unless_posted(platform::Handle window);
  bool interrupted() EXCLUDES(signal_mutex_);  // a stop or write request is waiting for the worker
  void signal_worker() EXCLUDES(signal_mutex_, queue_mutex_);

  platform::Handle window_ = 0;
  OpenFailure failure_;
  // A notification message is on its way and has not started its dispatch yet. Set by
  // whoever posts it (the worker, or dispatch for the entries it still holds).
  std::atomic<bool> message_posted_{false};
  std::unique_ptr<platform::SerialDevice> device_;
  std::thread worker_;
  // The open device posts its own notifications; there is no worker. Written by the UI
  // thread only while no worker runs, so the worker never sees it change.
  bool posting_ = false;
  bool posting_gone_ = false;  // UI thread: the posting device has reported itself gone

  // Stop and write-request signalling, with the pending write and its result. The worker
  // takes the pending bytes out under the lock and writes them without it.
  platform::Mutex signal_mutex_;
  std::condition_variable signal_cv_;
  bool stop_requested_ GUARDED_BY(signal_mutex_) = false;
  bool write_requested_ GUARDED_BY(signal_mutex_) = false;
  bool write_done_ GUARDED_BY(signal_mutex_) = false;
  std::vector<uint8_t> pending_write_ GUARDED_BY(signal_mutex_);
  bool write_result_ GUARDED_BY(signal_mutex_) = false;

  // The notification queue: two parallel arrays, appended by the worker. When the UI thread
  // falls this far behind, the worker stops reading until a dispatch makes room: the bytes
  // wait in the driver (paced by flow control where the line has it) instead of memory
  // growing without bound.
  static constexpr size_t kQueueLimit = 65536;
  platform::Mutex queue_mutex_;
  std::condition_variable queue_space_;
  std::vector<uint32_t> codes_ GUARDED_BY(queue_mutex_);
  std::vector<uint32_t> values_ GUARDED_BY(queue_mutex_);

  // Entries taken from the queue and not yet delivered (UI thread only). A dispatch nested
  // inside a handler continues this list first, so entries are never delivered out of order.
  std::deque<Entry> delivering_;
};

}  // namespace units
