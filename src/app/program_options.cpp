#include "app/program_options.h"

#include <QtGlobal>

namespace orvalto {
namespace {

bool ehAtribuicao(const QString& a) { return !a.startsWith('-') && a.indexOf('=') > 0; }

ComandoServico comandoServico(const QString& a) {
  if (a == "--estado") return ComandoServico::Estado;
  if (a == "--buscar") return ComandoServico::Buscar;
  if (a == "--atualizar") return ComandoServico::Atualizar;
  if (a == "--testar-conexao") return ComandoServico::TestarConexao;
  return ComandoServico::Nenhum;
}

// What --configura and --configuracao allow, checked once every argument is
// read (--sim may stand anywhere).
QString conflitos(const ProgramOptions& o) {
  if (o.mostraConfiguracao && o.alteraConfiguracao) return "--configuracao and --configura exclude each other";
  if (o.alteraConfiguracao && o.atribuicoes.isEmpty()) return "--configura needs at least one NOME=valor";
  // Only the name: the value may be a password.
  if (!o.alteraConfiguracao && !o.atribuicoes.isEmpty())
    return o.atribuicoes.first().section('=', 0, 0) + "=... is only understood after --configura";
  if (o.sim && !o.alteraConfiguracao) return "--sim is only understood with --configura";
  if (o.json && o.comando != ComandoServico::Estado) return "--json is only understood with --estado";
  if (o.comando != ComandoServico::Nenhum && (o.mostraConfiguracao || o.alteraConfiguracao))
    return "--estado, --buscar, --atualizar and --testar-conexao exclude the settings commands";
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
    } else if (a == "--json") {
      o.json = true;
    } else if (const ComandoServico c = comandoServico(a); c != ComandoServico::Nenhum) {
      if (o.comando != ComandoServico::Nenhum && o.comando != c)
        o.error = "only one of --estado, --buscar, --atualizar, --testar-conexao";
      o.comando = c;
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
         "       orvalto-atualizador --estado [--json] [--port N]\n"
         "       orvalto-atualizador --buscar | --atualizar [--port N]\n"
         "       orvalto-atualizador --testar-conexao\n"
         "  --headless      run without windows (also automatic without a display)\n"
         "  --port N        TCP port for the terminals (default 5555)\n"
         "  --configuracao  print the settings, one NOME=valor line each, and end\n"
         "  --configura     change the named settings (CAMINHOLOCALBACKUP, CAMINHOVERSOES,\n"
         "                  USAPROXY, PROXY, PORTAPROXY, AUTENTICACAOPROXY, USUARIOPROXY,\n"
         "                  SENHAPROXY, USUARIOSATUALIZAVERSAO) after the ADMIN user's\n"
         "                  password, read from the terminal or one line of standard input\n"
         "  --sim           with --configura: save a versions folder that is not a network path\n"
         "  --estado        the service, queue, last search and run, backups and free space;\n"
         "                  exit 0 well, 1 last run failed, 2 service or database down, 3 unknown\n"
         "  --json          with --estado: one JSON object\n"
         "  --buscar        ask the running service to search for new versions and wait for it\n"
         "  --atualizar     ask the running service for an update run and follow it;\n"
         "                  exit 0 done, 1 failed, 2 no service answers\n"
         "  --testar-conexao  ask the registration service with the stored settings; exit 0 or 1\n"
         "These commands work beside a running updater.\n";
}

bool displayAvailable() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace orvalto
