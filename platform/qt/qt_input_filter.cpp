// The application-wide event filter: the form sees every key first, typed characters pass
// the edit's typing filter, Qt's focus moves are followed, and a frame's close box, moves
// and resizes are reported.
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/qt/qt_backend_state.h"
#include "platform/qt/qt_text.h"

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

// The character code the typing filter sees: the GBK byte, or lead byte * 256 + trail byte.
uint32_t gbk_code(const QString& one_char) {
  const std::string gbk = to_gbk(one_char);
  uint32_t code = 0;
  for (unsigned char b : gbk) code = (code << 8) | b;
  return code;
}

QString convert_case(const QString& text, int conversion) {
  if (conversion == 1) return text.toLower();
  if (conversion == 2) return text.toUpper();
  return text;
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
      if (watched->isWidgetType()) state_.follow_qt_focus(watched, static_cast<QFocusEvent*>(event)->reason());
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

// Offers each printable character to the form's typing filter and returns the ones that
// pass (case-converted as the control asks). Control characters always pass. `gone` is set
// when a filter call destroyed the control.
QString InputFilter::pass_chars(Handle target, const QString& text, bool& gone) {
  const Window* w = state_.find(target);
  const QString converted = convert_case(text, w ? w->case_conversion : 0);
  QString accepted;
  for (qsizetype i = 0; i < converted.size();) {
    const qsizetype len = converted[i].isHighSurrogate() && i + 1 < converted.size() ? 2 : 1;
    const QString one = converted.mid(i, len);
    i += len;
    const char16_t u = one[0].unicode();
    if (u < 32 || u == 127 || state_.offer_char(target, gbk_code(one))) accepted += one;
    if (!state_.find(target)) {
      gone = true;
      break;
    }
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
