#include "app/link.h"

#include <string>

#include "app/globals.h"
#include "app/state_record.h"
#include "app_texts.h"

namespace app {
namespace {

constexpr int32_t kReceiveWindowMs = 500;
constexpr int32_t kModeRequestDelayMs = 500;
constexpr int32_t kModeAnswerWaitMs = 1000;
constexpr int32_t kPollMs = 100;

// The link settings go to the port unit on every click, connect or disconnect. Returns the
// port number as chosen: 0 when the port box has no selection (its text was typed over).
int32_t write_port_settings() {
  int32_t port = read_int(unit::kPortBox, prop::kComboSelection) + 1;
  write_int(unit::kSerialPort, prop::kPortNumber, port);
  HeapText baud = read_text(unit::kLinkBaudBox, prop::kComboContent);
  write_int(unit::kSerialPort, prop::kBaudRate, to_int(baud.arg()));
  write_int(unit::kSerialPort, prop::kParity, 0);
  write_int(unit::kSerialPort, prop::kDataBits, 8);
  write_int(unit::kSerialPort, prop::kStopBits, 1);
  return port;
}

// Sends the bytes of `command` followed by CR LF as one byte array.
void send_line(const char* command) {
  std::string line(command);
  line += "\r\n";
  // A result record carries no tag of its own: the caller knows what the command returns.
  auto* data = static_cast<uint8_t*>(call(rt::kToBinary, {text_arg(line.c_str())}).pointer());
  call(rt::kSendData, {unit_arg(unit::kSerialPort), binary_arg(data)});
  rt::helpers().free(data);
}

// Why the port would not open, as one line of its own in the traffic monitor: a technician
// who never sees a terminal finds the reason beside the failure box.
void show_open_failure_reason() {
  HeapText reason(static_cast<char*>(call_special(rt::kFailureReason, {}).pointer()));
  if (reason.empty()) return;
  HeapText shown = read_text(unit::kMonitor, prop::kEditContent);
  std::string line;
  if (!shown.empty() && shown.view().back() != '\n') line += text(texts::crlf);
  line += reason.view();
  line += text(texts::crlf);
  call(rt::kAppendText, {unit_arg(unit::kMonitor), text_arg(line.c_str())});
}

bool reply_contains(const char* needle) {
  HeapText reply = byte_array_text(globals().reply);
  return contains(reply.arg(), needle);
}

}  // namespace

void show_status(const char* status) { write_text(unit::kStatusLine, prop::kLabelCaption, status); }

void on_connect_clicked() {
  const int32_t port = write_port_settings();
  Globals& g = globals();
  if (g.connected == 1) return drop_link(text(texts::status_not_connected));
  begin_operation(Operation::Connect);
  // Port 0 cannot be opened. The unit stores it as 1, so opening would reach COM1, a port
  // the technician never chose: refuse here instead.
  if (port >= 1 && call_int(rt::kOpenPort, {unit_arg(unit::kSerialPort)}) == 1) {
    g.connected = 1;
    record_handshake(Handshake::Waiting);
    write_text(unit::kConnectButton, prop::kButtonCaption, text(texts::caption_disconnect));
    show_status(text(texts::status_waiting));
    end_operation(Outcome::Succeeded);
  } else {
    g.connected = 0;
    show_open_failure_reason();
    end_operation(Outcome::Failed, texts::msg_port_open_failed);
    show_message(texts::msg_port_open_failed);
  }
}

void on_data_received(int32_t byte) {
  append_byte(globals().rx_pending, static_cast<uint8_t>(byte));
  // Writing the interval a running timer already has changes nothing, so the window is
  // measured from the burst's first byte.
  write_int(unit::kRxWindowTimer, prop::kTimerInterval, kReceiveWindowMs);
}

void on_rx_window_tick() {
  write_int(unit::kRxWindowTimer, prop::kTimerInterval, 0);
  Globals& g = globals();
  free_byte_array(g.reply);
  g.reply = copy_byte_array(g.rx_pending);
  free_byte_array(g.rx_pending);
  g.rx_pending = new_byte_array();
  HeapText burst = byte_array_text(g.reply);
  call(rt::kAppendText, {unit_arg(unit::kMonitor), text_arg(burst.arg())});
  if (contains(burst.arg(), text(texts::banner))) {
    write_int(unit::kModePollTimer, prop::kTimerInterval, kModeRequestDelayMs);
    record_handshake(Handshake::BannerSeen);
  }
}

void on_mode_poll_tick() {
  write_int(unit::kModePollTimer, prop::kTimerInterval, 0);
  send_line(text(texts::mode_request));
  delay(kModeAnswerWaitMs);
  if (!main_form_open()) return;
  // Disconnected during the wait: the tool stays not connected, whatever the DTU answered.
  if (globals().connected != 1) return;
  const bool confirmed = reply_contains(text(texts::mode_entered));
  if (confirmed) set_operation_buttons(true);
  record_handshake(confirmed ? Handshake::Confirmed : Handshake::Unconfirmed);
  show_status(text(texts::status_entering));
}

Exchange run_command(const char* command, const char* status, int poll_limit) {
  Globals& g = globals();
  free_byte_array(g.reply);
  g.reply = new_byte_array();
  send_line(command);
  show_status(status);
  for (int poll = 0; poll < poll_limit; ++poll) {
    delay(kPollMs);
    if (!main_form_open()) return Exchange::Abandoned;  // the window was closed: stop waiting
    // The user disconnected while we waited: an "OK" now would be claimed over a closed port.
    if (g.connected != 1) return Exchange::Abandoned;
    if (reply_contains(text(texts::ok))) return Exchange::Acknowledged;
  }
  return Exchange::Unanswered;
}

void drop_link(const char* status, BoxAt box, uint32_t message) {
  if (box == BoxAt::BeforeDrop) show_message(message);
  write_text(unit::kConnectButton, prop::kButtonCaption, text(texts::caption_connect));
  globals().connected = 0;
  set_operation_buttons(false);
  call(rt::kClosePort, {unit_arg(unit::kSerialPort)});
  if (box == BoxAt::AfterDrop) show_message(message);
  show_status(status);
}

}  // namespace app
