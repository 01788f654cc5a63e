// The windowed backend's side of the conformance suite: real key events through Qt's
// delivery (so the application filter sees them as it would a keyboard's), and waiting in
// real time.
#include "tests/platform/conformance_driver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QWidget>

#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_text.h"
#include "tests/platform/qt_test_app.h"

namespace conformance {
namespace {

class QtDriver final : public Driver {
 public:
  QtDriver() : backend_((qt_test::ensure_app(), qt_test::argc()), qt_test::argv()) {}
  platform::Backend& backend() override { return backend_; }

  void press_key(platform::Handle focus, platform::Key key, bool shift) override {
    int code = Qt::Key_unknown;
    QString text;
    switch (key) {
      case platform::Key::Tab: code = shift ? Qt::Key_Backtab : Qt::Key_Tab; text = QStringLiteral("\t"); break;
      case platform::Key::Enter: code = Qt::Key_Return; text = QStringLiteral("\r"); break;
      case platform::Key::Escape: code = Qt::Key_Escape; text = QString(QChar(27)); break;
      case platform::Key::F1: code = Qt::Key_F1; break;
      case platform::Key::Other: code = Qt::Key_Shift; break;
    }
    send(focus, code, shift ? Qt::ShiftModifier : Qt::NoModifier, text);
  }

  void type_text(platform::Handle window, const std::string& gbk) override {
    const QString text = platform::qt::from_gbk(gbk);
    for (QChar c : text) send(window, Qt::Key_unknown, Qt::NoModifier, QString(c));
  }

  // Through the open list: the item is made current there and Enter takes it.
  void choose_item(platform::Handle combo, int index) override {
    auto* box = qobject_cast<QComboBox*>(static_cast<QObject*>(backend_.native(combo)));
    if (!box) return;
    box->showPopup();
    QAbstractItemView* list = box->view();
    list->setCurrentIndex(list->model()->index(index, box->modelColumn()));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(list, &press);
  }

  bool caret_in_view(platform::Handle edit) override {
    auto* box = qobject_cast<QPlainTextEdit*>(static_cast<QObject*>(backend_.native(edit)));
    return box && box->viewport()->rect().contains(box->cursorRect());
  }

 private:
  // Keys go to the widget that has Qt's focus inside the window, as a keyboard's would.
  void send(platform::Handle window, int code, Qt::KeyboardModifiers mods, const QString& text) {
    auto* widget = static_cast<QWidget*>(backend_.native(window));
    if (!widget) return;
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == widget || widget->isAncestorOf(focus))) widget = focus;
    else if (widget->focusProxy()) widget = widget->focusProxy();
    QKeyEvent press(QEvent::KeyPress, code, mods, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, code, mods, text);
    QCoreApplication::sendEvent(widget, &release);
  }

  platform::qt::QtBackend backend_;
};

}  // namespace

std::unique_ptr<Driver> make_windowed_driver() { return std::make_unique<QtDriver>(); }
const char* const kWindowedDriverName = "Qt";

}  // namespace conformance
