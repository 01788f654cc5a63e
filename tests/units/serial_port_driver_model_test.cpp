// The serial port unit on the Win32 serial device's own code, against a model of the Windows
// serial driver (tests/units/comm_driver_model.h): the comm-event path a technician's PC
// takes, its drop to waiting by reading, line errors with abort on errors, purges and
// unplugging. The model does nothing by itself, so each step is the test's; waits are for
// conditions, with deadlines.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/serial_device.h"
#include "tests/units/comm_driver_model.h"
#include "tests/units/serial_port_test_support.h"

namespace units::test {
namespace {

// A port number no other test program under the same Wine server claims.
constexpr int kModelCom = 57;
const std::string kPowerUp = "Press %%%%%%%%% into setting mode\r\n";

class SerialDriverModelTest : public SerialUnitTest {
 protected:
  void SetUp() override {
    SerialUnitTest::SetUp();
    set_device_opener([this](const std::string& path, platform::SerialError& error) {
      return platform::win32::open_serial_device_on(driver, path, error);
    });
    make(kModelCom);
  }
  // Opens the port and waits until its worker waits.
  void open() {
    ASSERT_TRUE(open_port());
    ASSERT_TRUE(driver.await_parked());
  }
  // The bytes and line-event kinds the worker has queued by the time it waits again.
  std::string parked_text() {
    EXPECT_TRUE(driver.await_parked());
    ui.process_pending();
    return text();
  }
  std::string text() const {
    std::string s;
    for (int32_t b : received()) s.push_back(static_cast<char>(b));
    return s;
  }
  // Dispatches the UI queue until `done` holds (at most 5 s).
  template <class Pred>
  bool pump_until(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      ui.process_pending();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // Waiting for comm events: a wait pending, no read.
  bool in_event_mode() const { return driver.wait_pending() && !driver.read_pending(); }
  int count_kind(int kind) const {
    const std::vector<int32_t> kinds = line_kinds();
    return static_cast<int>(std::count(kinds.begin(), kinds.end(), kind));
  }

  CommDriverModel driver{L"\\\\.\\COM" + std::to_wstring(kModelCom)};
};

TEST_F(SerialDriverModelTest, WaitsForCommEventsAndReadsInChunks) {
  set_text(kEventChar, "\n");
  open();
  EXPECT_EQ(driver.mask(), 0x1FBu);
  EXPECT_TRUE(in_event_mode());

  driver.receive("OK\r\n");
  EXPECT_EQ(parked_text(), "OK\r\n");
  EXPECT_EQ(count_kind(7), 1);
  EXPECT_TRUE(in_event_mode());

  // Modem lines and break, one change at a time.
  fake_host().events.clear();
  for (auto change : std::vector<std::function<void()>>{
           [&] { driver.set_modem(MS_CTS_ON | MS_RLSD_ON); }, [&] { driver.line_error(CE_BREAK); },
           [&] { driver.set_modem(MS_RLSD_ON | MS_RING_ON); }, [&] { driver.set_modem(MS_DSR_ON); }}) {
    change();
    ASSERT_TRUE(driver.await_parked());
  }
  ui.process_pending();
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{2, 6, 1, 5, 8, 3, 10}));

