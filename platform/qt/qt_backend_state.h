// The Qt backend's internal state, shared by its source files: the window registry, the
// focus model, the posted-message queue and timers, and the dispatch bookkeeping.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/backend.h"
#include "platform/mutex.h"
#include "platform/posted_queue.h"
#include "platform/sink_calls.h"
#include "platform/window_tree.h"

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
struct Window {
  Handle handle = 0;
  WidgetKind kind = WidgetKind::Hidden;
  Handle parent = 0;
  QObject* object = nullptr;   // always set; the widget for every kind but Hidden
  QWidget* widget = nullptr;
  QLineEdit* line = nullptr;   // single-line edit
  QPlainTextEdit* plain = nullptr;  // multi-line edit
  QComboBox* combo = nullptr;
  QPushButton* button = nullptr;
  QGroupBox* group = nullptr;
  LabelWidget* label = nullptr;
  IpAddressWidget* ip = nullptr;
  bool visible = false, enabled = true;
  bool centre_on_screen = false;
  bool fixed_size = false;
  int control_id = 0;
  int combo_style = 1;
  bool sorted = false;
  int case_conversion = 0;
  std::string hidden_text;  // a hidden window's text
  int changed_mute = 0;     // >0 while set_text replaces the text (one Changed is sent after)
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

class QtBackendState : public SinkCalls {
 public:
  QtBackendState(int& argc, char** argv);
  ~QtBackendState();

  // ---- registry (qt_registry.cpp)
  Window* find(Handle h) { return tree_.find(h); }
  const Window* find(Handle h) const { return tree_.find(h); }
  // The handle of the registered window `object` belongs to (itself or an ancestor); 0 for
  // objects outside every registered window.
  Handle handle_of(const QObject* object) const;
  Handle frame_of(Handle h) const { return tree_.frame_of(h); }
  Handle add(Window window);
  bool is_inside(Handle h, Handle ancestor) const { return tree_.is_inside(h, ancestor); }
  void destroy(Handle h);
  // Deletes the widgets of destroyed windows once no sink call is running, so no widget
  // is deleted under its own event handler.
  void collect_garbage();

  // Every call into the sink goes through SinkCalls' notify, offer_key, offer_char,
  // deliver_timer and deliver_posted.

  // ---- focus (qt_focus.cpp)
  Handle focused = 0;
  int qt_focus_mute = 0;  // >0 while the backend itself moves Qt's focus
  void set_focus(Handle to);
  bool move_focus(Handle to);
  // A Qt focus event reached `watched`; follows Qt's focus when the user moved it.
  void follow_qt_focus(const QObject* watched, Qt::FocusReason reason);
  int message_boxes_open = 0;  // Qt's focus moves inside an open box are not the form's
  void sync_qt_focus();
  void reactivate_frame();
  Handle last_frame_shown = 0;

  // ---- queue and timers (qt_queue.cpp)
  void post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam);
  void wake();
  void drain_queue();
  bool queue_empty() { return posted_.empty(); }
  bool wait(int timeout_ms);
  void set_timer(Handle window, uint32_t id, uint32_t period_ms);
  void kill_timer(Handle window, uint32_t id);
  void kill_window_timers(Handle window);
  std::atomic<bool> quit{false};
  std::atomic<int> quit_code{0};
  QElapsedTimer clock;

  // ---- widget creation (qt_create.cpp)
  Handle create(const CreateParams& params);
  QWidget* container_widget(Handle parent);
  void apply_geometry(Handle h, Geometry g);
  void centre(Window& w);

 private:
  void wire(Window& w);

  std::unique_ptr<QApplication> owned_app_;
  WindowTree<Window> tree_;
  std::unordered_map<const QObject*, Handle> by_object_;
  int focus_dispatch_ = 0;  // focus reports in progress
  std::vector<QPointer<QObject>> graveyard_;

  PostedQueue posted_;
  std::unique_ptr<Waker> waker_;
  std::unique_ptr<InputFilter> filter_;
  std::map<std::pair<Handle, uint32_t>, QTimer*> timers_;

  friend class Waker;
};

}  // namespace platform::qt
