#include "support/qt_app.h"

#include <QEventLoop>
#include <QTimer>

namespace orvalto::test {

QCoreApplication* ensureQtApp() {
  if (QCoreApplication::instance()) return QCoreApplication::instance();
  static int argc = 1;
  static char name[] = "orvalto-tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return &app;
}

bool runPostedEvents(std::chrono::milliseconds timeout) {
  ensureQtApp();
  QEventLoop loop;
  bool reached = false;
  // Bound to the loop: when the time runs out first, the call dies with it.
  QMetaObject::invokeMethod(&loop, [&] { reached = true; loop.quit(); }, Qt::QueuedConnection);
  QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
  loop.exec();
  return reached;
}

}  // namespace orvalto::test
