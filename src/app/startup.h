#pragma once
// The start-up sequence before the event loop: one copy per machine, the
// wait for the database server's guardian, the schema upkeep and the
// self-replacement.
#include <QString>

namespace orvalto {

struct AppContext;
class Interaction;

inline constexpr const char* kMensagemJaAberto = "O aplicativo de atualização já está aberto.";

// True (after the "Alerta" warning) when another process runs an executable
// of the same name, in any folder and any letter case.
bool outraCopiaAberta(const QString& exeName, Interaction& ui);

// Blocks until the guardian process runs, polling every `intervalMs`, or
// until the program is asked to end.
void aguardaGuardiao(int intervalMs);

// The exit status of a start-up that failed under the service manager.
inline constexpr int kSaidaFalhaInicio = 1;

// Waits for the guardian, connects, brings the tables up to date and
// replaces the executable by a newer copy. Failures are reported by the
// steps themselves. False when the database could not be connected or its
// tables brought up to date (the caller decides whether to go on).
bool PInicializa(const AppContext& ctx);

}  // namespace orvalto
