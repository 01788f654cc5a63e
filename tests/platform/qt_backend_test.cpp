// The windowed backend's own behaviour beyond what it shares with the headless one: the
// close box, destruction under a handler, key delivery, focus left alone by disabling,
// message boxes that keep the queue moving, and waiting without spinning.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <thread>

#include "platform/qt/qt_backend.h"
#include "tests/platform/headless_recording_sink.h"
#include "tests/platform/qt_test_app.h"

using platform::CreateParams;
using platform::Handle;
using platform::Notify;
using platform::WidgetKind;
using platform::qt::QtBackend;

namespace {

// The waiting thread's own processor time: other threads of the process do not count.
double thread_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

class QtBackendTest : public ::testing::Test {
 protected:
  QtBackendTest() : backend((qt_test::ensure_app(), qt_test::argc()), qt_test::argv()) {
    backend.set_sink(&sink);
    frame = make(WidgetKind::Frame, 0, {0, 0, 320, 240});
    edit = make(WidgetKind::Edit, frame, {10, 10, 100, 20});
    button = make(WidgetKind::Button, frame, {10, 40, 100, 30});
    backend.show_frame(frame);
    pump(30);
    sink.log.clear();
  }
  Handle make(WidgetKind kind, Handle parent, platform::Geometry g, CreateParams p = {}) {
    p.kind = kind;
    p.parent = parent;
    p.geometry = g;
    p.visible = true;
    p.tab_stop = true;
    return backend.create(p);
  }
  template <class T = QWidget>
  T* widget(Handle h) {
    return static_cast<T*>(backend.native(h));
  }
  void pump(int ms) {
    pump_until([] { return false; }, ms);
  }
  // Pumps until `done` holds, for at most `max_ms`; a loaded machine may be slow to deliver.
  void pump_until(const std::function<bool()>& done, int max_ms = 5000) {
    const uint32_t start = backend.tick_count();
    while (!done() && backend.tick_count() - start < static_cast<uint32_t>(max_ms)) {
      backend.process_pending();
      backend.wait(5);
    }
    backend.process_pending();
  }
  // Runs `action` once the modal box is up, from inside its event loop.
  void when_box_open(std::function<void(QMessageBox*)> action) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        poll->deleteLater();
        poll->stop();
        action(box);
      }
    });
    poll->start(5);
  }

  QtBackend backend;
  headless_test::RecordingSink sink;
  Handle frame = 0, edit = 0, button = 0;
};

TEST_F(QtBackendTest, CloseBoxAsksAndLeavesTheFrameOpen) {
  widget(frame)->close();
  EXPECT_EQ(sink.log, (std::vector<std::string>{"CloseRequest " + std::to_string(frame)}));
  EXPECT_TRUE(widget(frame)->isVisible());
  EXPECT_TRUE(backend.exists(frame));
}

TEST_F(QtBackendTest, FrameDestroyedFromItsButtonsClickHandlerIsDeletedSafelyLater) {
  QPointer<QWidget> frame_widget = widget(frame);
  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (h == button && what == Notify::Clicked) backend.destroy(frame);
  };
  widget<QPushButton>(button)->click();  // the button's own signal is still on the stack
  EXPECT_EQ(sink.log, (std::vector<std::string>{"Clicked " + std::to_string(button), "Destroyed " + std::to_string(edit),
                                                "Destroyed " + std::to_string(button),
                                                "Destroyed " + std::to_string(frame)}));
  EXPECT_FALSE(backend.exists(button));
  backend.process_pending();
  EXPECT_TRUE(frame_widget.isNull());
}

TEST_F(QtBackendTest, UnhandledKeyIsOfferedOnceThoughQtPassesItToEveryParent) {
  backend.set_focus(edit);
  sink.log.clear();
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(QApplication::focusWidget(), &esc);  // the line edit ignores Esc
  EXPECT_EQ(sink.log, (std::vector<std::string>{"Key 3 " + std::to_string(edit)}));
}

