#include "update/copia_arquivo.h"

#include "base/servindo_eventos.h"

namespace orvalto {
namespace {

void copiaServindoEventos(const QString& origem, const QString& destino, const std::optional<DonoArquivo>& dono,
                          const AjusteCopia& ajuste = {}) {
  // The worker gets copies of everything it uses.
  executaServindoEventos(
      [origem, destino, dono, ajuste](std::stop_token parar) { copiaDuravel(origem, destino, dono, parar, ajuste); });
}

}  // namespace

void PCopiaArquivo(const QString& origem, const QString& destino) { copiaServindoEventos(origem, destino, {}); }

void PCopiaArquivo(const QString& origem, const QString& destino, const DonoArquivo& dono) {
  copiaServindoEventos(origem, destino, dono);
}

void PCopiaArquivo(const QString& origem, const QString& destino, const AjusteCopia& ajuste) {
  copiaServindoEventos(origem, destino, {}, ajuste);
}

}  // namespace orvalto
