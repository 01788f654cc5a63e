// The line settings as the Win32 communications API takes them: what each setting changes in
// the driver's control block, what is turned off whoever left it, and that everything else
// keeps the driver's value.
#include <gtest/gtest.h>

#include "platform/win32/serial_line_settings.h"

namespace {

using namespace platform;

// A control block as a driver might report it, every field set to something recognisable.
DCB driver_block() {
  DCB d{};
  d.DCBlength = sizeof d;
  d.fDtrControl = DTR_CONTROL_ENABLE;
  d.fRtsControl = RTS_CONTROL_TOGGLE;
  d.fDsrSensitivity = 1;
  d.fOutxCtsFlow = d.fOutxDsrFlow = 1;
  d.fOutX = d.fInX = 1;
  d.fTXContinueOnXoff = 1;
  d.fNull = 1;
  d.fErrorChar = 1;
  d.fAbortOnError = 1;
  d.XonLim = 7;
  d.XoffLim = 9;
  d.XonChar = 'a';
  d.XoffChar = 'b';
  d.ErrorChar = 'e';
  d.EofChar = 'f';
  d.EvtChar = 'g';
  return d;
}

TEST(Win32LineSettings, CharacterFormatAndTheDriversOwnFields) {
  LineSettings s;
  s.baud_rate = 250000;
  s.data_bits = 7;
  s.stop_bits = StopBits::OneAndHalf;
  s.parity_check = true;
  s.parity = Parity::Space;
  DCB d = driver_block();
  win32::apply_line_settings(d, s);
  EXPECT_EQ(d.BaudRate, 250000u);
  EXPECT_EQ(d.ByteSize, 7);
  EXPECT_EQ(d.StopBits, ONE5STOPBITS);
  EXPECT_EQ(d.fParity, 1u);
  EXPECT_EQ(d.Parity, SPACEPARITY);
  EXPECT_EQ(d.fBinary, 1u);
  EXPECT_EQ(d.EvtChar, 'g');  // no event character: the driver's stays
  EXPECT_EQ(d.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));  // DTR unchanged
  EXPECT_EQ(d.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
  EXPECT_EQ(d.fDsrSensitivity, 0u);
  EXPECT_EQ(d.fOutxCtsFlow + d.fOutxDsrFlow + d.fOutX + d.fInX, 0u);
  EXPECT_EQ(d.XonLim, 7);  // flow-control details only change with XON/XOFF
  EXPECT_EQ(d.ErrorChar, 'e');
  EXPECT_EQ(d.EofChar, 'f');
  EXPECT_EQ(d.XonChar, 'a');  // different XON and XOFF characters are the driver's to keep
  EXPECT_EQ(d.XoffChar, 'b');
  EXPECT_EQ(d.fTXContinueOnXoff, 1u);
  // Left by another program, these would drop zero bytes, replace bytes with parity errors
  // and refuse every read and wait after a line error.
  EXPECT_EQ(d.fNull + d.fErrorChar + d.fAbortOnError, 0u);

  s.stop_bits = StopBits::Two;
  s.parity = Parity::Mark;
  s.event_char = '\r';
  s.rts = RtsMode::Off;
  s.dtr = DtrMode::Off;
  win32::apply_line_settings(d, s);
  EXPECT_EQ(d.StopBits, TWOSTOPBITS);
  EXPECT_EQ(d.Parity, MARKPARITY);
  EXPECT_EQ(d.EvtChar, '\r');
  EXPECT_EQ(d.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
  EXPECT_EQ(d.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
}

TEST(Win32LineSettings, FlowControlPutsItsLineInHandshakeMode) {
  struct Case {
    bool cts, dsr;
    RtsMode rts;
    DtrMode dtr;
    DWORD rts_control, dtr_control;
  };
  const Case cases[] = {
      {true, false, RtsMode::Handshake, DtrMode::On, RTS_CONTROL_HANDSHAKE, DTR_CONTROL_ENABLE},
      {true, false, RtsMode::On, DtrMode::Handshake, RTS_CONTROL_ENABLE, DTR_CONTROL_HANDSHAKE},
      {false, true, RtsMode::Handshake, DtrMode::Off, RTS_CONTROL_HANDSHAKE, DTR_CONTROL_DISABLE},
      {false, true, RtsMode::Off, DtrMode::Handshake, RTS_CONTROL_DISABLE, DTR_CONTROL_HANDSHAKE},
  };
  for (const Case& c : cases) {
    LineSettings s;
    s.cts_output_flow = c.cts;
    s.dsr_output_flow = c.dsr;
    s.rts = c.rts;
    s.dtr = c.dtr;
    DCB d = driver_block();
    win32::apply_line_settings(d, s);
    EXPECT_EQ(d.fOutxCtsFlow, c.cts ? 1u : 0u);
    EXPECT_EQ(d.fOutxDsrFlow, c.dsr ? 1u : 0u);
    EXPECT_EQ(d.fRtsControl, c.rts_control);
    EXPECT_EQ(d.fDtrControl, c.dtr_control);
    EXPECT_EQ(d.fOutX + d.fInX, 0u);
  }
  LineSettings xon;
  xon.xon_xoff = true;
  DCB d = driver_block();
  win32::apply_line_settings(d, xon);
  EXPECT_EQ(d.fOutX + d.fInX, 2u);
  EXPECT_EQ(d.XonChar, 0x11);
  EXPECT_EQ(d.XoffChar, 0x13);
  EXPECT_EQ(d.XonLim, 100);
  EXPECT_EQ(d.XoffLim, 100);

  // Equal characters, which the driver refuses, are replaced even without XON/XOFF.
  DCB same = driver_block();
  same.XonChar = same.XoffChar = 0;
  win32::apply_line_settings(same, LineSettings{});
  EXPECT_EQ(same.XonChar, 0x11);
  EXPECT_EQ(same.XoffChar, 0x13);
  EXPECT_EQ(same.XonLim, 7);
}

TEST(Win32LineSettings, TimeOutsAndEventMask) {
  LineSettings s;
  s.timeout_ms = 250;
  const COMMTIMEOUTS t = win32::line_timeouts(s);
  for (DWORD v : {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                  t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant})
    EXPECT_EQ(v, 250u);
  EXPECT_EQ(win32::line_event_mask(s), 0x1F9u);
  s.event_char = 'K';
  EXPECT_EQ(win32::line_event_mask(s), 0x1FBu);
}

}  // namespace
