#include "update/indicador_espera.h"

#include "base/event_pump.h"
#include "base/handler_guard.h"
#include "base/interaction.h"
#include "base/mensagens_terminal.h"

namespace orvalto {

IndicadorEspera::IndicadorEspera(const ContextoEstagio& contexto) : contexto_(contexto) {
  Timer1.setInterval(1000);
  QObject::connect(&Timer1, &QTimer::timeout,
                   [this] { protegeHandler(contexto_.app(), "Timer1Timer: ", [this] { Timer1Timer(); }); });
}

void IndicadorEspera::liga() { Timer1.start(); }

void IndicadorEspera::desliga() { Timer1.stop(); }

void IndicadorEspera::Timer1Timer() {
  pumpEvents();
  if (barra_.size() > 104)
    barra_.clear();
  else if (barra_.size() % 10 == 0)
    contexto_.enviaTerminal(mensagem::conecta());
  pumpEvents();
  barra_ += '|';
  if (contexto_.ui()) contexto_.ui()->progressUpdate(pos_, max_, barra_);
}

}  // namespace orvalto
