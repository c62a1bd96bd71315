#include "configuracoes/configuracoes_gravadas.h"

#include "base/scramble.h"
#include "db/firebird_connection.h"
#include "services/dm_web_service.h"

namespace orvalto {
namespace {

QString primeiro(const QueryResult& r, const char* coluna) {
  return r.isEmpty() || r.columnIndex(coluna) < 0 ? QString() : r.value(0, coluna).toString();
}

}  // namespace

ConfiguracoesLidas leConfiguracoes(FbConnection& conexao) {
  const QueryResult cab = conexao.query("SELECT * from VERSOESCAB ");
  const QueryResult login = conexao.query("SELECT * from PARALOGIN ");
  ConfiguracoesLidas lidas;
  lidas.modoGravacao = cab.isEmpty() ? kModoInclusao : kModoAlteracao;
  Configuracoes& c = lidas.valores;
  c.CAMINHOLOCALBACKUP = primeiro(cab, "CAMINHOLOCALBACKUP");
  c.CAMINHOVERSOES = primeiro(cab, "CAMINHOVERSOES");
  c.USAPROXY = primeiro(cab, "USAPROXY");
  c.USUARIOSATUALIZAVERSAO = primeiro(cab, "USUARIOSATUALIZAVERSAO");
  c.NOMESERVIDOR = primeiro(cab, "NOMESERVIDOR");
  c.PROXY = primeiro(login, "PROXY");
  c.PORTAPROXY = primeiro(login, "PORTAPROXY");
  c.AUTENTICACAOPROXY = primeiro(login, "AUTENTICACAOPROXY");
  c.USUARIOPROXY = primeiro(login, "USUARIOPROXY");
  c.SENHAPROXY = FDecifraSenhaServico(primeiro(login, "SENHAPROXY"));
  return lidas;
}

bool proxyMudou(const Configuracoes& a, const Configuracoes& d) {
  return a.USAPROXY != d.USAPROXY || a.PROXY != d.PROXY || a.PORTAPROXY != d.PORTAPROXY ||
         a.AUTENTICACAOPROXY != d.AUTENTICACAOPROXY || a.USUARIOPROXY != d.USUARIOPROXY || a.SENHAPROXY != d.SENHAPROXY;
}

RecusaProxy validaProxy(const Configuracoes& v) {
  if (v.USAPROXY != "S") return {};
  if (v.PROXY.trimmed().isEmpty()) return {QString::fromUtf8("Informe o endereço do proxy."), "PROXY"};
  bool ok = false;
  const int porta = v.PORTAPROXY.trimmed().toInt(&ok);
  if (!ok || porta < 1 || porta > 65535)
    return {QString::fromUtf8("Informe uma porta do proxy entre 1 e 65535."), "PORTAPROXY"};
  return {};
}

void gravaConfiguracoes(FbConnection& conexao, const Configuracoes& v, const QString& modoGravacao, bool gravaProxy) {
  const SqlParams cabecalho{v.CAMINHOLOCALBACKUP, v.CAMINHOVERSOES, v.USUARIOSATUALIZAVERSAO, v.USAPROXY};
  if (modoGravacao != kModoAlteracao)
    conexao.execute(
        "INSERT INTO VERSOESCAB (USAATUALIZADORONLINE, CAMINHOLOCALBACKUP, CAMINHOVERSOES, "
        "USUARIOSATUALIZAVERSAO, USAPROXY) VALUES (\"S\", :PCAMINHOLOCALBACKUP, :PCAMINHOVERSOES, "
        ":PUSUARIOSATUALIZAVERSAO, :PUSAPROXY)",
        cabecalho);
  else
    conexao.execute(
        "UPDATE VERSOESCAB SET USAATUALIZADORONLINE = \"S\", CAMINHOLOCALBACKUP = :PCAMINHOLOCALBACKUP, "
        "CAMINHOVERSOES = :PCAMINHOVERSOES, USUARIOSATUALIZAVERSAO = :PUSUARIOSATUALIZAVERSAO, "
        "USAPROXY = :PUSAPROXY",
        cabecalho);
  if (!gravaProxy) return;
  // The web-service client decides by PARALOGIN's switch.
  conexao.execute("UPDATE PARALOGIN SET UTILIZAPROXY = :PUTILIZAPROXY", {v.USAPROXY});
  if (v.USAPROXY != "S") return;
  conexao.execute(
      "UPDATE PARALOGIN SET PROXY = :PPROXY, PORTAPROXY = :PPORTAPROXY, AUTENTICACAOPROXY = :PAUTPROXY, "
      "USUARIOPROXY = :PUSUARIOPROXY, SENHAPROXY = :PSENHAPROXY",
      {v.PROXY, v.PORTAPROXY, v.AUTENTICACAOPROXY, v.USUARIOPROXY, cifra(v.SENHAPROXY, kChaveServico)});
}

}  // namespace orvalto
