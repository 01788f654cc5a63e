// QtBackend: windows, focus, queue, timers and process services. The control-specific
// calls are in qt_controls.cpp, the message box in qt_message_box.cpp.
#include "platform/qt/qt_backend.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/serial_device.h"
#include "platform/qt/qt_backend_state.h"
#include "platform/qt/qt_fonts.h"
#include "platform/qt/qt_ip_control.h"
#include "platform/qt/qt_label.h"
#include "platform/qt/qt_text.h"

namespace platform::qt {

QtBackend::QtBackend(int& argc, char** argv) : state_(std::make_unique<QtBackendState>(argc, argv)) {}
// The sink may be gone already: nothing is reported from here on.
QtBackend::~QtBackend() {
  state_->sink = nullptr;
  for (Handle h : state_->windows.roots()) destroy(h);
}

void* QtBackend::native(Handle window) const {
  const Window* w = state_->find(window);
  return w ? w->widget : nullptr;
}

Handle QtBackend::handle_of_native(const void* object) const {
  return state_->handle_of(static_cast<const QObject*>(object));
}

WindowBookkeeping& QtBackend::book() { return *state_; }
const WindowBookkeeping& QtBackend::book() const { return *state_; }

Handle QtBackend::create(const CreateParams& params) { return state_->create(params); }

// Qt hides a widget that changes parent; it is shown again if it was visible.
void QtBackend::reparent_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.widget) return;
  const QPoint pos = w.widget->pos();
  ++state_->qt_focus_mute;
  w.widget->setParent(state_->container_widget(w.parent));
  w.widget->move(pos);
  w.widget->setVisible(w.visible);
  --state_->qt_focus_mute;
}

void QtBackend::hide_destroyed(WindowRecord& top) { state_->hide_destroyed(static_cast<Window&>(top)); }
void QtBackend::forget_native(WindowRecord& w) { state_->forget(static_cast<Window&>(w)); }

Geometry QtBackend::geometry(Handle window) const {
  const Window* w = state_->find(window);
  if (!w || !w->widget) return {};
  if (w->label) {
    const QRect r = w->label->logical_geometry();
    return {r.x(), r.y(), r.width(), r.height()};
  }
  const QPoint pos = w->widget->pos();
  return {pos.x(), pos.y(), w->widget->width(), w->widget->height()};
}

void QtBackend::set_geometry(Handle window, Geometry g) { state_->apply_geometry(window, g); }

std::string QtBackend::text(Handle window) const {
  const Window* w = state_->find(window);
  if (!w) return {};
  switch (w->kind) {
    case WidgetKind::Frame: return to_gbk(w->widget->windowTitle());
    case WidgetKind::Edit: return w->line ? to_gbk(w->line->text()) : to_gbk(lf_to_crlf(w->plain->toPlainText()));
    case WidgetKind::Button: return to_gbk(w->button->text());
    case WidgetKind::ComboBox: return to_gbk(w->combo->currentText());
    case WidgetKind::GroupBox: return to_gbk(w->group->title());
    case WidgetKind::Label: return to_gbk(w->label->caption());
    case WidgetKind::IpAddress: {
      uint8_t p[4];
      w->ip->address(p);
      return ip_address_text(w->ip->blank(), p);
    }
    case WidgetKind::Hidden: return w->hidden_text;
  }
  return {};
}

// An edit box reports one Changed for every text it is given, even an equal one, with the
// caret at the start; a combo box's field reports none, as with the native controls.
void QtBackend::set_text(Handle window, std::string_view gbk) {
  Window* w = state_->find(window);
  if (!w) return;
  const QString text = from_gbk(gbk);
  switch (w->kind) {
    case WidgetKind::Frame: w->widget->setWindowTitle(text); return;
    case WidgetKind::Button: w->button->setText(text); return;
    case WidgetKind::GroupBox: w->group->setTitle(text); return;
    case WidgetKind::Label: w->label->set_caption(text); return;
    case WidgetKind::Hidden: w->hidden_text.assign(gbk); return;
    case WidgetKind::IpAddress: return;  // addresses are set part by part
    case WidgetKind::ComboBox:
      if (w->combo->isEditable()) w->combo->setEditText(text);
      return;
    case WidgetKind::Edit: break;
  }
  ++w->changed_mute;
  if (w->line) {
    w->line->setText(text);
    w->line->setCursorPosition(0);
  } else {
    w->plain->setPlainText(crlf_to_lf(text));
  }
  --w->changed_mute;
  state_->notify(window, Notify::Changed);
}

// Disabling or hiding the focused control leaves the form's focus where it is, as a native
// window would; Qt's own move of its focus elsewhere is not reported.
void QtBackend::enable_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.widget) return;
  const bool on = w.enabled;
  ++state_->qt_focus_mute;
  QWidget* had = QApplication::focusWidget();
  const bool held_focus = !on && had && (had == w.widget || w.widget->isAncestorOf(had));
  w.widget->setEnabled(on);
  // Qt passes a disabled control's focus on to the next one; the form's focus stays with the
  // control (nothing is reported), so Qt's is taken back rather than left in another field,
  // and returned to the control when it is enabled again.
  if (held_focus) {
    if (QWidget* moved = QApplication::focusWidget(); moved && moved != had) moved->clearFocus();
  }
  if (on && state_->focused() == w.handle && w.widget->isVisible()) w.widget->setFocus(Qt::OtherFocusReason);
  --state_->qt_focus_mute;
}

void QtBackend::show_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.widget) return;
  ++state_->qt_focus_mute;
  w.widget->setVisible(w.visible);
  --state_->qt_focus_mute;
}

void QtBackend::sync_native_focus() { state_->sync_qt_focus(); }

void QtBackend::order_tabs_native(Handle, const std::vector<Handle>& order) {
  QWidget* previous = nullptr;
  for (Handle h : order) {
    const Window* w = state_->find(h);
    if (!w || !w->widget) continue;
    if (previous) QWidget::setTabOrder(previous, w->widget);
    previous = w->widget;
  }
}

void QtBackend::set_font(Handle window, const Font& font) {
  const Window* w = state_->find(window);
  if (w && w->widget) w->widget->setFont(to_qfont(font));
}

// Activation gives an unfocused program's keyboard focus to the frame itself.
void QtBackend::show_frame(Handle frame) {
  Window* w = state_->find(frame);
  if (!w || !w->widget) return;
  w->visible = true;
  ++state_->qt_focus_mute;
  w->widget->show();
  if (w->centre_on_screen) state_->centre(*w);
  w->widget->activateWindow();
  --state_->qt_focus_mute;
  state_->frame_shown(frame);
  state_->sync_qt_focus();
}

// ---- queue, timers, process

void QtBackend::wake_ui_thread() { state_->wake(); }

void QtBackend::process_pending() {
  state_->collect_garbage();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  state_->deliver_posted_messages();
}

bool QtBackend::wait(int timeout_ms) { return state_->wait(timeout_ms); }

uint32_t QtBackend::tick_count() const { return static_cast<uint32_t>(state_->clock.elapsed()); }

void QtBackend::set_timer(Handle window, uint32_t timer_id, uint32_t period_ms) {
  state_->set_timer(window, timer_id, period_ms);
}

void QtBackend::kill_timer(Handle window, uint32_t timer_id) { state_->kill_timer(window, timer_id); }

std::unique_ptr<SerialDevice> QtBackend::open_serial(const std::string& path, SerialError& error) {
  return platform::posix::open_serial_device(path, error);
}

void QtBackend::exit_process(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace platform::qt
