#include "update/contexto_estagio.h"

#include "base/console_link.h"
#include "base/handler_guard.h"
#include "base/interaction.h"
#include "db/resultado_banco.h"

namespace orvalto {

EstadoTerminais* ContextoEstagio::estado() const { return console_ ? &console_->estadoTerminais() : nullptr; }

void ContextoEstagio::log(const QString& mensagem) const { gravaLog(app_, mensagem); }

void ContextoEstagio::balao(const QString& texto) const {
  if (console_) console_->PMostraBalao("Orvalto Atualizador", texto, 1, 10);
}

void ContextoEstagio::enviaTerminal(const QString& mensagem) const {
  if (console_) console_->SendMessage(mensagem);
}

bool mostraResultado(Interaction* ui, const ResultadoBanco& resultado) {
  if (const auto& aviso = resultado.aviso(); aviso && ui)
    ui->showMessage(aviso->erro ? MessageIcon::Error : MessageIcon::Warning, aviso->titulo, aviso->texto);
  return static_cast<bool>(resultado);
}

}  // namespace orvalto
