// The Qt backend's internal state, shared by its source files: the widgets behind the
// handles, the object that receives the wake-ups and timer ticks, and the input filter.
// Everything else it keeps (windows, focus, timers, boxes, deletions) is the shared
// bookkeeping's.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <memory>

#include "platform/backend.h"
#include "platform/window_bookkeeping.h"

class QApplication;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace platform::qt {

class IpAddressWidget;
class LabelWidget;
class QtBackendState;

// One window or control. Exactly one of the typed pointers matches the kind (none for a
// frame, a group box or a hidden window, which use `widget` / `object` alone).
struct Window : WindowRecord {
  QObject* object = nullptr;   // always set; the widget for every kind but Hidden
  QWidget* widget = nullptr;
  QLineEdit* line = nullptr;   // single-line edit
  QPlainTextEdit* plain = nullptr;  // multi-line edit
  QComboBox* combo = nullptr;
  QPushButton* button = nullptr;
  QGroupBox* group = nullptr;
  LabelWidget* label = nullptr;
  IpAddressWidget* ip = nullptr;
};

// Receives the wake-up events posted from any thread, which deliver the posted messages, and
// the ticks of the native timers (qt_backend.cpp).
class Waker final : public QObject {
 public:
  explicit Waker(QtBackendState& state) : state_(state) {}
  bool event(QEvent* event) override;

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  QtBackendState& state_;
};

// Application-wide filter (qt_input.cpp): keys and typing for the form, Qt's focus moves,
// frame close, move and resize.
class InputFilter final : public QObject {
 public:
  explicit InputFilter(QtBackendState& state) : state_(state) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool key_press(QObject* watched, QEvent* event);
  void focus_moved(const QObject* watched, Qt::FocusReason reason);
  bool filter_typing(Handle target, QWidget* receiver, const QString& text);
  QString pass_chars(Handle target, const QString& text, bool& gone);
  bool input_method(QObject* watched, QEvent* event);

  QtBackendState& state_;
  const QEvent* last_offered_ = nullptr;
  QPointer<QObject> last_receiver_;
};

// The shared bookkeeping with the widgets behind the handles (qt_backend.cpp).
class QtBackendState : public WindowBookkeeping {
  // First: made before, and gone after, every object below (unless one existed already).
  std::unique_ptr<QApplication> owned_app_;

 public:
  QtBackendState(int& argc, char** argv);
  ~QtBackendState();

  Window* find(Handle h) { return static_cast<Window*>(windows.find(h)); }
  const Window* find(Handle h) const { return static_cast<const Window*>(windows.find(h)); }
  // The handle of the registered window `object` belongs to (itself or an ancestor); 0 for
  // objects outside every registered window.
  Handle handle_of(const QObject* object) const;
  // Qt's focus widget goes where the form has the focus.
  void sync_qt_focus();

  QElapsedTimer clock;
  Waker waker{*this};

 private:
  InputFilter filter_{*this};
};

}  // namespace platform::qt
