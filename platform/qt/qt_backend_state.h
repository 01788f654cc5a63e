// The Qt backend's internal state, shared by its source files: the widgets behind the
// handles, Qt's side of the focus, the wake-ups and timers.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/backend.h"
#include "platform/window_bookkeeping.h"

class QApplication;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
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

// Receives the wake-up events posted from any thread and drains the message queue.
class Waker final : public QObject {
 public:
  explicit Waker(QtBackendState& state) : state_(state) {}
  bool event(QEvent* event) override;

 private:
  QtBackendState& state_;
};

// Application-wide filter: keys and typing for the form, Qt focus moves, frame close,
// move and resize.
class InputFilter final : public QObject {
 public:
  explicit InputFilter(QtBackendState& state) : state_(state) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool key_press(QObject* watched, QEvent* event);
  bool filter_typing(Handle target, QWidget* receiver, const QString& text);
  QString pass_chars(Handle target, const QString& text, bool& gone);
  bool input_method(QObject* watched, QEvent* event);

  QtBackendState& state_;
  const QEvent* last_offered_ = nullptr;
  QPointer<QObject> last_receiver_;
};

// The windows, the focus, the sink calls, the posted messages and the quit request are the
// shared bookkeeping's; this adds the widgets behind the handles and Qt's side of each.
class QtBackendState : public WindowBookkeeping {
 public:
  QtBackendState(int& argc, char** argv);
  ~QtBackendState();

  // ---- registry (qt_registry.cpp)
  Window* find(Handle h) { return static_cast<Window*>(windows.find(h)); }
  const Window* find(Handle h) const { return static_cast<const Window*>(windows.find(h)); }
  // The handle of the registered window `object` belongs to (itself or an ancestor); 0 for
  // objects outside every registered window.
  Handle handle_of(const QObject* object) const;
  Handle add(std::unique_ptr<Window> window);
  // Destruction (WindowedBackend::destroy): the top widget hidden at once, every widget
  // deleted later (see collect_garbage).
  void hide_destroyed(Window& top);
  void forget(Window& w);
  // Deletes the widgets of destroyed windows once no sink call is running, so no widget
  // is deleted under its own event handler.
  void collect_garbage();

  // ---- focus (qt_focus.cpp); the form's focus is the bookkeeping's
  int qt_focus_mute = 0;  // >0 while the backend itself moves Qt's focus
  // A Qt focus event reached `watched`; follows Qt's focus when the user moved it.
  void follow_qt_focus(const QObject* watched, Qt::FocusReason reason);
  void sync_qt_focus();
  void reactivate_frame();

  // ---- queue and timers (qt_queue.cpp)
  void wake();
  bool wait(int timeout_ms);
  void set_timer(Handle window, uint32_t id, uint32_t period_ms);
  void kill_timer(Handle window, uint32_t id);
  void kill_window_timers(Handle window);
  QElapsedTimer clock;

  // ---- widget creation (qt_create.cpp)
  Handle create(const CreateParams& params);
  QWidget* container_widget(Handle parent);
  void apply_geometry(Handle h, Geometry g);
  void centre(Window& w);

 private:
  void wire(Window& w);

  std::unique_ptr<QApplication> owned_app_;
  std::unordered_map<const QObject*, Handle> by_object_;
  std::vector<QPointer<QObject>> graveyard_;

  std::unique_ptr<Waker> waker_;
  std::unique_ptr<InputFilter> filter_;
  std::map<std::pair<Handle, uint32_t>, QTimer*> timers_;
};

}  // namespace platform::qt
