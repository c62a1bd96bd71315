#pragma once
// The update run: fetches the queued packages, refuses while other users are
// attached, backs the database up, runs the structure updater, replaces the
// executables and clears the refusal marks. It tells the requesting
// terminal how far it has come, restores the backup when the executables
// could not be replaced, and mails the maker when a stage fails.
#include "base/app_context.h"
#include "update/registro_estado.h"

#include <QString>

#include <functional>

namespace orvalto {

class ConsoleLink;
class SharedWebService;
class TfrmAtualizador;

class ProcessoAtualizacao {
 public:
  // What the run needs from the program around the engine.
  struct Ligacoes {
    // Switches the scheduler's timer off (false) and on again (true).
    std::function<void(bool ligado)> agendamento;
    // Sends the failure mail that follows "[ERRO]:n|" (1, 2, 4 or 5) while
    // the event loop runs; an unreachable mail server throws.
    std::function<void(int falha)> enviaEmailFalha;
    // Called at the very end (a search asked for during the run starts).
    std::function<void()> aoTerminar;
  };

  // `servicos` is the registration-service client the program shares.
  ProcessoAtualizacao(const AppContext& ctx, ConsoleLink& console, std::function<TfrmAtualizador&()> motor,
                      SharedWebService& servicos, Ligacoes ligacoes);

  // Runs a whole update; the outcome is told through terminal messages,
  // the log, balloons and mail. Never throws.
  void FAtualizacao();

 private:
  // The stages in order; false ends the run quietly, an exception takes the
  // error path.
  void etapas(TfrmAtualizador& motor);
  bool baixaEVerifica(TfrmAtualizador& motor);
  void instalaOuRestaura(TfrmAtualizador& motor);
  void falhaComEmail(const QString& mensagem, int numeroEmail);
  void recusaSeHaUsuarios(TfrmAtualizador& motor, const QString& mensagem);
  void termina(TfrmAtualizador& motor);

  void log(const QString& mensagem) const;
  void balao(const QString& texto) const;
  void envia(const QString& mensagem);

  AppContext ctx_;
  ConsoleLink& console_;
  std::function<TfrmAtualizador&()> motor_;
  SharedWebService& servicos_;
  Ligacoes ligacoes_;
  RegistroEstado registro_{ctx_};
};

// Clears the refusal marks of VERSOESCAB; errors are ignored (older product
// databases lack the columns).
class FbConnection;
void PLimpaRecusaAtualizacao(FbConnection& conexao);

}  // namespace orvalto
