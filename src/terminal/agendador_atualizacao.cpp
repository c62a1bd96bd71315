#include "terminal/agendador_atualizacao.h"

#include "base/handler_guard.h"
#include "db/firebird_connection.h"
#include "db/transactions.h"
#include "update/atualizador.h"
#include "update/descoberta_versoes.h"

#include <stdexcept>

namespace orvalto {
namespace {

constexpr int kJanelaMinutos = 5;

// Characters 1-2 or 4-5 of an "HH:MM" text as a number.
int parteDaHora(const QString& hora, int posicao) {
  bool ok = false;
  const int valor = hora.mid(posicao, 2).toInt(&ok);
  if (!ok) throw std::runtime_error(QString("'%1' is not a valid integer value").arg(hora.mid(posicao, 2)).toStdString());
  return valor;
}

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

AgendadorAtualizacao::AgendadorAtualizacao(const AppContext& ctx, Dependencias dependencias)
    : ctx_(ctx), dep_(std::move(dependencias)) {}

void AgendadorAtualizacao::TmAgendamentoTimer() noexcept {
  try {
    executa();
  } catch (...) {
    gravaLog(ctx_, "TmAgendamentoTimer: " + textoDaExcecao(std::current_exception()));
  }
  try {
    if (dep_.desconecta) dep_.desconecta();
  } catch (...) {
    gravaLog(ctx_, "TmAgendamentoTimer: " + textoDaExcecao(std::current_exception()));
  }
}

void AgendadorAtualizacao::executa() {
  if (!dep_.conecta || !dep_.conecta()) return;
  switch (decideAgendamento(dep_.agora(), dep_.leAgenda())) {
    case DecisaoAgendamento::Nada:
      return;
    case DecisaoAgendamento::Atualizacao:
      // Cleared first, so that no later tick starts the same schedule again,
      // whatever the run's outcome.
      if (dep_.atualiza) {
        dep_.limpaHora();
        dep_.atualiza();
      }
      break;
    case DecisaoAgendamento::Relatorio:
      break;
  }
  if (dep_.relataVersao) dep_.relataVersao();
}

void acessoPeloMotor(AgendadorAtualizacao::Dependencias& dep, std::function<TfrmAtualizador&()> motor) {
  dep.conecta = [motor] {
    TfrmAtualizador& m = motor();
    if (!m.FConectaBanco()) return false;
    m.FConectaBases(true);
    return true;
  };
  dep.desconecta = [motor] { motor().FConectaBases(false); };
  dep.leAgenda = [motor] {
    const QueryResult r = motor().CnOrvalto.query("SELECT DT_AGENDAMENTO, HR_AGENDAMENTO FROM VERSOESCAB ");
    const QVariant data = r.value(0, "DT_AGENDAMENTO");
    return AgendaGravada{data.isNull() ? dataZero() : data.toDateTime(), r.value(0, "HR_AGENDAMENTO").toString()};
  };
  dep.limpaHora = [motor] {
    FbConnection& conexao = motor().CnOrvalto;
    PIniciaTransacao(conexao);
    conexao.execute("UPDATE VERSOESCAB SET HR_AGENDAMENTO = \"\"");
    PConfirmaTransacao(conexao);
  };
}

}  // namespace orvalto
