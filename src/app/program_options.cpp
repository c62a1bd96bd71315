#include "app/program_options.h"

#include <QtGlobal>

namespace orvalto {

ProgramOptions parseProgramOptions(const QStringList& arguments) {
  ProgramOptions o;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == "--headless") {
      o.headless = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--port" && i + 1 < arguments.size()) {
      bool ok = false;
      const int port = arguments[++i].toInt(&ok);
      if (!ok || port < 1 || port > 65535) o.error = "invalid port: " + arguments[i];
      else o.port = port;
    } else {
      o.error = "unknown argument: " + a;
    }
  }
  return o;
}

QString usageText() {
  return "usage: orvalto-atualizador [--headless] [--port N]\n"
         "  --headless  run without windows (also automatic without a display)\n"
         "  --port N    TCP port for the terminals (default 5555)\n";
}

bool displayAvailable() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace orvalto
