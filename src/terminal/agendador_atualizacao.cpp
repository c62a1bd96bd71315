#include "terminal/agendador_atualizacao.h"

#include "base/handler_guard.h"
#include "update/atualizador.h"

#include <QMetaMethod>

#include <stdexcept>

namespace orvalto {
namespace {

constexpr int kJanelaMinutos = 5;

}  // namespace

DecisaoAgendamento decideAgendamento(const QDateTime& agora, const AgendaGravada& agenda) {
  const QDate hoje = agora.date();
  const QDate dia = agenda.data.isValid() ? agenda.data.date() : dataZero().date();
  if (hoje < dia) return DecisaoAgendamento::Nada;
  if (hoje > dia) return DecisaoAgendamento::Relatorio;
  if (agenda.hora.isEmpty()) return DecisaoAgendamento::Nada;
  const QString atual = agora.toString("HH:mm");
  const int horaAgendada = parteDaHora(agenda.hora, 0), minutoAgendado = parteDaHora(agenda.hora, 3);
  const int horaAtual = parteDaHora(atual, 0), minutoAtual = parteDaHora(atual, 3);
  const int passados = (horaAtual * 60 + minutoAtual) - (horaAgendada * 60 + minutoAgendado);
  if (passados >= 0 && passados <= kJanelaMinutos) return DecisaoAgendamento::Atualizacao;
  // Another hour of the scheduled day belongs to the schedule: no report.
  if (horaAtual != horaAgendada) return DecisaoAgendamento::Nada;
  return DecisaoAgendamento::Relatorio;
}

AgendadorAtualizacao::AgendadorAtualizacao(const AppContext& ctx, std::function<TfrmAtualizador&()> motor,
                                           std::function<void()> relataVersao, QObject* parent)
    : QObject(parent), ctx_(ctx), motor_(std::move(motor)), relataVersao_(std::move(relataVersao)) {}

void AgendadorAtualizacao::TmAgendamentoTimer() noexcept {
  if (operacao_ && !operacao_->livre()) {
    gravaLog(ctx_, "TmAgendamentoTimer: banco de dados em uso por outra operação; fica para o próximo minuto.");
    return;
  }
  std::optional<OperacaoEmCurso::Posse> posse;
  if (operacao_) posse.emplace(*operacao_, OperacaoEmCurso::Tipo::Agendamento);
  TfrmAtualizador* motor = nullptr;
  try {
    motor = &motor_();
    executa(*motor, posse);
  } catch (...) {
    gravaLog(ctx_, "TmAgendamentoTimer: " + textoDaExcecao(std::current_exception()));
  }
  try {
    // Whatever happened, the tick leaves the connection closed.
    if (motor) motor->FConectaBases(false);
  } catch (...) {
    gravaLog(ctx_, "TmAgendamentoTimer: " + textoDaExcecao(std::current_exception()));
  }
}

void AgendadorAtualizacao::executa(TfrmAtualizador& motor, std::optional<OperacaoEmCurso::Posse>& posse) {
  if (!motor.FConectaBanco()) return;
  motor.FConectaBases(true);
  switch (decideAgendamento(agora(), motor.FLeAgenda())) {
    case DecisaoAgendamento::Nada: return;
    case DecisaoAgendamento::Atualizacao:
      // Cleared first, so that no later tick starts the same schedule again,
      // whatever the run's outcome.
      if (isSignalConnected(QMetaMethod::fromSignal(&AgendadorAtualizacao::atualizacaoDevida))) {
        motor.PLimpaHoraAgendada();
        // The run, started here, holds the engine itself.
        posse.reset();
        emit atualizacaoDevida();
      }
      break;
    case DecisaoAgendamento::Relatorio: break;
  }
  if (relataVersao_) relataVersao_();
}

}  // namespace orvalto
