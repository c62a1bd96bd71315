#pragma once
// Database operations answer the box their caller shows; the tests show it
// the way the engine does and read it back from the scripted interaction.
#include "db/resultado_banco.h"
#include "support/scripted_interaction.h"
#include "update/contexto_estagio.h"

namespace orvalto::test {

inline bool mostrado(ScriptedInteraction& ui, const ResultadoBanco& resultado) {
  return mostraResultado(&ui, resultado);
}

}  // namespace orvalto::test
