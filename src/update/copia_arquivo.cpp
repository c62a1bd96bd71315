#include "update/copia_arquivo.h"

#include "base/servindo_eventos.h"

namespace orvalto {
namespace {

void copiaServindoEventos(const QString& origem, const QString& destino, const std::optional<DonoArquivo>& dono) {
  // The worker gets copies of everything it uses.
  executaServindoEventos(
      [origem, destino, dono](std::stop_token parar) { copiaDuravel(origem, destino, dono, parar); });
}

}  // namespace

void PCopiaArquivo(const QString& origem, const QString& destino) { copiaServindoEventos(origem, destino, {}); }

void PCopiaArquivo(const QString& origem, const QString& destino, const DonoArquivo& dono) {
  copiaServindoEventos(origem, destino, dono);
}

}  // namespace orvalto
