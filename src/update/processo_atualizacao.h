#pragma once
// The update run: fetches the queued packages, refuses while other users are
// attached, backs the database up, runs the structure updater, replaces the
// executables and clears the refusal marks. It tells the requesting
// terminal how far it has come, restores the backup when the executables
// could not be replaced or the structure updater was ended at its limit, and
// has the maker mailed when a step fails. A stop of the program before the
// structure update ends the run quietly with the queue as it was; from the
// structure update on, the run is carried to its end before the program
// ends.
#include "base/app_context.h"
#include "platform/termination.h"
#include "update/registro_estado.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace orvalto {

class ConsoleLink;
class FalhaEtapa;
class SharedWebService;
class TfrmAtualizador;

class ProcessoAtualizacao : public QObject {
  Q_OBJECT

 public:
  // `servicos` is the registration-service client the program shares;
  // `motor` gives the shared engine, created first when there is none.
  ProcessoAtualizacao(const AppContext& ctx, ConsoleLink& console, std::function<TfrmAtualizador&()> motor,
                      SharedWebService& servicos, QObject* parent = nullptr);

  // Runs a whole update; the outcome is told through terminal messages,
  // the log, balloons and mail. Never throws.
  void FAtualizacao();

  // The one place a run that stops early is handled: the log line, the
  // terminal's message and the failure mail, as `falha` asks. The mail's
  // receiver hands its own failure back here. Never throws.
  void trata(const FalhaEtapa& falha);

 signals:
  // The scheduler's timer goes off for the run (false) and on again at its
  // end (true).
  void agendamentoLigado(bool ligado);
  // Failure mail `numero` (1, 2, 4 or 5, after its "[ERRO]:n|") is due,
  // sent while the event loop runs.
  void emailDeFalha(int numero);
  // The run is over, whatever its outcome.
  void terminou();

 private:
  void inicia(TfrmAtualizador& motor);
  void etapas(TfrmAtualizador& motor);
  void termina(TfrmAtualizador& motor);

  // One step's start: pending events handled, then the terminal's message
  // and the log line, each when given.
  void passo(const QString& mensagemTerminal, const QString& linhaLog);
  void recusaSeHaUsuarios(TfrmAtualizador& motor, const QString& mensagem);
  // Before the structure update a stop of the program ends the run here.
  void paraSeTerminando() const;
  // What ends the run: `falha`, or the quiet end when it came with a stop
  // before the structure update (a download cut by it, say).
  FalhaEtapa desfecho(const FalhaEtapa& falha) const;

  // A line of the log after "FAtualizacao: ".
  void log(const QString& linha) const;
  void balao(const QString& texto) const;
  void envia(const QString& mensagem);

  AppContext ctx_;
  ConsoleLink& console_;
  std::function<TfrmAtualizador&()> motor_;
  SharedWebService& servicos_;
  RegistroEstado registro_{ctx_};
  // Held from the structure update to the run's end.
  std::optional<RetencaoTermino> retencao_;
};

// Clears the refusal marks of VERSOESCAB; errors are ignored (older product
// databases lack the columns).
class FbConnection;
void PLimpaRecusaAtualizacao(FbConnection& conexao);

}  // namespace orvalto
