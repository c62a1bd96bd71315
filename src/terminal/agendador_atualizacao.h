#pragma once
// The update scheduler behind the tray window's one-minute timer: the
// terminals store a date and an "HH:MM" in VERSOESCAB; the tick that finds
// the current time within five minutes after it (counted in minutes since
// midnight, same day only) clears the hour and starts the update run. Most
// other ticks give the daily version report its chance. The clock and every
// collaborator are passed in, so a tick can be driven at any chosen time.
#include "base/app_context.h"
#include "base/relogio.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace orvalto {

class TfrmAtualizador;

struct AgendaGravada {
  QDateTime data;  // DT_AGENDAMENTO; the zero date when empty
  QString hora;    // HR_AGENDAMENTO, "HH:MM"; empty: nothing pending
};

enum class DecisaoAgendamento {
  Nada,        // not the day yet, the hour is consumed, or another hour of the day
  Relatorio,   // only the version report
  Atualizacao  // clear the hour, run the update, then the report
};

// What a tick at `agora` makes of `agenda`. An hour whose digits are not a
// number throws std::runtime_error.
DecisaoAgendamento decideAgendamento(const QDateTime& agora, const AgendaGravada& agenda);

class AgendadorAtualizacao {
 public:
  struct Dependencias {
    Relogio agora = &QDateTime::currentDateTime;
    std::function<bool()> conecta;             // false: nothing more this tick
    std::function<void()> desconecta;          // after every tick, whatever happened
    std::function<AgendaGravada()> leAgenda;
    std::function<void()> limpaHora;           // committed before the run starts
    std::function<void()> atualiza;            // the update run; none connected: the schedule waits
    std::function<void()> relataVersao;        // the daily version report, when present
  };

  AgendadorAtualizacao(const AppContext& ctx, Dependencias dependencias);

  // One tick. Nothing leaves it: an error is logged as "TmAgendamentoTimer: "
  // and its text (no box on an unattended server) and the next tick tries
  // again.
  void TmAgendamentoTimer() noexcept;

  Dependencias& dependencias() { return dep_; }

 private:
  void executa();

  AppContext ctx_;
  Dependencias dep_;
};

// conecta, desconecta, leAgenda and limpaHora on the product connection of
// the engine `motor` gives (created first when there is none).
void acessoPeloMotor(AgendadorAtualizacao::Dependencias& dependencias, std::function<TfrmAtualizador&()> motor);

}  // namespace orvalto
