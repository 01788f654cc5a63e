#include "tests/platform/qt_user.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace qt_user {
namespace {

std::vector<std::string>& recorded() {
  static std::vector<std::string> all;
  return all;
}

QWidget* widget_of(platform::qt::QtBackend& backend, platform::Handle window) {
  return static_cast<QWidget*>(backend.native(window));
}

}  // namespace

void answer_message_boxes() {
  // Owned by the application object: a later application (the next test's backend) gets
  // a timer of its own.
  static QPointer<QTimer> timer;
  if (timer) return;
  timer = new QTimer(QCoreApplication::instance());
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    recorded().push_back(box->text().toStdString());
    box->done(QMessageBox::Ok);
  });
  timer->start();
}

const std::vector<std::string>& messages() { return recorded(); }

void click(platform::qt::QtBackend& backend, platform::Handle window) {
  QWidget* w = widget_of(backend, window);
  if (w) QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

void type_over(platform::qt::QtBackend& backend, platform::Handle window, const std::string& utf8) {
  QWidget* w = widget_of(backend, window);
  if (!w) return;
  // Clicking into a window activates it, which is what gives its field the keyboard.
  w->window()->activateWindow();
  if (!QTest::qWaitForWindowActive(w->window(), 5000)) return;
  click(backend, window);
  QWidget* field = QApplication::focusWidget();
  if (!field || (field != w && !w->isAncestorOf(field))) return;
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(field, QString::fromUtf8(utf8.c_str()));
}

bool run_until(const std::function<bool()>& done, int budget_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > budget_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(5);
  }
  return true;
}

bool screenshot(platform::qt::QtBackend& backend, platform::Handle window, const std::string& png_path) {
  QWidget* w = widget_of(backend, window);
  if (!w) return false;
  return w->window()->grab().save(QString::fromStdString(png_path), "PNG");
}

namespace {
bool exposed(QWidget* w) { return w && w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed(); }
}  // namespace

bool wait_until_shown(platform::qt::QtBackend& backend, platform::Handle window, int budget_ms) {
  QWidget* w = widget_of(backend, window);
  if (!w) return false;
  w = w->window();
  return run_until([w] { return exposed(w); }, budget_ms);
}

bool show_plain_window(int width, int height, int budget_ms) {
  static int argc = 1;
  static char name[] = "plain-window";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QApplication(argc, argv);
  // One caption, so the window pays for the font set-up any window with text pays for.
  auto* w = new QWidget();
  w->resize(width, height);
  auto* caption = new QLabel(QStringLiteral("\u8BBE\u7F6E"), w);  // 设置
  caption->move(10, 10);
  w->show();
  return run_until([w] { return exposed(w); }, budget_ms);
}

}  // namespace qt_user
