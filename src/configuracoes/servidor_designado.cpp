#include "configuracoes/servidor_designado.h"

#include "base/app_context.h"
#include "base/handler_guard.h"
#include "base/interaction.h"
#include "configuracoes/titulos.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"
#include "db/sql_helpers.h"
#include "platform/system.h"

namespace orvalto {
namespace {

constexpr int kTamanhoNomeComputador = 15;

bool designa(FbConnection& conexao, const AppContext& ctx, const QString& nomeComputador) {
  const QueryResult r = conexao.query("Select NOMESERVIDOR From VERSOESCAB");
  const QString nomeServidor = r.isEmpty() ? QString() : r.rows.first().first().toString();
  if (nomeServidor == nomeComputador) return true;
  if (!nomeServidor.isEmpty()) {
    const QString pergunta = "Existe um servidor configurado na rede na máquina " + nomeServidor +
                             ".\rDeseja definir este computador (" + nomeComputador + ") como novo servidor?";
    if (!ctx.ui || !ctx.ui->askYesNo(kTituloConfirmacao, pergunta, false)) return false;
  }
  conexao.execute("UPDATE VERSOESCAB SET NOMESERVIDOR = " + quoteKey(nomeComputador));
  return true;
}

}  // namespace

QString FNomeComputador() { return hostName().left(kTamanhoNomeComputador); }

bool FVerificaServidor(FbConnection& conexao, const AppContext& ctx, const QString& nomeComputador) {
  bool designado = false;
  try {
    FConectaBases(conexao, true);
    designado = designa(conexao, ctx, nomeComputador);
  } catch (...) {
    gravaLog(ctx, "FVerificaServidor: " + textoDaExcecao(std::current_exception()));
    designado = false;
  }
  FConectaBases(conexao, false);
  return designado;
}

}  // namespace orvalto
