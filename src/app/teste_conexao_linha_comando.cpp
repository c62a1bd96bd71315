#include "app/teste_conexao_linha_comando.h"

#include "app/saida_linha_comando.h"
#include "base/handler_guard.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"
#include "services/dm_web_service.h"
#include "update/configura_servicos.h"

namespace orvalto {
namespace {

// A person waits at the prompt: an address that swallows packets must not
// hold it for the engine's two minutes.
constexpr int kTempoLimiteMs = 30000;

const char* const kSemComunicacao = "Não houve comunicação com o WebService da WZQ. ";

}  // namespace

int testaConexao(const AppContext& ctx) {
  FbConnection cn;
  try {
    const ResultadoBanco conectou = FConectaBanco(cn, ctx.exeDir);
    if (!conectou) {
      escreveLinha(stderr, conectou.aviso()->titulo + ": " + conectou.aviso()->texto);
      return 1;
    }
    TDmWebService servico;
    servico.setTempoLimiteMs(kTempoLimiteMs);
    PConfiguraServicos(servico, cn, ctx.exeDir);
    cn.close();  // nothing else is read: the service's answer may take long
    if (servico.FComunica()) {
      escreveLinha(stdout, QString::fromUtf8("Conectado com sucesso ao WebService."));
      return 0;
    }
    escreveLinha(stderr, QString::fromUtf8(kSemComunicacao) + "Motivo desconhecido.");
  } catch (...) {
    escreveLinha(stderr, QString::fromUtf8(kSemComunicacao) + "Motivo: " + textoDaExcecao(std::current_exception()));
  }
  return 1;
}

}  // namespace orvalto