  // A long burst comes in reads of what the driver holds, not a byte at a time.
  std::string burst;
  for (int i = 0; i < 5000; ++i) burst.push_back(static_cast<char>('a' + i % 26));
  const size_t reads_before = driver.read_sizes().size();
  driver.receive(burst);
  EXPECT_EQ(parked_text(), burst);
  const std::vector<DWORD> sizes = driver.read_sizes();
  ASSERT_GT(sizes.size(), reads_before);
  EXPECT_LE(sizes.size() - reads_before, 4u);
  EXPECT_EQ(*std::max_element(sizes.begin() + reads_before, sizes.end()), 4096u);
  EXPECT_TRUE(in_event_mode());
}

// A send purges while the comm-event wait stays pending; the reply ends that same wait. A
// close ends the wait, frees the port and leaves the driver's settings for the next opener.
TEST_F(SerialDriverModelTest, ASendPurgesUnderThePendingWaitAndACloseEndsIt) {
  open();
  const int waits = driver.calls(CommCall::WaitCommEvent);
  const size_t purges = driver.purges().size();
  EXPECT_TRUE(send_text("AT\r\n"));
  EXPECT_EQ(driver.transmitted(), "AT\r\n");
  ASSERT_EQ(driver.purges().size(), purges + 1);
  EXPECT_EQ(driver.purges().back(), DWORD{PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR});
  EXPECT_TRUE(driver.wait_pending());
  EXPECT_EQ(driver.calls(CommCall::WaitCommEvent), waits);
  driver.receive("OK\r\n");
  EXPECT_EQ(parked_text(), "OK\r\n");

  close_port();
  EXPECT_FALSE(driver.is_open());
  EXPECT_FALSE(driver.wait_pending());
  EXPECT_EQ(driver.dcb().BaudRate, 19200u);
  open();
  driver.receive("again");
  EXPECT_EQ(parked_text(), "OK\r\nagain");
}

// The control block lives on from one opener to the next. Left as another program or the
// driver's defaults had it, it would refuse the open (equal XON and XOFF), drop received zero
// bytes, replace bytes with parity errors, and fail every operation after a line error.
TEST_F(SerialDriverModelTest, TheOpenMendsWhatThePreviousOpenerLeftInTheDriver) {
  DCB left = driver.dcb();
  left.XonChar = left.XoffChar = 0;
  left.fNull = 1;
  left.fErrorChar = 1;
  left.ErrorChar = '?';
  left.fAbortOnError = 1;
  left.fDtrControl = DTR_CONTROL_DISABLE;
  driver.set_dcb(left);
  set(kParityCheck, 1);
  open();

  const DCB d = driver.dcb();
  EXPECT_EQ(d.XonChar, 0x11);
  EXPECT_EQ(d.XoffChar, 0x13);
  EXPECT_EQ(d.fNull + d.fErrorChar + d.fAbortOnError, 0u);
  EXPECT_EQ(d.fDtrControl, DWORD{DTR_CONTROL_DISABLE});  // DTR as the driver had it
  EXPECT_EQ(d.fRtsControl, DWORD{RTS_CONTROL_ENABLE});
  EXPECT_EQ(d.fParity, 1u);

  driver.receive(std::string("A\0", 2));
  driver.line_error(CE_RXPARITY, 'B');
  driver.receive("C");
  EXPECT_EQ(parked_text(), std::string("A\0BC", 4));
  EXPECT_GE(count_kind(4), 1);
  EXPECT_TRUE(in_event_mode());
}

// A driver left aborting on errors by the port's previous opener, with the DTU already
// sending (or at another baud rate): a line error may come before any call of the open, and
// until the open's last call turns that setting off the driver refuses every call but
// ClearCommError. The open clears the error and goes on, wherever it came, and leaves the
// driver no longer aborting on errors.
TEST_F(SerialDriverModelTest, ALineErrorBeforeAnyCallOfTheOpenIsClearedAndTheOpenGoesOn) {
  struct Point {
    const char* name;
    CommCall call;
    int nth;  // of that call in the open
  };
  const std::vector<Point> points = {
      {"ClearCommError", CommCall::ClearCommError, 1}, {"GetCommState", CommCall::GetCommState, 1},
      {"SetCommTimeouts", CommCall::SetCommTimeouts, 1}, {"SetCommMask", CommCall::SetCommMask, 1},
      {"the second GetCommState", CommCall::GetCommState, 2}, {"SetCommState", CommCall::SetCommState, 1},
      {"PurgeComm", CommCall::PurgeComm, 1}};
  DCB left = driver.dcb();
  left.fAbortOnError = 1;
  for (const Point& p : points) {
    SCOPED_TRACE(std::string("a line error before ") + p.name);
    driver.set_dcb(left);
    fake_host().events.clear();
    bool came = false;
    std::function<void()> error = [&] {
      came = true;
      driver.line_error(CE_FRAME, 0xE0);
    };
    for (int n = p.nth; n > 1; --n) error = [this, p, error] { driver.before_next(p.call, error); };
    driver.before_next(p.call, error);
    ASSERT_TRUE(open_port());
    EXPECT_TRUE(came);
    EXPECT_EQ(driver.dcb().fAbortOnError, 0u);
    ASSERT_TRUE(driver.await_parked());
    driver.receive("OK\r\n");
    EXPECT_EQ(parked_text(), "OK\r\n");
    EXPECT_TRUE(in_event_mode());
    close_port();
  }
}

// Power-up noise on a driver left aborting on errors: a line error lands while the worker
// reads, then another one while it waits. The banner after it must still arrive.
TEST_F(SerialDriverModelTest, APowerUpBurstOfLineErrorsDoesNotCutTheLink) {
  DCB left = driver.dcb();
  left.fAbortOnError = 1;
  driver.set_dcb(left);
  open();
  driver.before_next(CommCall::ReadFile, [&] { driver.line_error(CE_FRAME, 0xE0); });
  driver.receive("\x80");
  EXPECT_EQ(parked_text(), "\x80\xE0");
  driver.line_error(CE_FRAME | CE_OVERRUN, 0xFC);
  driver.receive(kPowerUp);
  EXPECT_EQ(parked_text(), "\x80\xE0\xFC" + kPowerUp);
  EXPECT_GE(count_kind(4), 2);
  EXPECT_TRUE(in_event_mode());
}

// Some drivers abort on line errors whatever the control block says. An operation refused
// so is taken as the line error it is: the error cleared and the operation made again. No
// byte is lost, the worker keeps waiting for comm events, modem lines are read right and a
// send goes out.
TEST_F(SerialDriverModelTest, OperationsRefusedForALineErrorGoOnOnceItIsCleared) {
  driver.abort_on_errors_always(true);
  open();
  // Refused: the chunk read, then the wait that follows it.
  driver.before_next(CommCall::ReadFile, [&] { driver.line_error(CE_FRAME, 0xE0); });
  driver.before_next(CommCall::WaitCommEvent, [&] { driver.line_error(CE_OVERRUN); });
  driver.receive("\x80");
  EXPECT_EQ(parked_text(), "\x80\xE0");
  EXPECT_TRUE(in_event_mode());
  driver.receive(kPowerUp);
  EXPECT_EQ(parked_text(), "\x80\xE0" + kPowerUp);
  EXPECT_TRUE(in_event_mode());

  // The modem status asked for a CTS change.
  const size_t seen = line_kinds().size();
  driver.before_next(CommCall::GetCommModemStatus, [&] { driver.line_error(CE_FRAME); });
  driver.set_modem(MS_CTS_ON);
  ASSERT_TRUE(driver.await_parked());
  ui.process_pending();
  const std::vector<int32_t> kinds = line_kinds();
  ASSERT_GE(kinds.size(), seen + 2);
  EXPECT_EQ(kinds[seen], 2);  // CTS on, then the error
  EXPECT_TRUE(std::all_of(kinds.begin() + seen + 1, kinds.end(), [](int32_t k) { return k == 4; }));

  // The purge and write of a send; what came before the purge is not read.
  driver.before_next(CommCall::PurgeComm, [&] { driver.line_error(CE_RXPARITY, 'x'); });
  EXPECT_TRUE(send_text("%%%%%%%%%%\r\n"));
  EXPECT_EQ(driver.transmitted(), "%%%%%%%%%%\r\n");
  driver.before_next(CommCall::WriteFile, [&] { driver.line_error(CE_FRAME); });
  EXPECT_TRUE(send_text("%LIST\r\n"));
  EXPECT_EQ(driver.transmitted(), "%%%%%%%%%%\r\n%LIST\r\n");
  driver.receive("OK\r\n");
  EXPECT_EQ(parked_text(), "\x80\xE0" + kPowerUp + "OK\r\n");
  EXPECT_TRUE(in_event_mode());
}

// Input that comes just before a wait begins: a driver that keeps the event completes the
// wait at once; one that keeps none (some adapters' drivers) must not leave it waiting for
// the next byte.
TEST_F(SerialDriverModelTest, InputJustBeforeAWaitBeginsIsReadAtOnce) {
  open();
  driver.before_next(CommCall::WaitCommEvent, [&] { driver.receive("bc"); });
  driver.receive("a");
  EXPECT_EQ(parked_text(), "abc");

  driver.forget_events_without_wait(true);
  driver.before_next(CommCall::WaitCommEvent, [&] { driver.receive("ef"); });
  driver.receive("d");
  EXPECT_TRUE(pump_until([&] { return text() == "abcdef"; })) << text();
  EXPECT_TRUE(in_event_mode());
}

// A driver whose comm-event waits keep failing is waited on by reading; one failed wait is
// not enough. Reading so, idle time-outs, purges and line errors do not end the link.
TEST_F(SerialDriverModelTest, WaitsByReadingOnlyAfterRepeatedFailedWaits) {
  set_text(kEventChar, "\n");
  open();
  driver.before_next(CommCall::WaitCommEvent, [&] {  // this one wait fails
    driver.fail_comm_waits(ERROR_NOT_SUPPORTED);
    driver.before_next(CommCall::ClearCommError, [&] { driver.fail_comm_waits(0); });
  });
  driver.receive("1");
  EXPECT_EQ(parked_text(), "1");
  EXPECT_TRUE(in_event_mode());

  driver.fail_comm_waits(ERROR_NOT_SUPPORTED);
  driver.receive("2");
  EXPECT_EQ(parked_text(), "12");
  EXPECT_TRUE(driver.read_pending());
  EXPECT_FALSE(driver.wait_pending());
  EXPECT_EQ(driver.read_sizes().back(), 1u);

  driver.receive(kPowerUp);
  EXPECT_EQ(parked_text(), "12" + kPowerUp);
  EXPECT_EQ(count_kind(7), 1);
  for (int i = 0; i < 4; ++i) {  // the line idles past the read time-out, again and again
    driver.advance(2000);
    ASSERT_TRUE(driver.await_parked());
  }
  EXPECT_TRUE(send_text("%%%%%%%%%%\r\n"));  // purges the pending read
  driver.receive("System enter setting mode\r\n");
  EXPECT_EQ(parked_text(), "12" + kPowerUp + "System enter setting mode\r\n");

  driver.abort_on_errors_always(true);
  driver.line_error(CE_FRAME);  // ends the pending read as cancelled
  driver.receive("OK\r\n");
  EXPECT_EQ(parked_text(), "12" + kPowerUp + "System enter setting mode\r\nOK\r\n");
  EXPECT_EQ(count_kind(4), 1);  // the line error, and no device gone
}

// What USB adapters answer once pulled out: every code ends the link with one line event,
// after which the worker makes no call on the device, a send fails at once, and the port
// opens again once the adapter is back.
TEST_F(SerialDriverModelTest, AnUnpluggedAdapterIsReportedOnceWhateverItAnswers) {
  for (DWORD code : {ERROR_BAD_COMMAND, ERROR_DEVICE_REMOVED, ERROR_GEN_FAILURE, ERROR_ACCESS_DENIED,
                     ERROR_FILE_NOT_FOUND, ERROR_OPERATION_ABORTED}) {
    SCOPED_TRACE(code);
    fake_host().events.clear();
    open();
    driver.unplug(code);
    ASSERT_TRUE(pump_until([&] { return !line_kinds().empty(); }));
    const int calls = driver.total_calls();
    EXPECT_FALSE(send_text("AT"));
    ui.process_pending();
    EXPECT_EQ(driver.total_calls(), calls);  // no spinning, no call on a dead device
    EXPECT_EQ(line_kinds(), (std::vector<int32_t>{4}));
    EXPECT_FALSE(open_port());  // still unplugged
    driver.plug();
    open();
    driver.receive("back");
    EXPECT_EQ(parked_text(), "back");
    close_port();
  }

  // Pulled out while waiting by reading, and in the middle of a write.
  fake_host().events.clear();
  driver.fail_comm_waits(ERROR_NOT_SUPPORTED);
  open();
  ASSERT_TRUE(driver.read_pending());
  driver.unplug(ERROR_GEN_FAILURE);
  ASSERT_TRUE(pump_until([&] { return !line_kinds().empty(); }));
  close_port();
  driver.plug();
  driver.fail_comm_waits(0);
  fake_host().events.clear();
  open();
  driver.hold_writes(true);
  driver.before_next(CommCall::GetOverlappedResult, [&] { driver.unplug(ERROR_DEVICE_REMOVED); });
  EXPECT_FALSE(send_text("AT"));
  EXPECT_TRUE(pump_until([&] { return line_kinds() == std::vector<int32_t>{4}; }));
}

}  // namespace
}  // namespace units::test
