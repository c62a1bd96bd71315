#pragma once
// The update engine: owns the product connection CnOrvalto, the HTTP client
// and the progress panel, and is the object the update stages are
// operations of. One shared instance lives as long as the tray window;
// start-up uses a temporary one.
#include "app/app_context.h"
#include "db/firebird_connection.h"

#include <QDateTime>
#include <QTimer>

#include <memory>

class QNetworkAccessManager;

namespace orvalto {

class ConsoleLink;
class SharedWebService;
class TInfoCliente;
struct AgendaAReportar;

class TfrmAtualizador {
 public:
  explicit TfrmAtualizador(const AppContext& ctx, ConsoleLink* console = nullptr);
  ~TfrmAtualizador();

  FbConnection CnOrvalto;

  // Reads the connection settings again, reconnects and probes the server.
  bool FConectaBanco();
  // Opens (true) or closes (false) CnOrvalto; driver errors reach the caller.
  bool FConectaBases(bool abrir);
  // Brings VERSOESCAB and VERSOESITEM up to date.
  bool FAtualizaEstrutura();
  // The versions folder stored in VERSOESCAB.
  QString FCaminhoVersoes();

  // --- package download ---
  // Fetches every queued package not yet in the versions folder's TMP/.
  // True when no transfer failed; false on a failure, an empty queue, a
  // folder that cannot be made or any other error.
  bool FBaixaVersoes(bool janelaProgresso);
  // Fetches one package into `pasta` (ending with a separator). True when
  // the transfer completed; the file appears under its name only then.
  bool FBaixaArquivo(const QString& endereco, const QString& pasta, bool janelaProgresso);
  void IdHTTP1WorkBegin(qint64 total);
  void IdHTTP1Work(qint64 recebidos);
  // The keep-alive of long stages, every second while Timer1 runs.
  void Timer1Timer();
  QTimer Timer1;
  QString StaticTextLoading;    // the waiting bar: a run of "|"
  qint64 pgrsArquivoMax = 100;  // progress gauge, in bytes
  qint64 pgrsArquivoPos = 0;
  // A transfer that receives nothing for this long fails.
  int paradaDownloadMs = 5 * 60 * 1000;

  // --- discovery ---
  // Asks the registration service about every company, stores its
  // settings, queues the packages and downloads them. False when refused
  // (a search is running) or stopped by an error.
  bool fBuscaNovaVersaoCliente(SharedWebService& servicos);
  // True when the service's schedule is later than the stored one.
  bool FAgendamentoPosterior(const QString& hora, const QDateTime& data);
  // Stores the customer's backup settings and, when adopted, its schedule.
  bool FGravaDadosCliente(const TInfoCliente& cliente, AgendaAReportar& agenda);
  // Queues the customer's modules that come with a download address.
  bool FGravaVersoesItem(const TInfoCliente& cliente);
  bool EmBusca = false;

  // The server's time as the last successful probe read it.
  const QDateTime& DataHoraServidor() const { return dataHoraServidor_; }
  const AppContext& context() const { return ctx_; }
  ConsoleLink* console() const { return console_; }

 private:
  void log(const QString& mensagem) const;
  void balao(const QString& texto) const;
  void enviaTerminal(const QString& mensagem) const;
  void defineEmDownload(bool valor) const;
  QNetworkAccessManager& IdHTTP1();

  AppContext ctx_;
  ConsoleLink* console_;
  QDateTime dataHoraServidor_;
  std::unique_ptr<QNetworkAccessManager> http_;
};

}  // namespace orvalto
