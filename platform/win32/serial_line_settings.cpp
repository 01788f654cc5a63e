#include "platform/win32/serial_line_settings.h"

namespace platform::win32 {

void apply_line_settings(DCB& dcb, const LineSettings& s) {
  dcb.BaudRate = s.baud_rate;
  dcb.ByteSize = s.data_bits;
  switch (s.stop_bits) {
    case StopBits::One: dcb.StopBits = ONESTOPBIT; break;
    case StopBits::OneAndHalf: dcb.StopBits = ONE5STOPBITS; break;
    case StopBits::Two: dcb.StopBits = TWOSTOPBITS; break;
  }
  dcb.fParity = s.parity_check ? 1 : 0;
  switch (s.parity) {
    case Parity::None: dcb.Parity = NOPARITY; break;
    case Parity::Odd: dcb.Parity = ODDPARITY; break;
    case Parity::Even: dcb.Parity = EVENPARITY; break;
    case Parity::Mark: dcb.Parity = MARKPARITY; break;
    case Parity::Space: dcb.Parity = SPACEPARITY; break;
  }
  if (s.event_char) dcb.EvtChar = static_cast<char>(*s.event_char);
  dcb.fBinary = 1;
  switch (s.rts) {
    case RtsMode::On: dcb.fRtsControl = RTS_CONTROL_ENABLE; break;
    case RtsMode::Off: dcb.fRtsControl = RTS_CONTROL_DISABLE; break;
    case RtsMode::Handshake: dcb.fRtsControl = RTS_CONTROL_HANDSHAKE; break;
  }
  switch (s.dtr) {
    case DtrMode::Unchanged: break;
    case DtrMode::On: dcb.fDtrControl = DTR_CONTROL_ENABLE; break;
    case DtrMode::Off: dcb.fDtrControl = DTR_CONTROL_DISABLE; break;
    case DtrMode::Handshake: dcb.fDtrControl = DTR_CONTROL_HANDSHAKE; break;
  }
  dcb.fDsrSensitivity = 0;
  // The driver keeps its control block from one opener to the next; what another program or
  // the driver's defaults left there must not break this link.
  dcb.fNull = 0;          // a received zero byte is data
  dcb.fErrorChar = 0;     // a byte received with a parity error arrives as it came
  dcb.fAbortOnError = 0;  // a line error is reported, not a reason to refuse reads and waits
  if (dcb.XonChar == dcb.XoffChar) {  // the driver refuses equal ones
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
  }
  dcb.fOutxCtsFlow = s.cts_output_flow ? 1 : 0;
  dcb.fOutxDsrFlow = s.dsr_output_flow ? 1 : 0;
  dcb.fOutX = dcb.fInX = s.xon_xoff ? 1 : 0;
  if (s.xon_xoff) {
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 100;
    dcb.XoffLim = 100;
  }
}

COMMTIMEOUTS line_timeouts(const LineSettings& s) {
  const DWORD t = s.timeout_ms;
  return COMMTIMEOUTS{t, t, t, t, t};
}

DWORD line_event_mask(const LineSettings& s) {
  DWORD mask = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;
  if (s.event_char) mask |= EV_RXFLAG;
  return mask;
}

}  // namespace platform::win32
