#pragma once
// The update scheduler behind the tray window's one-minute timer: the
// terminals store a date and an "HH:MM" in VERSOESCAB; the tick that finds
// the current time within five minutes after it (counted in minutes since
// midnight, same day only) clears the hour and announces the due run. Most
// other ticks give the daily version report its chance. The clock can be
// moved, so a tick can be driven at any chosen time.
#include "base/app_context.h"
#include "base/relogio.h"
#include "update/descoberta_versoes.h"
#include "update/operacao_em_curso.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace orvalto {

class TfrmAtualizador;

// DT_AGENDAMENTO (the zero date when empty) and HR_AGENDAMENTO ("HH:MM";
// empty: nothing pending).
using AgendaGravada = AgendaAReportar;

enum class DecisaoAgendamento {
  Nada,        // not the day yet, the hour is consumed, or another hour of the day
  Relatorio,   // only the version report
  Atualizacao  // clear the hour, run the update, then the report
};

// What a tick at `agora` makes of `agenda`. An hour whose digits are not a
// number throws std::runtime_error.
DecisaoAgendamento decideAgendamento(const QDateTime& agora, const AgendaGravada& agenda);

class AgendadorAtualizacao : public QObject {
  Q_OBJECT

 public:
  // `motor` gives the shared engine (created first when there is none);
  // `relataVersao` is the daily version report, called on the ticks that
  // give it its chance (its errors end the tick like the tick's own).
  AgendadorAtualizacao(const AppContext& ctx, std::function<TfrmAtualizador&()> motor,
                       std::function<void()> relataVersao, QObject* parent = nullptr);

  // One tick. Nothing leaves it: an error is logged as "TmAgendamentoTimer: "
  // and its text (no box on an unattended server) and the next tick tries
  // again.
  void TmAgendamentoTimer() noexcept;

  // The tick holds the shared engine through `operacao`; a tick that finds
  // it held (a search, a run, an earlier tick still showing its error) only
  // logs, and the next tick does the work.
  void compartilha(OperacaoEmCurso& operacao) { operacao_ = &operacao; }

  // The clock the ticks read; tests move it.
  Relogio agora = &QDateTime::currentDateTime;

 signals:
  // The scheduled minute has come; the hour is already cleared, so no later
  // tick starts it again. With nothing connected the schedule waits.
  void atualizacaoDevida();

 private:
  void executa(TfrmAtualizador& motor, std::optional<OperacaoEmCurso::Posse>& posse);

  AppContext ctx_;
  std::function<TfrmAtualizador&()> motor_;
  std::function<void()> relataVersao_;
  OperacaoEmCurso* operacao_ = nullptr;
};

}  // namespace orvalto
