#include "update/busca_novas_versoes.h"

#include "base/estado_terminais.h"
#include "base/handler_guard.h"
#include "services/dm_web_service.h"
#include "update/atualizador.h"
#include "update/operacao_em_curso.h"
#include "update/registro_estado.h"

#include <QTimer>

#include <optional>

namespace orvalto {

BuscaNovasVersoes::BuscaNovasVersoes(const AppContext& ctx, std::function<TfrmAtualizador&()> motor,
                                     SharedWebService& servicos, const EstadoTerminais& estado, QObject* parent)
    : QObject(parent), ctx_(ctx), motor_(std::move(motor)), servicos_(servicos), estado_(estado) {}

void BuscaNovasVersoes::FBuscaNovasVersoes() {
  if (emAndamento_ || estado_.EmAtualizacao || (operacao_ && !operacao_->livre())) {
    if (!pendente_) gravaLog(ctx_, "FBuscaNovasVersoes: busca adiada até o fim da busca ou atualização em andamento.");
    pendente_ = true;
    return;
  }
  emAndamento_ = true;
  std::optional<OperacaoEmCurso::Posse> posse;
  if (operacao_) posse.emplace(*operacao_, OperacaoEmCurso::Tipo::Busca);
  RegistroEstado registro(ctx_);
  registro.inicioBusca();
  executa();
  registro.fimBusca();
  emAndamento_ = false;
  posse.reset();
  agendaPendente();
}

void BuscaNovasVersoes::executa() {
  TfrmAtualizador& motor = motor_();
  if (motor.FConectaBanco() && motor.FAtualizaEstrutura()) {
    const std::shared_ptr<TDmWebService> servico = servicos_.acquire();
    try {
      motor.FConectaBases(true);
      motor.PConfiguraServicos(*servico);
      motor.fBuscaNovaVersaoCliente(servicos_);
      emit buscaConcluida();
    } catch (const std::exception& e) {
      gravaLog(ctx_, "FBuscaNovasVersoes: " + QString::fromUtf8(e.what()));
    }
  }
  servicos_.release();
  try {
    motor.FConectaBases(false);
  } catch (const std::exception& e) {
    gravaLog(ctx_, "FBuscaNovasVersoes: " + QString::fromUtf8(e.what()));
  }
}

void BuscaNovasVersoes::aoTerminarAtualizacao() { agendaPendente(); }

void BuscaNovasVersoes::agendaPendente() {
  if (!pendente_ || emAndamento_ || estado_.EmAtualizacao || (operacao_ && !operacao_->livre())) return;
  pendente_ = false;
  // After the current event handler has returned, on the same thread.
  QTimer::singleShot(0, this,
                     [this] { protegeHandler(ctx_, "FBuscaNovasVersoes: ", [this] { FBuscaNovasVersoes(); }); });
}

}  // namespace orvalto
