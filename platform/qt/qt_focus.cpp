// Qt's side of the focus. The bookkeeping's focused window is what the form sees; Qt's focus
// widget follows it. Moves made by set_focus report FocusOut then FocusIn before returning;
// moves the user makes in Qt (a click, Qt's own tab handling) are reported from Qt's focus
// events. Activation changes (another window, a message box, a popup list) are not focus
// moves within the form and are not reported.
#include <QApplication>
#include <QComboBox>
#include <QWidget>

#include "platform/qt/qt_backend_state.h"

namespace platform::qt {

void QtBackendState::sync_qt_focus() {
  ++qt_focus_mute;
  if (const Window* w = find(focused()); w && w->widget) {
    w->widget->setFocus(Qt::OtherFocusReason);
  } else if (QWidget* current = QApplication::focusWidget(); current && handle_of(current) != 0) {
    current->clearFocus();
  }
  --qt_focus_mute;
}

// Only focus events of our own widgets count: a message box's button losing the focus as
// the box hides leaves no focus widget for a moment, which is not the user leaving a field.
void QtBackendState::follow_qt_focus(const QObject* watched, Qt::FocusReason reason) {
  if (qt_focus_mute > 0 || reporting_focus() || message_boxes_open > 0) return;
  if (handle_of(watched) == 0) return;
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  QWidget* now = QApplication::focusWidget();
  const Handle target = now ? handle_of(now) : 0;
  if (now && target == 0) return;  // a window that is not ours
  if (target == focused()) return;
  move_focus(target);
  // A handler may have kept the focus where it was; Qt must agree with the form.
  if (handle_of(QApplication::focusWidget()) != focused()) sync_qt_focus();
}

// After a modal box closes, the frame that had the focus is made active again and Qt's
// focus put back where the form has it; without this some platforms leave no active window
// and later focus moves would not reach Qt.
void QtBackendState::reactivate_frame() {
  const Window* w = find(frame_to_reactivate());
  if (!w || !w->widget || !w->widget->isVisible()) return;
  ++qt_focus_mute;
  w->widget->activateWindow();
  --qt_focus_mute;
  sync_qt_focus();
}

}  // namespace platform::qt
