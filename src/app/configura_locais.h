#pragma once
// The tray window's behaviour and state, without any widget: the terminal
// server, the scheduler's timer, the flags the terminals are told about,
// the shared update engine and the self-replacement at program end. The
// desktop program puts a window and a tray icon on top of it; the headless
// service runs it alone.
#include "base/app_context.h"
#include "base/console_link.h"
#include "base/estado_terminais.h"
#include "configuracoes/formulario_configuracoes.h"
#include "notify/envia_email.h"
#include "services/dm_web_service.h"
#include "terminal/agendador_atualizacao.h"
#include "terminal/terminal_server.h"
#include "update/busca_novas_versoes.h"
#include "update/envio_versao_diaria.h"
#include "update/operacao_em_curso.h"
#include "update/processo_atualizacao.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace orvalto {

class TfrmAtualizador;

// Title of the window: this text followed by VersaoAtualizador.
inline constexpr const char* kTituloJanela = "Orvalto Atualizador Servidor - ";

class TfrmConfiguraLocais : public QObject, public EstadoTerminais, public ConsoleLink {
  Q_OBJECT

 public:
  // Starts listening for the terminals on `porta` (0: any free port), waits
  // for the database server's guardian, enables the scheduler's timer and
  // prepares the shared update engine.
  TfrmConfiguraLocais(const AppContext& ctx, quint16 porta, QObject* parent = nullptr);
  // Runs FormDestroy when nobody did.
  ~TfrmConfiguraLocais() override;

  const QString& Caption() const { return caption_; }
  const AppContext& context() const { return ctx_; }

  // EmAtualizacao, EmDownload, IPSolicitante and ComandoRecebido come from
  // EstadoTerminais.
  QString ModoGravacao;     // "I" or "A": how the settings form saves
  quint16 UltimaTecla = 0;  // virtual-key code of the last key pressed in the window, 0 after release

  TerminalServer& Server() { return server_; }
  EstadoTerminais& estadoTerminais() override { return *this; }
  void SendMessage(const QString& mensagem, const QString& endereco = QString()) override {
    server_.SendMessage(mensagem, endereco);
  }

  // The one-minute timer of the scheduler, enabled at creation; each tick
  // is the scheduler's tick. The update run stops it for its duration.
  QTimer& TmAgendamento() { return tmAgendamento_; }
  // The scheduler; its due minute starts the update run, and its ticks
  // give the daily version report its chance.
  AgendadorAtualizacao& Agendador() { return agendador_; }

  // The update run (a terminal's "[ATUALIZAR]", the scheduled minute).
  // Refused while one is going on; asked for during a search, it starts
  // when the search has ended.
  void FAtualizacao();

  // The shared update engine, created at creation and kept to the end.
  TfrmAtualizador* frmAtualizador() { return frmAtualizador_.get(); }
  // The same, created first when there is none (the run, the search and
  // the scheduler need it whatever happened before).
  TfrmAtualizador& garanteAtualizador();

  // Creates the shared engine, connects and brings the tables up to date.
  // False only when the upkeep failed (the connection is then left open).
  bool AbreConexoes();

  // A balloon on the tray icon (headless: a line on standard error).
  void PMostraBalao(const QString& titulo, const QString& texto, int tipo, int segundos) override;

  // The search for new versions ("[BUSCAR]", the settings' connection
  // test); one asked for while another search or a run is going on runs
  // when that one has ended.
  void FBuscaNovasVersoes() { busca_.FBuscaNovasVersoes(); }
  // The registration-service client the operations of this window share.
  SharedWebService& ServicoWeb() { return servicos_; }

  // The window is being opened from the tray: the settings form reads the
  // database through this connection.
  void PmAbrirClick();
  // The window became visible: the settings form checks the server
  // designation and loads the settings and users (errors reach the
  // caller's boundary). False: it goes back to the tray (the designation
  // was refused); the settings are loaded either way.
  bool FormShow();

  // The daily version report the scheduler's tick gives its chance.
  void PEnviaVersaoDiaria() { envioVersao_.PEnviaVersaoDiaria(); }

  // The settings form the window's fields show.
  FormularioConfiguracoes& Formulario() { return formulario_; }

  // Program end: replaces the running executable by a newer copy from the
  // versions folder, then releases the shared engine. Runs once.
  void FormDestroy();

 private:
  // Every connection between the pieces of the window, in one place.
  void ligaComponentes();
  // The failure mail `numero` for the company the terminals identified; a
  // mail server that cannot be reached is the run's error.
  void enviaEmailFalha(int numero);
  void ligaAgendamento(bool ligado);
  void iniciaServidor(quint16 porta);

  AppContext ctx_;
  QString caption_;
  TerminalServer server_;
  QTimer tmAgendamento_;
  std::unique_ptr<TfrmAtualizador> frmAtualizador_;
  SharedWebService servicos_;
  OperacaoEmCurso operacao_;
  BuscaNovasVersoes busca_;
  AgendadorAtualizacao agendador_;
  TFEnviaEmail email_;
  ProcessoAtualizacao processo_;
  FormularioConfiguracoes formulario_;
  EnvioVersaoDiaria envioVersao_;
  bool destruido_ = false;
};

}  // namespace orvalto
