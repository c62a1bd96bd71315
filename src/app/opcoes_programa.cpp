#include "app/opcoes_programa.h"

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
QString conflitos(const OpcoesPrograma& o) {
  if (o.mostraConfiguracao && o.alteraConfiguracao)
    return QString::fromUtf8("--configuracao e --configura não podem ser usados juntos");
  if (o.alteraConfiguracao && o.atribuicoes.isEmpty()) return "--configura precisa de ao menos um NOME=valor";
  // Only the name: the value may be a password.
  if (!o.alteraConfiguracao && !o.atribuicoes.isEmpty())
    return o.atribuicoes.first().section('=', 0, 0) + QString::fromUtf8("=... só é aceito depois de --configura");
  if (o.sim && !o.alteraConfiguracao) return QString::fromUtf8("--sim só é aceito com --configura");
  if (o.json && o.comando != ComandoServico::Estado) return QString::fromUtf8("--json só é aceito com --estado");
  if (o.comando != ComandoServico::Nenhum && (o.mostraConfiguracao || o.alteraConfiguracao))
    return QString::fromUtf8("--estado, --buscar, --atualizar e --testar-conexao não se combinam com a configuração");
  return {};
}

}  // namespace

OpcoesPrograma leOpcoesPrograma(const QStringList& arguments) {
  OpcoesPrograma o;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == "--headless") {
      o.headless = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--port" && i + 1 < arguments.size()) {
      bool ok = false;
      const int port = arguments[++i].toInt(&ok);
      if (!ok || port < 1 || port > 65535)
        o.error = QString::fromUtf8("porta inválida: ") + arguments[i];
      else
        o.port = port;
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
        o.error = QString::fromUtf8("use só um de --estado, --buscar, --atualizar, --testar-conexao");
      o.comando = c;
    } else if (ehAtribuicao(a)) {
      o.atribuicoes.append(a);
    } else {
      // A value may be a password: never repeat it.
      o.error = QString::fromUtf8("argumento desconhecido: ") + (a.contains('=') ? a.section('=', 0, 0) + "=..." : a);
    }
  }
  if (o.error.isEmpty()) o.error = conflitos(o);
  return o;
}

QString textoUso() {
  return QString::fromUtf8(
      "uso: orvalto-atualizador [--headless] [--port N]\n"
      "     orvalto-atualizador --configuracao\n"
      "     orvalto-atualizador --configura NOME=valor ... [--sim]\n"
      "     orvalto-atualizador --estado [--json] [--port N]\n"
      "     orvalto-atualizador --buscar | --atualizar [--port N]\n"
      "     orvalto-atualizador --testar-conexao\n"
      "  --headless      sem janelas (automático quando não há display)\n"
      "  --port N        porta TCP dos terminais (padrão 5555)\n"
      "  --configuracao  mostra as configurações, uma linha NOME=valor cada, e termina\n"
      "  --configura     altera as configurações nomeadas (CAMINHOLOCALBACKUP, CAMINHOVERSOES,\n"
      "                  USAPROXY, PROXY, PORTAPROXY, AUTENTICACAOPROXY, USUARIOPROXY,\n"
      "                  SENHAPROXY, USUARIOSATUALIZAVERSAO; NOMESERVIDOR=<este computador>\n"
      "                  o designa) depois da senha do usuário ADMIN, lida do terminal ou de\n"
      "                  uma linha da entrada padrão; SENHAPROXY=- lê a senha do proxy do\n"
      "                  mesmo modo, antes\n"
      "  --sim           com --configura: grava uma pasta de versões que não é caminho de rede,\n"
      "                  assume a designação de outro computador\n"
      "  --estado        o serviço, a fila, a última busca e atualização, os backups e o espaço\n"
      "                  livre; sai com 0 tudo bem, 1 a última atualização falhou, 2 serviço ou\n"
      "                  banco fora do ar, 3 desconhecido\n"
      "  --json          com --estado: um objeto JSON\n"
      "  --buscar        pede ao serviço em execução uma busca de novas versões e a aguarda\n"
      "  --atualizar     pede ao serviço em execução uma atualização e a acompanha;\n"
      "                  sai com 0 concluída, 1 falhou, 2 nenhum serviço responde\n"
      "  --testar-conexao  consulta o serviço de registro com as configurações gravadas; sai com 0 ou 1\n"
      "Estes comandos funcionam ao lado do atualizador em execução.\n");
}

bool displayAvailable() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace orvalto
