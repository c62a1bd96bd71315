#pragma once
// The update engine: owns the product connection CnOrvalto and the stages,
// and keeps the operation names the rest of the program calls. Each stage is
// a class of its own (one file each) given what it needs through a
// ContextoEstagio; this class only builds them and forwards. One shared
// instance lives as long as the tray window; start-up uses a temporary one.
#include "base/app_context.h"
#include "db/firebird_connection.h"
#include "update/atualiza_base.h"
#include "update/auto_atualizacao.h"
#include "update/backup_banco.h"
#include "update/contexto_estagio.h"
#include "update/descoberta_versoes.h"
#include "update/download_pacotes.h"
#include "update/indicador_espera.h"
#include "update/processo_atualizacao.h"
#include "update/progresso_descompactado.h"
#include "update/troca_versoes.h"

#include <QDateTime>

namespace orvalto {

class ConsoleLink;
class SharedWebService;

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
  bool FBaixaVersoes(bool janelaProgresso) { return download_.FBaixaVersoes(janelaProgresso); }
  bool FBaixaArquivo(const QString& endereco, const QString& pasta, bool janelaProgresso) {
    return download_.FBaixaArquivo(endereco, pasta, janelaProgresso);
  }

  // --- discovery ---
  bool fBuscaNovaVersaoCliente(SharedWebService& servicos) { return descoberta_.fBuscaNovaVersaoCliente(servicos); }
  bool EmBusca() const { return descoberta_.EmBusca; }

  // --- extraction and executable replacement ---
  // Installs the queued packages' executables, empties the queue and tells
  // the registration service (through `servicos`, the shared client).
  bool FTrocaVersoes(SharedWebService& servicos) { return troca_.FTrocaVersoes(servicos); }
  void PListaArquivos(QStringList& lista, const QString& pasta, bool recursivo, const QString& extensao) const {
    troca_.PListaArquivos(lista, pasta, recursivo, extensao);
  }
  bool FApagaVersaoItem(const QString& endereco) { return troca_.FApagaVersaoItem(endereco); }
  // Extracts one archive into an existing folder, with a progress window
  // for this call only (a stage that extracts several keeps its own
  // TfrmProgressoDescompactado instead).
  bool FDescompactaArquivo(const QString& arquivo, const QString& pastaDestino) {
    TfrmProgressoDescompactado janela(contexto_);
    return janela.FDescompactaArquivo(arquivo, pastaDestino);
  }
  TrocaVersoes& Troca() { return troca_; }

  // --- attached users, folders, backup and restore ---
  int FContaConexoes();
  bool FVerificaPastas();
  bool FVerificaCaminhoBanco() { return backup_.FVerificaCaminhoBanco(); }
  bool FRealizaBackup() { return backup_.FRealizaBackup(); }
  bool FRestauraBackup() { return backup_.FRestauraBackup(); }
  void PCopiaArquivo(const QString& origem, const QString& destino);
  BackupBanco& Backup() { return backup_; }

  // --- structure update ---
  bool FAtualizaBase(SharedWebService& servicos) { return atualizaBase_.FAtualizaBase(servicos); }
  int FExecutaEEspera(const QString& linhaComando, int modoJanela) {
    return atualizaBase_.FExecutaEEspera(linhaComando, modoJanela);
  }
  AtualizaBase& EstruturaBase() { return atualizaBase_; }

  // --- update run ---
  // Clears the refusal marks of VERSOESCAB after a successful run.
  void PLimpaRecusaAtualizacao() { orvalto::PLimpaRecusaAtualizacao(CnOrvalto); }

  // --- self-update ---
  bool FAtualizaAtualizador() { return autoAtualizacao_.FAtualizaAtualizador(); }
  AutoAtualizacao& AutoAtualiza() { return autoAtualizacao_; }

  // The stages, for the tests and for the stages that use each other.
  IndicadorEspera& Indicador() { return indicador_; }
  DownloadPacotes& Download() { return download_; }
  DescobertaVersoes& Descoberta() { return descoberta_; }

  // The server's time as the last successful probe read it.
  const QDateTime& DataHoraServidor() const { return dataHoraServidor_; }
  const AppContext& context() const { return ctx_; }
  ConsoleLink* console() const { return console_; }
  const ContextoEstagio& contexto() const { return contexto_; }

 private:
  AppContext ctx_;
  ConsoleLink* console_;
  QDateTime dataHoraServidor_;
  ContextoEstagio contexto_;
  IndicadorEspera indicador_;
  DownloadPacotes download_;
  DescobertaVersoes descoberta_;
  ProvisaoUnrar provisaoUnrar_;
  TrocaVersoes troca_;
  BackupBanco backup_;
  AtualizaBase atualizaBase_;
  AutoAtualizacao autoAtualizacao_;
};

}  // namespace orvalto
