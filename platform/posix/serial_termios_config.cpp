#include "platform/posix/serial_termios_config.h"

#include <errno.h>
#include <sys/ioctl.h>
#include <termios.h>

#include "platform/posix/serial_errno.h"
#include "platform/posix/serial_termios_baud.h"

namespace platform::posix {
namespace {

struct Speed {
  uint32_t baud;
  speed_t code;
};
constexpr Speed kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool standard_speed(uint32_t baud, speed_t& code) {
  for (const Speed& s : kSpeeds) {
    if (s.baud == baud) {
      code = s.code;
      return true;
    }
  }
  return false;
}

bool set_character_format(termios& tio, const LineSettings& s) {
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  switch (s.data_bits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    case 8: tio.c_cflag |= CS8; break;
    default: return false;
  }
  // termios knows one or two stop bits; one and a half is sent as two, which every
  // receiver set to one and a half accepts.
  if (s.stop_bits != StopBits::One) tio.c_cflag |= CSTOPB;
  switch (s.parity) {
    case Parity::None: break;
    case Parity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: tio.c_cflag |= PARENB; break;
    case Parity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case Parity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
  }
  return true;
}

void set_flow_control(termios& tio, const LineSettings& s) {
  // termios paces output by CTS and input by RTS as one switch. Pacing by DSR or DTR has no
  // termios equivalent and is left off.
  if (s.cts_output_flow || s.rts == RtsMode::Handshake) tio.c_cflag |= CRTSCTS;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (s.xon_xoff) {
    tio.c_iflag |= IXON | IXOFF;
    tio.c_cc[VSTART] = 0x11;
    tio.c_cc[VSTOP] = 0x13;
  }
}

// The error of the call that just failed, read before anything else can overwrite errno.
SerialError last_error() { return serial_error_from_errno(errno, true); }

// RTS and DTR held on or off. A pseudo-terminal has no modem lines and refuses these
// requests; that is not an error for the caller, but a device that went away is.
SerialError set_modem_lines(int fd, const LineSettings& s) {
  struct Change {
    bool wanted;
    unsigned long request;
    int bit;
  };
  const Change changes[] = {{s.rts == RtsMode::On, TIOCMBIS, TIOCM_RTS},
                            {s.rts == RtsMode::Off, TIOCMBIC, TIOCM_RTS},
                            {s.dtr == DtrMode::On, TIOCMBIS, TIOCM_DTR},
                            {s.dtr == DtrMode::Off, TIOCMBIC, TIOCM_DTR}};
  for (Change c : changes) {
    if (!c.wanted || ioctl(fd, c.request, &c.bit) == 0) continue;
    if (last_error() == SerialError::Gone) return SerialError::Gone;
  }
  return SerialError::None;
}

}  // namespace

SerialError apply_line_settings(int fd, const LineSettings& s) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return last_error();
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
  tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | IGNPAR | PARMRK | IGNBRK | BRKINT);
  if (s.parity_check) tio.c_iflag |= INPCK;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (!set_character_format(tio, s)) return SerialError::Unsupported;
  set_flow_control(tio, s);

  speed_t code = B0;
  bool standard = standard_speed(s.baud_rate, code);
  if (s.baud_rate == 0) return SerialError::Unsupported;  // B0 would hang the line up
  if (standard) {
    cfsetispeed(&tio, code);
    cfsetospeed(&tio, code);
  }
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return last_error();
  if (!standard && !set_custom_baud(fd, s.baud_rate)) return last_error();
  return set_modem_lines(fd, s);
}

}  // namespace platform::posix
