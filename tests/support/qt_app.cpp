#include "support/qt_app.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include "services/fontes_permitidas.h"

#include <algorithm>

namespace orvalto::test {
namespace {

// The test servers (the vendor simulator, the HTTPS server, the proxy)
// listen on 127.0.0.1, the address every test installation's
// Atualizador.ini names for the maker. Only that address is allowed to the
// tests that run the program's parts in this process: a built-in address of
// the maker (the daily self-update after a search) is refused before any
// connection, so no test ever reaches past loopback.
const bool fontesDosTestes = [] {
  defineFontesPermitidas(FontesPermitidas(QStringList{"127.0.0.1"}));
  return true;
}();

}  // namespace

QCoreApplication* ensureQtApp() {
  (void)fontesDosTestes;
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
  QMetaObject::invokeMethod(
      &loop,
      [&] {
        reached = true;
        loop.quit();
      },
      Qt::QueuedConnection);
  QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
  loop.exec();
  return reached;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds every) {
  ensureQtApp();
  const QDeadlineTimer deadline(timeout);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    // A loop of its own, not processEvents(): objects deleted later go too.
    QEventLoop loop;
    const std::chrono::milliseconds left(deadline.remainingTime() + 1);
    QTimer::singleShot(std::min(every, left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

}  // namespace orvalto::test
