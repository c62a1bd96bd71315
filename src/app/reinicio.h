#pragma once
// The restart that a self-update asks for, launched when this process is
// ending, after its exit-time self-replacement: the new copy then finds
// neither its predecessor running nor an old file in its place.
#include "platform/gerenciador_servicos.h"

#include <QStringList>

namespace orvalto {

struct AppContext;

// The exit status that asks the service manager to start the program again
// (the unit restarts on it).
inline constexpr int kSaidaReinicio = 75;

// Starts the executable again, detached, with the command-line options of
// this run. Under the service manager (sobGerenciadorDeServicos) it restarts
// the program instead, so nothing is started. True when a copy was started.
bool PReiniciaPrograma(const AppContext& ctx, const QStringList& argumentos);

// In a copy started by PReiniciaPrograma: waits (at most 10 s) until the
// process that started it has ended, so the single-instance check does not
// see it still finishing its destructors.
void aguardaPredecessor();

}  // namespace orvalto
