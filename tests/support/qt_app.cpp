#include "support/qt_app.h"

#include "services/fontes_permitidas.h"

#include <QEventLoop>
#include <QTimer>

namespace orvalto::test {
namespace {

// The test servers (the vendor simulator, the HTTPS server, the proxy)
// listen on 127.0.0.1, the address every test installation's
// Atualizador.ini names for the maker: the rule the program would read from
// such a file, for the tests that run its parts in this process.
const bool fontesDosTestes = [] {
  defineFontesPermitidas(FontesPermitidas(FontesPermitidas::doFabricante().padroes() + QStringList{"127.0.0.1"}));
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
  QMetaObject::invokeMethod(&loop, [&] { reached = true; loop.quit(); }, Qt::QueuedConnection);
  QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
  loop.exec();
  return reached;
}

}  // namespace orvalto::test