TEST_F(QtBackendTest, QtFocusFollowsTheFormAndUserClicksAreReported) {
  backend.set_focus(edit);
  EXPECT_EQ(QApplication::focusWidget(), widget(edit));
  sink.log.clear();
  widget(button)->setFocus(Qt::MouseFocusReason);  // what a click on the button does
  EXPECT_EQ(sink.log, (std::vector<std::string>{"FocusOut " + std::to_string(edit), "FocusIn " + std::to_string(button)}));
  EXPECT_EQ(backend.focus(), button);
}

TEST_F(QtBackendTest, FieldCheckThatKeepsTheFocusWinsOverAUsersClick) {
  backend.set_focus(edit);
  bool checking = false;
  sink.on_notify_hook = [&](Handle h, Notify what) {
    if (h != edit || what != Notify::FocusOut || checking) return;
    checking = true;
    when_box_open([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    backend.message_box("bad", "x", platform::kMbOk);  // the check's complaint
    backend.set_focus(edit);
  };
  sink.log.clear();
  widget(button)->setFocus(Qt::MouseFocusReason);
  pump(20);
  EXPECT_EQ(backend.focus(), edit);
  EXPECT_EQ(QApplication::focusWidget(), widget(edit));
  EXPECT_EQ(sink.log, (std::vector<std::string>{"FocusOut " + std::to_string(edit), "FocusIn " + std::to_string(edit)}));
}

TEST_F(QtBackendTest, DisablingOrHidingTheFocusedControlReportsNothing) {
  backend.set_focus(button);
  sink.log.clear();
  backend.set_enabled(button, false);
  backend.set_visible(edit, false);
  EXPECT_TRUE(sink.log.empty());
  EXPECT_EQ(backend.focus(), button);
  EXPECT_FALSE(backend.enabled(button));
  EXPECT_FALSE(backend.visible(edit));
}

// Qt would hand the focus of a disabled control to the next one, where a later move would
// run that field's check; the form's focus stays on the control, and Qt's comes back to it
// when it is enabled again.
TEST_F(QtBackendTest, DisabledFocusedControlDoesNotPassQtsFocusToAField) {
  backend.set_focus(button);
  pump(10);
  backend.set_enabled(button, false);
  EXPECT_NE(QApplication::focusWidget(), widget(edit));
  backend.set_enabled(button, true);
  EXPECT_EQ(QApplication::focusWidget(), widget(button));
  EXPECT_EQ(backend.focus(), button);
}

TEST_F(QtBackendTest, MessageBoxKeepsTheQueueMovingAndReturnsTheButton) {
  backend.post(edit, 42, 0, 0);
  bool dispatched_while_open = false;
  when_box_open([&](QMessageBox* box) {
    dispatched_while_open = !sink.log.empty();
    // As the box hides, its button's focus goes with nothing to take it: not a form move.
    if (QWidget* in_box = QApplication::focusWidget()) in_box->clearFocus();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(backend.message_box("\xD0\xC5\xCF\xA2", "x", platform::kMbYesNo | 0x20), platform::kIdNo);
  EXPECT_TRUE(dispatched_while_open);
  EXPECT_EQ(sink.log, (std::vector<std::string>{"Posted " + std::to_string(edit) + "/42"}));

  auto escape = [](QMessageBox* box) {
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &esc);
  };
  when_box_open(escape);
  EXPECT_EQ(backend.message_box("t", "c", platform::kMbOkCancel), platform::kIdCancel);
  when_box_open(escape);
  EXPECT_EQ(backend.message_box("t", "c", platform::kMbOk), platform::kIdOk);
  when_box_open([](QMessageBox* box) { box->reject(); });
  EXPECT_EQ(backend.message_box("t", "c", platform::kMbYesNoCancel), platform::kIdCancel);

  pump(30);  // afterwards the form's focus moves still reach Qt
  backend.set_focus(edit);
  EXPECT_EQ(QApplication::focusWidget(), widget(edit));
}

TEST_F(QtBackendTest, WaitSleepsUntilTheDeadlineOrAnotherThreadsPost) {
  pump(20);
  const auto wall0 = std::chrono::steady_clock::now();
  const double cpu0 = thread_cpu_seconds();
  EXPECT_FALSE(backend.wait(120));
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  const double cpu = thread_cpu_seconds() - cpu0;
  EXPECT_GT(wall, 0.05);
  EXPECT_LT(cpu, wall / 2);  // asleep, not polling

  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    backend.post(edit, 7, 0, 0);
  });
  EXPECT_TRUE(backend.wait(10000));
  backend.process_pending();
  worker.join();
  EXPECT_EQ(sink.log.back(), "Posted " + std::to_string(edit) + "/7");
}

TEST_F(QtBackendTest, GeometryAndTextsAtTheBoundary) {
  EXPECT_EQ(backend.geometry(frame).width, 320);
  EXPECT_EQ(backend.geometry(frame).height, 240);
  const Handle combo = make(WidgetKind::ComboBox, frame, {10, 80, 120, 160});
  EXPECT_LT(backend.geometry(combo).height, 40);  // the closed field, not the list
  backend.set_text(edit, "a\xFF" "b");             // invalid GBK shows, reads back, never fails
  EXPECT_EQ(backend.text(edit).size(), 3u);
  backend.set_text(frame, "\xC9\xE8\xD6\xC3");
  EXPECT_EQ(widget(frame)->windowTitle(), QStringLiteral("\u8BBE\u7F6E"));
  EXPECT_EQ(backend.text(frame), "\xC9\xE8\xD6\xC3");

  sink.log.clear();
  backend.set_geometry(frame, {40, 30, 300, 200});
  pump(20);
  const std::string h = std::to_string(frame);
  EXPECT_NE(std::find(sink.log.begin(), sink.log.end(), "Resized " + h), sink.log.end());
  EXPECT_NE(std::find(sink.log.begin(), sink.log.end(), "Moved " + h), sink.log.end());
  EXPECT_EQ(backend.geometry(frame), (platform::Geometry{40, 30, 300, 200}));
}

// The monitor's append and drop keep no undo history (it would hold every burst ever
// shown), and what they say they added and dropped is what the text reads, whatever bytes
// arrived (a lone CR, invalid GBK).
TEST_F(QtBackendTest, AppendAndDropKeepNoUndoHistoryAndCountWhatTheTextShows) {
  CreateParams p;
  p.edit.multi_line = true;
  p.edit.scroll_bars = 2;
  const Handle log = make(WidgetKind::Edit, frame, {10, 80, 200, 60}, p);
  size_t counted = 0;
  for (int i = 0; i < 200; ++i) {
    counted += backend.edit_append(log, "a\rb\xFF\xD6\xD0\r\n");
    if (counted > 64) counted -= backend.edit_drop_front(log, counted - 48);
    ASSERT_EQ(backend.text(log).size(), counted);
  }
  EXPECT_LE(counted, 64u);
  EXPECT_EQ(widget<QPlainTextEdit>(log)->document()->availableUndoSteps(), 0);
}

TEST_F(QtBackendTest, FrameTakesItsIconFromIcoBytes) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::red);
  QByteArray ico;
  QBuffer buffer(&ico);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(image.save(&buffer, "ICO"));
  CreateParams p;
  p.frame.icon_ico.assign(ico.constData(), static_cast<size_t>(ico.size()));
  const Handle with_icon = make(WidgetKind::Frame, 0, {0, 0, 50, 50}, p);
  EXPECT_FALSE(widget(with_icon)->windowIcon().isNull());
  p.frame.icon_ico = "not an icon";  // unreadable bytes: no icon, no failure
  const Handle without = make(WidgetKind::Frame, 0, {0, 0, 50, 50}, p);
  EXPECT_TRUE(widget(without)->windowIcon().isNull());
  backend.destroy(with_icon);
  backend.destroy(without);
}

TEST_F(QtBackendTest, TimerKilledInsideItsOwnTickAndWindowTimersDieWithIt) {
  int ticks = 0;
  sink.on_timer_hook = [&](Handle h, uint32_t id) {
    ++ticks;
    backend.kill_timer(h, id);
  };
  backend.set_timer(edit, 1, 10);
  backend.set_timer(button, 2, 10);
  backend.destroy(button);
  pump_until([&] { return ticks > 0; });
  pump(50);  // several more periods of the killed timer
  EXPECT_EQ(ticks, 1);
}

}  // namespace
