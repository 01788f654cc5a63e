// The user's input on Qt, seen by the application-wide event filter: the form sees every key
// first, typed characters are taken as the shared rule says (WindowBookkeeping::type_char),
// the focus moves the user makes in Qt (a click, Qt's own tab handling) become the form's,
// and a frame's close box, moves and resizes are reported. Activation changes (another
// window, a message box, a popup list) are not focus moves within the form.
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/qt/qt_backend_state.h"

namespace platform::qt {
namespace {

KeyPress translate(const QKeyEvent& e) {
  KeyPress k;
  const Qt::KeyboardModifiers m = e.modifiers();
  k.shift = m.testFlag(Qt::ShiftModifier);
  k.ctrl = m.testFlag(Qt::ControlModifier);
  k.alt = m.testFlag(Qt::AltModifier);
  switch (e.key()) {
    case Qt::Key_Tab: k.key = Key::Tab; break;
    case Qt::Key_Backtab: k.key = Key::Tab; k.shift = true; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: k.key = Key::Enter; break;
    case Qt::Key_Escape: k.key = Key::Escape; break;
    case Qt::Key_F1: k.key = Key::F1; break;
    default: k.key = Key::Other; break;
  }
  return k;
}

// The widget that takes typed text for a window, if it has one.
QWidget* typing_target(const Window& w) {
  if (w.line) return w.line;
  if (w.plain) return w.plain;
  if (w.combo && w.combo->isEditable()) return w.combo->lineEdit();
  return nullptr;
}

void insert_text(QWidget* target, const QString& text) {
  if (auto* line = qobject_cast<QLineEdit*>(target)) line->insert(text);
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(target)) plain->insertPlainText(text);
}

}  // namespace

bool InputFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      return key_press(watched, event);
    case QEvent::InputMethod:
      return input_method(watched, event);
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      if (watched->isWidgetType()) focus_moved(watched, static_cast<QFocusEvent*>(event)->reason());
      return false;
    case QEvent::Close:
    case QEvent::Move:
    case QEvent::Resize: {
      const Handle h = state_.handle_of(watched);
      const Window* w = state_.find(h);
      if (!w || w->kind != WidgetKind::Frame || w->object != watched) return false;
      if (event->type() == QEvent::Close) {
        event->ignore();  // the runtime decides, and destroys the frame itself
        state_.notify(h, Notify::CloseRequest);
        return true;
      }
      state_.notify(h, event->type() == QEvent::Move ? Notify::Moved : Notify::Resized);
      return false;
    }
    default:
      return false;
  }
}

// A key event that the receiver ignores travels on to its parents, and the filter sees each
// step; only the first delivery is offered to the form.
bool InputFilter::key_press(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  const QWidget* focus = QApplication::focusWidget();
  const bool propagated =
      focus ? widget != focus && widget->isAncestorOf(focus)
            : event == last_offered_ && last_receiver_ && widget->isAncestorOf(qobject_cast<QWidget*>(last_receiver_));
  if (propagated) return false;
  const Handle h = state_.handle_of(widget);
  if (h == 0 || state_.windows.frame_of(h) == 0) return false;
  last_offered_ = event;
  last_receiver_ = widget;
  auto* key = static_cast<QKeyEvent*>(event);
  if (state_.offer_key(h, translate(*key))) return true;
  return filter_typing(h, widget, key->text());
}

// Only focus events of our own widgets count: a message box's button losing the focus as
// the box hides leaves no focus widget for a moment, which is not the user leaving a field.
void InputFilter::focus_moved(const QObject* watched, Qt::FocusReason reason) {
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  if (state_.handle_of(watched) == 0) return;
  QWidget* now = QApplication::focusWidget();
  const Handle target = now ? state_.handle_of(now) : 0;
  if (now && target == 0) return;  // a window that is not ours
  if (state_.follow_user_focus(target)) state_.sync_qt_focus();
}

// The characters of `text` that the box takes, as the shared rule converts them. `gone` is
// set when a filter call destroyed the control.
QString InputFilter::pass_chars(Handle target, const QString& text, bool& gone) {
  QString accepted;
  for (const char32_t typed : text.toUcs4()) {
    const WindowBookkeeping::Typed taken = state_.type_char(target, typed);
    if (taken.gone) {
      gone = true;
      break;
    }
    if (taken.taken) accepted += QString::fromUcs4(&taken.ch, 1);
  }
  return accepted;
}

// When every typed character passes unchanged the control types them itself; otherwise the
// survivors are inserted here and the key is consumed.
bool InputFilter::filter_typing(Handle target, QWidget* receiver, const QString& text) {
  const Window* w = state_.find(target);
  if (!w || text.isEmpty()) return false;
  QWidget* typing = typing_target(*w);
  if (!typing || (receiver != typing && receiver != w->widget)) return false;
  bool gone = false;
  const QString accepted = pass_chars(target, text, gone);
  if (gone) return true;
  if (accepted == text) return false;
  if (!accepted.isEmpty()) insert_text(typing, accepted);
  return true;
}

// Text committed by an input method is typing too: the rejected characters are dropped.
bool InputFilter::input_method(QObject* watched, QEvent* event) {
  auto* im = static_cast<QInputMethodEvent*>(event);
  if (im->commitString().isEmpty()) return false;
  const Handle h = state_.handle_of(watched);
  const Window* w = state_.find(h);
  if (!w || !typing_target(*w)) return false;
  bool gone = false;
  const QString accepted = pass_chars(h, im->commitString(), gone);
  if (gone) return true;
  im->setCommitString(accepted, im->replacementStart(), im->replacementLength());
  return false;
}

}  // namespace platform::qt
