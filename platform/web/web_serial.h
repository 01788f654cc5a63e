// Serial devices on the page: the browser's serial ports (page/serial.js). They live on the
// page's one thread, so a device posts its notifications to the serial port unit's window
// instead of being waited on by a worker; the browser's read of the port queues an event
// that the backend turns into that post.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/serial.h"

namespace platform::web {

class WebSerialDevice final : public SerialDevice {
 public:
  // Opens "COM<n>" (suspends while the browser's chooser is open); null with the reason.
  static std::unique_ptr<SerialDevice> open(const std::string& path, SerialError& error);
  ~WebSerialDevice() override;

  // The port with this device id has something to report: its notification is posted.
  static void notify(int device_id);

  bool posts_events(Handle window, uint32_t message) override;
  SerialError configure(const LineSettings& settings) override;
  void purge() override;
  uint32_t wait_event() override;
  void wake() override {}
  ErrorStatus clear_errors() override;
  bool read_byte(uint8_t& byte) override;
  ModemStatus modem_status() override { return {}; }
  WriteResult write(const uint8_t* data, size_t size) override;

 private:
  explicit WebSerialDevice(int id) : id_(id) {}
  void take_bytes();

  int id_;
  Handle window_ = 0;
  uint32_t message_ = 0;
  uint32_t timeout_ms_ = 1000;
  std::deque<uint8_t> rx_;  // taken from the page, not yet read
};

// The line settings as the browser's port takes them: JSON of its open options, or empty
// when the browser cannot apply them (1.5 stop bits, mark or space parity, DSR pacing,
// XON/XOFF, or data bits other than 7 and 8).
std::string port_options(const LineSettings& settings);

}  // namespace platform::web
