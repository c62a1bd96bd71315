#pragma once
// What every stage of the update engine is given instead of reaching for the
// engine: the installation (log, interaction, the executable's folder), the
// tray window (terminal messages, balloons, run state) and the product
// connection CnOrvalto, which the engine owns.
#include "base/app_context.h"

#include <QString>

namespace orvalto {

class ConsoleLink;
class FbConnection;
class Interaction;
class ResultadoBanco;
struct EstadoTerminais;

// Shows the box a database operation answered, if any, through `ui` (may be
// null); true when the operation worked.
bool mostraResultado(Interaction* ui, const ResultadoBanco& resultado);

class ContextoEstagio {
 public:
  ContextoEstagio(const AppContext& app, ConsoleLink* console, FbConnection& conexao)
      : app_(app), console_(console), conexao_(&conexao) {}

  const AppContext& app() const { return app_; }
  FbConnection& CnOrvalto() const { return *conexao_; }
  Interaction* ui() const { return app_.ui; }
  ConsoleLink* console() const { return console_; }
  // The run state the terminals are told about; null without a tray window.
  EstadoTerminais* estado() const;

  // One line of the operation log (never throws).
  void log(const QString& mensagem) const;
  // A tray balloon titled "Orvalto Atualizador", information, 10 seconds.
  void balao(const QString& texto) const;
  // A message to the terminal whose update request was accepted last.
  void enviaTerminal(const QString& mensagem) const;
  // Shows the box a database operation answered, if any; true when it
  // worked.
  bool confere(const ResultadoBanco& resultado) const { return mostraResultado(ui(), resultado); }

 private:
  AppContext app_;
  ConsoleLink* console_;
  FbConnection* conexao_;
};

}  // namespace orvalto
