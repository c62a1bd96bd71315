#include "app/program_options.h"

#include <QtGlobal>

namespace orvalto {
namespace {

bool ehAtribuicao(const QString& a) { return !a.startsWith('-') && a.indexOf('=') > 0; }

// What --configura and --configuracao allow, checked once every argument is
// read (--sim may stand anywhere).
QString conflitos(const ProgramOptions& o) {
  if (o.mostraConfiguracao && o.alteraConfiguracao) return "--configuracao and --configura exclude each other";
  if (o.alteraConfiguracao && o.atribuicoes.isEmpty()) return "--configura needs at least one NOME=valor";
  // Only the name: the value may be a password.
  if (!o.alteraConfiguracao && !o.atribuicoes.isEmpty())
    return o.atribuicoes.first().section('=', 0, 0) + "=... is only understood after --configura";
  if (o.sim && !o.alteraConfiguracao) return "--sim is only understood with --configura";
  return {};
}

}  // namespace

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
    } else if (a == "--configuracao") {
      o.mostraConfiguracao = true;
    } else if (a == "--configura") {
      o.alteraConfiguracao = true;
    } else if (a == "--sim") {
      o.sim = true;
    } else if (ehAtribuicao(a)) {
      o.atribuicoes.append(a);
    } else {
      // A value may be a password: never repeat it.
      o.error = "unknown argument: " + (a.contains('=') ? a.section('=', 0, 0) + "=..." : a);
    }
  }
  if (o.error.isEmpty()) o.error = conflitos(o);
  return o;
}

QString usageText() {
  return "usage: orvalto-atualizador [--headless] [--port N]\n"
         "       orvalto-atualizador --configuracao\n"
         "       orvalto-atualizador --configura NOME=valor ... [--sim]\n"
         "  --headless      run without windows (also automatic without a display)\n"
         "  --port N        TCP port for the terminals (default 5555)\n"
         "  --configuracao  print the settings, one NOME=valor line each, and end\n"
         "  --configura     change the named settings (CAMINHOLOCALBACKUP, CAMINHOVERSOES,\n"
         "                  USAPROXY, PROXY, PORTAPROXY, AUTENTICACAOPROXY, USUARIOPROXY,\n"
         "                  SENHAPROXY, USUARIOSATUALIZAVERSAO) after the ADMIN user's\n"
         "                  password, read from the terminal or one line of standard input;\n"
         "                  SENHAPROXY=- reads the proxy password the same way, first\n"
         "  --sim           with --configura: save a versions folder that is not a network path\n"
         "Both settings commands work beside a running updater.\n";
}

bool displayAvailable() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace orvalto
