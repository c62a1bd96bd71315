#pragma once
// The boundary of every event handler (socket, timer, window): nothing may
// escape into the event loop. An error is written to the log with the
// handler's prefix and shown through the interaction, and the program goes
// on serving.
#include "base/app_context.h"
#include "platform/diario_servico.h"

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <type_traits>

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

// Connects `sinal` of `emissor` to `corpo`, which runs in `contexto`'s
// thread inside protegeHandler with `prefixo`: a slot is an event handler
// like any other, and nothing it throws may reach the emitter or the loop.
// `corpo` takes the signal's arguments, or none (QTimer::timeout's private
// one).
template <typename Emissor, typename Sinal, typename Corpo>
QMetaObject::Connection conectaProtegido(const AppContext& ctx, const Emissor* emissor, Sinal sinal,
                                         const QObject* contexto, const QString& prefixo, Corpo corpo,
                                         Qt::ConnectionType tipo = Qt::AutoConnection) {
  return QObject::connect(
      emissor, sinal, contexto,
      [ctx, prefixo, corpo](const auto&... argumentos) {
        protegeHandler(ctx, prefixo, [&] {
          if constexpr (std::is_invocable_v<const Corpo&, decltype(argumentos)...>)
            corpo(argumentos...);
          else
            corpo();
        });
      },
      tipo);
}

}  // namespace orvalto
