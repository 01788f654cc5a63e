#include "units/comm_port.h"

#include <system_error>

#include "platform/backend.h"
#include "platform/process.h"

namespace units {
namespace {

DeviceOpener& device_opener() {
  static DeviceOpener opener;
  return opener;
}

std::unique_ptr<platform::SerialDevice> open_device(const std::string& path, platform::SerialError& error) {
  if (device_opener()) return device_opener()(path, error);
  return platform::backend().open_serial(path, error);
}

// Line-event kind of a queue code; 0 for codes that carry none.
int kind_of(uint32_t code) {
  switch (code) {
    case kCodeBreak: return 1;
    case kCodeCtsOn: return 2;
    case kCodeDsrOn: return 3;
    case kCodeLineError: return 4;
    case kCodeRing: return 5;
    case kCodeRlsdOn: return 6;
    case kCodeEventChar: return 7;
    case kCodeCtsOff: return 8;
    case kCodeDsrOff: return 9;
    case kCodeRlsdOff: return 10;
    default: return 0;
  }
}

}  // namespace

void set_device_opener(DeviceOpener opener) { device_opener() = std::move(opener); }

CommPort::~CommPort() { close(); }

bool CommPort::open(int port_number, const platform::LineSettings& settings) {
  close();
  failure_ = {OpenFailure::Step::PortNumber, platform::SerialError::NotFound, port_number, {}};
  if (port_number < 1) return false;
  const std::string path = platform::serial_device_path(port_number);
  failure_.path = path;
  platform::SerialError error = platform::SerialError::None;
  std::unique_ptr<platform::SerialDevice> device = open_device(path, error);
  if (!device) {
    failure_.step = OpenFailure::Step::Device;
    failure_.error = error;
    return false;
  }
  error = device->configure(settings);
  if (error != platform::SerialError::None) {
    failure_.step = OpenFailure::Step::LineSettings;
    failure_.error = error;
    return false;
  }
  device->purge();
  device_ = std::move(device);
  if (device_->posts_events(window_, kNotifyMessage)) {
    posting_ = true;
    posting_gone_ = false;
    failure_ = {};
    return true;
  }
  try {
    worker_ = std::thread(&CommPort::run_worker, this, device_.get(), window_);
  } catch (const std::system_error&) {
    // No thread to be had (the system is out of them): the port stays closed.
    device_.reset();
    failure_.step = OpenFailure::Step::Worker;
    failure_.error = platform::SerialError::Io;
    return false;
  }
  failure_ = {};
  return true;
}

void CommPort::close() {
  if (worker_.joinable()) {
    {
      platform::MutexLock lock(signal_mutex_);
      stop_requested_ = true;
    }
    signal_worker();
    worker_.join();
    platform::MutexLock lock(signal_mutex_);
    stop_requested_ = write_requested_ = write_done_ = false;
    pending_write_.clear();
  }
  posting_ = false;
  device_.reset();
  platform::MutexLock lock(queue_mutex_);
  codes_.clear();
  values_.clear();
}

bool CommPort::send(const uint8_t* data, int64_t count) {
  if (!is_open() || count < 0) return false;
  if (count == 0) return true;
  if (posting_) return write_through(*device_, data, static_cast<size_t>(count), posting_gone_);
  {
    platform::MutexLock lock(signal_mutex_);
    pending_write_.assign(data, data + count);
    write_requested_ = true;
    write_done_ = false;
  }
  signal_worker();
  platform::MutexLock lock(signal_mutex_);
  while (!write_done_) lock.wait(signal_cv_);
  write_done_ = false;
  return write_result_;
}

void CommPort::signal_worker() {
  signal_cv_.notify_all();
  // Taking the queue lock orders this after a worker's check of interrupted(), so a worker
  // waiting for queue space cannot miss the request.
  { platform::MutexLock lock(queue_mutex_); }
  queue_space_.notify_all();
  device_->wake();
}

bool CommPort::interrupted() {
  platform::MutexLock lock(signal_mutex_);
  return stop_requested_ || write_requested_;
}

void CommPort::run_worker(platform::SerialDevice* device, platform::Handle window) {
  device->purge();
  bool gone = false;
  for (;;) {
    // After the device went away it reports nothing more; only our own wake-ups end this.
    const uint32_t events = device->wait_event();
    bool stop, write;
    {
      platform::MutexLock lock(signal_mutex_);
      stop = stop_requested_;
      write = write_requested_;
    }
    if (stop) return;
    take_events(*device, events, gone, window);
    if (write) perform_write(*device, gone);
  }
}

void CommPort::take_events(platform::SerialDevice& device, uint32_t events, bool& gone, platform::Handle window) {
  if ((events & platform::kEvGone) && !gone) {
    gone = true;
    queue(kCodeLineError, 0, window);
  }
  if (events & ~platform::kEvGone) handle_events(device, events, window);
}

void CommPort::handle_events(platform::SerialDevice& device, uint32_t events, platform::Handle window) {
  using namespace platform;
  if (events & kEvBreak) queue(kCodeBreak, 0, window);
  if (events & kEvErr) queue(kCodeLineError, 0, window);
  if (events & kEvRxFlag) queue(kCodeEventChar, 0, window);
  if (events & kEvRing) queue(kCodeRing, 0, window);
  if (events & (kEvCts | kEvDsr | kEvRlsd)) {
    const ModemStatus status = device.modem_status();
    if (events & kEvCts) queue(status.cts ? kCodeCtsOn : kCodeCtsOff, 0, window);
    if (events & kEvDsr) queue(status.dsr ? kCodeDsrOn : kCodeDsrOff, 0, window);
    if (events & kEvRlsd) queue(status.rlsd ? kCodeRlsdOn : kCodeRlsdOff, 0, window);
  }
  drain_input(device, window);
}

// Every queued byte becomes its own entry; an error found on the way is queued before the
// bytes read after it.
void CommPort::drain_input(platform::SerialDevice& device, platform::Handle window) {
  for (;;) {
    const platform::ErrorStatus status = device.clear_errors();
    if (status.overrun || status.parity || status.framing) queue(kCodeLineError, 0, window);
    if (status.queued == 0) return;
    uint8_t byte = 0;
    if (!device.read_byte(byte)) return;  // the next line event brings the rest
    queue(kCodeByte, byte, window);
    // A stop or write goes first; a write empties the input anyway, and what is left of it
    // otherwise wakes the worker again.
    if (interrupted()) return;
  }
}

void CommPort::perform_write(platform::SerialDevice& device, bool device_gone) {
  std::vector<uint8_t> data;
  {
    platform::MutexLock lock(signal_mutex_);
    data.swap(pending_write_);
  }
  const bool ok = write_through(device, data.data(), data.size(), device_gone);
  {
    platform::MutexLock lock(signal_mutex_);
    write_result_ = ok;
    write_requested_ = false;
    write_done_ = true;
  }
  signal_cv_.notify_all();
}

bool CommPort::write_through(platform::SerialDevice& device, const uint8_t* data, size_t size, bool device_gone) {
  if (device_gone) return false;
  device.purge();
  const platform::WriteResult r = device.write(data, size);
  // A write cut short by the write time-out did not deliver the data: a failure.
  return r.ok && r.written == size;
}

// The entry joins the queue under the lock; the message is posted after the lock is
// released, so the worker is never inside the backend (and its locks) holding ours, and a
// dispatch never waits for a post in progress. Only when no message is on its way: the one
// that is takes this entry too. A dispatch that runs in between delivers the entry early
// and the message then finds the queue empty, which is harmless.
void CommPort::queue(uint32_t code, uint32_t value, platform::Handle window) {
  {
    platform::MutexLock lock(queue_mutex_);
    // A posting device is read on the UI thread, which would wait here for itself; it holds
    // back what the UI thread has not taken yet by itself.
    while (!posting_ && codes_.size() >= kQueueLimit && !interrupted()) lock.wait(queue_space_);
    codes_.push_back(code);
    values_.push_back(value);
  }
  post_unless_posted(window);
}

void CommPort::post_unless_posted(platform::Handle window) {
  if (!message_posted_.exchange(true)) platform::backend().post(window, kNotifyMessage);
}

void CommPort::dispatch() {
  const platform::Handle window = window_;
  // A posting device is read now, before the flag below: what this queues is delivered by
  // this dispatch and needs no message of its own.
  if (posting_) take_events(*device_, device_->wait_event(), posting_gone_, window);
  message_posted_.store(false);  // entries queued from now on need a message of their own
  {
    platform::MutexLock lock(queue_mutex_);
    for (size_t i = 0; i < codes_.size(); ++i) delivering_.push_back({codes_[i], values_[i]});
    codes_.clear();
    values_.clear();
  }
  queue_space_.notify_all();
  while (!delivering_.empty()) {
    const Entry e = delivering_.front();
    delivering_.pop_front();
    // A handler that dispatches messages itself (delay) gets the rest delivered in there,
    // as it would with a message per entry.
    if (!delivering_.empty()) post_unless_posted(window);
    if (e.code == kCodeByte) {
      on_byte_received(static_cast<uint8_t>(e.value));
    } else if (int kind = kind_of(e.code)) {
      on_line_event(kind);
    }
    // A handler may have destroyed the window, and with it this port: touch nothing then.
    if (!platform::backend().exists(window)) return;
  }
}

}  // namespace units
