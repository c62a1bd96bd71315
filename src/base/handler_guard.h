#pragma once
// The boundary of every event handler (socket, timer, window): nothing may
// escape into the event loop. An error is written to the log with the
// handler's prefix and shown through the interaction, and the program goes
// on serving.
#include "platform/diario_servico.h"

#include <QString>

#include <exception>
#include <functional>

namespace orvalto {

struct AppContext;

// Caption of the box that shows an error no stage caught.
inline constexpr const char* kTituloErro = "Orvalto Atualizador";

// Appends to the operation log; when the log itself cannot be written the
// line goes to standard error instead. Never throws. `nivel` is the line's
// level in the journal.
void gravaLog(const AppContext& ctx, const QString& mensagem, NivelLog nivel = NivelLog::Informacao) noexcept;

// Logs `prefixo` + the error text (an error in the journal) and shows it
// through the interaction.
void registraErro(const AppContext& ctx, const QString& prefixo, const QString& texto) noexcept;

// Runs `trabalho`; whatever it throws ends in registraErro.
void protegeHandler(const AppContext& ctx, const QString& prefixo, const std::function<void()>& trabalho) noexcept;

// The text of the exception being handled (for catch (...) blocks).
QString textoDaExcecao(std::exception_ptr erro);

}  // namespace orvalto
