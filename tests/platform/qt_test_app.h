// The one application object the Qt tests share: created on first use, never destroyed
// (a Qt application cannot be reliably recreated within one process).
#pragma once

#include <QApplication>

namespace qt_test {

inline int& argc() {
  static int n = 1;
  return n;
}

inline char** argv() {
  static char name[] = "dtu-setup-test";
  static char* args[] = {name, nullptr};
  return args;
}

// Creates the shared application object if there is none yet.
inline void ensure_app() {
  if (!QCoreApplication::instance()) new QApplication(argc(), argv());
}

}  // namespace qt_test
