#pragma once
// The search for new versions as the tray window starts it (a terminal's
// "[BUSCAR]", the settings' connection test): connect, bring the tables up
// to date, ask the registration service through the shared client, and
// release the client and the connection at the end.
#include "base/app_context.h"

#include <QObject>

#include <functional>

namespace orvalto {

class OperacaoEmCurso;
class TfrmAtualizador;
class SharedWebService;
struct EstadoTerminais;

class BuscaNovasVersoes : public QObject {
  Q_OBJECT

 public:
  BuscaNovasVersoes(const AppContext& ctx, std::function<TfrmAtualizador&()> motor, SharedWebService& servicos,
                    const EstadoTerminais& estado, QObject* parent = nullptr);

  // Runs a search now. While a search or an update run is in progress a
  // request is remembered (once) and run when that one has ended, instead
  // of reconnecting and releasing things under the running one's feet.
  void FBuscaNovasVersoes();

  // The update run calls this at its end: a search asked for during the run
  // starts now.
  void aoTerminarAtualizacao();

  bool emAndamento() const { return emAndamento_; }
  bool pendente() const { return pendente_; }

  // The search holds the shared engine through `operacao` and waits, like
  // during a run, while another operation holds it.
  void compartilha(OperacaoEmCurso& operacao) { operacao_ = &operacao; }

 signals:
  // A search has asked the service, with the connection still open: the
  // daily self-update's turn.
  void buscaConcluida();

 private:
  void executa();
  void agendaPendente();

  AppContext ctx_;
  std::function<TfrmAtualizador&()> motor_;
  SharedWebService& servicos_;
  const EstadoTerminais& estado_;
  bool emAndamento_ = false;
  bool pendente_ = false;
  OperacaoEmCurso* operacao_ = nullptr;
};

}  // namespace orvalto
