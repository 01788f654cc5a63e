#include "platform/web/web_serial.h"

#include <charconv>
#include <cstdio>
#include <map>

#include "platform/backend.h"
#include "platform/web/page.h"

namespace platform::web {
namespace {

// Open devices by the page's id, for the notifications.
std::map<int, WebSerialDevice*>& devices() {
  static std::map<int, WebSerialDevice*> open;
  return open;
}

SerialError error_of(int code) {
  switch (code) {
    case -1: return SerialError::NotFound;
    case -2: return SerialError::Permission;
    case -3: return SerialError::Busy;
    case -4: return SerialError::Unsupported;
    default: return SerialError::Io;
  }
}

}  // namespace

std::string port_options(const LineSettings& s) {
  if ((s.data_bits != 7 && s.data_bits != 8) || s.stop_bits == StopBits::OneAndHalf || s.parity == Parity::Mark ||
      s.parity == Parity::Space || s.dsr_output_flow || s.xon_xoff || s.baud_rate == 0)
    return {};
  const char* parity = s.parity == Parity::Odd ? "odd" : s.parity == Parity::Even ? "even" : "none";
  return "{\"baudRate\":" + std::to_string(s.baud_rate) + ",\"dataBits\":" + std::to_string(s.data_bits) +
         ",\"stopBits\":" + (s.stop_bits == StopBits::Two ? "2" : "1") + ",\"parity\":\"" + parity +
         "\",\"flowControl\":\"" + (s.cts_output_flow ? "hardware" : "none") + "\",\"bufferSize\":4096}";
}

std::unique_ptr<SerialDevice> WebSerialDevice::open(const std::string& path, SerialError& error) {
  int com = 0;
  const char* digits = path.c_str() + (path.rfind("COM", 0) == 0 ? 3 : path.size());
  const char* end = path.c_str() + path.size();
  if (digits == end || std::from_chars(digits, end, com).ptr != end || com < 1) {
    error = SerialError::NotFound;
    return nullptr;
  }
  const int id = page::serial_open(com);
  if (id < 0) {
    error = error_of(id);
    return nullptr;
  }
  error = SerialError::None;
  std::unique_ptr<WebSerialDevice> device(new WebSerialDevice(id));
  devices()[id] = device.get();
  return device;
}

WebSerialDevice::~WebSerialDevice() {
  devices().erase(id_);
  page::serial_close(id_);
}

void WebSerialDevice::notify(int device_id) {
  auto it = devices().find(device_id);
  if (it != devices().end() && it->second->window_ != 0) backend().post(it->second->window_, it->second->message_);
}

bool WebSerialDevice::posts_events(Handle window, uint32_t message) {
  window_ = window;
  message_ = message;
  return true;
}

// DTR and RTS are raised unless the settings hold them off (the browser cannot leave DTR
// as the system had it, and has no handshake on it).
SerialError WebSerialDevice::configure(const LineSettings& settings) {
  const std::string options = port_options(settings);
  if (options.empty()) return SerialError::Unsupported;
  timeout_ms_ = settings.timeout_ms;
  const int result =
      page::serial_configure(id_, options, settings.dtr != DtrMode::Off, settings.rts != RtsMode::Off);
  return result == 0 ? SerialError::None : error_of(result);
}

void WebSerialDevice::purge() {
  rx_.clear();
  page::serial_purge(id_);
}

void WebSerialDevice::take_bytes() {
  uint8_t chunk[4096];
  for (;;) {
    const size_t n = page::serial_take_bytes(id_, chunk, sizeof chunk);
    rx_.insert(rx_.end(), chunk, chunk + n);
    if (n < sizeof chunk) return;
  }
}

// Never waits: what the page has gathered since the last call.
uint32_t WebSerialDevice::wait_event() {
  uint32_t events = page::serial_take_events(id_);
  take_bytes();
  if (!rx_.empty()) events |= kEvRxChar;
  return events;
}

ErrorStatus WebSerialDevice::clear_errors() {
  const uint32_t e = page::serial_take_errors(id_);
  ErrorStatus s;
  s.overrun = (e & 1) != 0;
  s.parity = (e & 2) != 0;
  s.framing = (e & 4) != 0;
  s.queued = rx_.size();
  return s;
}

bool WebSerialDevice::read_byte(uint8_t& byte) {
  if (rx_.empty()) return false;
  byte = rx_.front();
  rx_.pop_front();
  return true;
}

WriteResult WebSerialDevice::write(const uint8_t* data, size_t size) {
  const bool ok = page::serial_write(id_, data, size, timeout_ms_);
  return {ok, ok ? size : 0};
}

}  // namespace platform::web
