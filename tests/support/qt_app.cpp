#include "support/qt_app.h"

namespace orvalto::test {

QCoreApplication* ensureQtApp() {
  if (QCoreApplication::instance()) return QCoreApplication::instance();
  static int argc = 1;
  static char name[] = "orvalto-tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return &app;
}

}  // namespace orvalto::test
