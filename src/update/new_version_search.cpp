#include "update/new_version_search.h"

#include "base/handler_guard.h"
#include "services/dm_web_service.h"
#include "base/run_state.h"
#include "update/atualizador.h"
#include "update/configura_servicos.h"
#include "update/registro_estado.h"

#include <QTimer>

namespace orvalto {

BuscaNovasVersoes::BuscaNovasVersoes(const AppContext& ctx, std::function<TfrmAtualizador&()> engine,
                                     SharedWebService& servicos, const EstadoTerminais& estado)
    : ctx_(ctx), engine_(std::move(engine)), servicos_(servicos), estado_(estado) {}

void BuscaNovasVersoes::FBuscaNovasVersoes() {
  if (emAndamento_ || estado_.EmAtualizacao) {
    if (!pendente_)
      gravaLog(ctx_, "FBuscaNovasVersoes: busca adiada até o fim da busca ou atualização em andamento.");
    pendente_ = true;
    return;
  }
  emAndamento_ = true;
  RegistroEstado registro(ctx_);
  registro.inicioBusca();
  executa();
  registro.fimBusca();
  emAndamento_ = false;
  agendaPendente();
}

void BuscaNovasVersoes::executa() {
  TfrmAtualizador& engine = engine_();
  if (engine.FConectaBanco() && engine.FAtualizaEstrutura()) {
    const std::shared_ptr<TDmWebService> servico = servicos_.acquire();
    try {
      engine.FConectaBases(true);
      PConfiguraServicos(*servico, engine.CnOrvalto, ctx_.exeDir);
      engine.fBuscaNovaVersaoCliente(servicos_);
      if (FAtualizaAtualizador) FAtualizaAtualizador();
    } catch (const std::exception& e) {
      gravaLog(ctx_, "FBuscaNovasVersoes: " + QString::fromUtf8(e.what()));
    }
  }
  servicos_.release();
  try {
    engine.FConectaBases(false);
  } catch (const std::exception& e) {
    gravaLog(ctx_, "FBuscaNovasVersoes: " + QString::fromUtf8(e.what()));
  }
}

void BuscaNovasVersoes::aoTerminarAtualizacao() { agendaPendente(); }

void BuscaNovasVersoes::agendaPendente() {
  if (!pendente_ || emAndamento_ || estado_.EmAtualizacao) return;
  pendente_ = false;
  // After the current event handler has returned, on the same thread.
  QTimer::singleShot(0, &contexto_, [this] { protegeHandler(ctx_, "FBuscaNovasVersoes: ", [this] { FBuscaNovasVersoes(); }); });
}

}  // namespace orvalto
