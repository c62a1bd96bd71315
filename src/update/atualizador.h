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
#include "update/progresso_descompactado.h"
#include "update/troca_versoes.h"

#include <memory>

namespace orvalto {

class ConsoleLink;
class SharedWebService;
class TDmWebService;

namespace test {
struct AcessoMotor;
}

class TfrmAtualizador {
 public:
  explicit TfrmAtualizador(const AppContext& ctx, ConsoleLink* console = nullptr);
  ~TfrmAtualizador();

  // Reads the connection settings again, reconnects and probes the server.
  bool FConectaBanco();
  // Opens (true) or closes (false) CnOrvalto; driver errors reach the caller.
  bool FConectaBases(bool abrir);
  // Brings VERSOESCAB and VERSOESITEM up to date.
  bool FAtualizaEstrutura();
  // The versions folder stored in VERSOESCAB.
  QString FCaminhoVersoes();
  // CnOrvalto for looking only (is it open, where does it point).
  const FbConnection& conexao() const { return CnOrvalto; }

  // --- schedule and registration service ---
  // The schedule the terminals stored in VERSOESCAB (the zero date when
  // the day is empty).
  AgendaAReportar FLeAgenda();
  // Empties the stored hour, committed before anything else happens.
  void PLimpaHoraAgendada();
  // Points the service client at the addresses the product database gives.
  void PConfiguraServicos(TDmWebService& servico);

  // --- package download and discovery ---
  bool FBaixaVersoes(bool janelaProgresso) { return download_->FBaixaVersoes(janelaProgresso); }
  bool FBaixaArquivo(const QString& endereco, const QString& pasta, bool janelaProgresso) {
    return download_->FBaixaArquivo(endereco, pasta, janelaProgresso);
  }
  bool fBuscaNovaVersaoCliente(SharedWebService& servicos) { return descoberta_->fBuscaNovaVersaoCliente(servicos); }

  // --- extraction and executable replacement ---
  // Installs the queued packages' executables, empties the queue and tells
  // the registration service (through `servicos`, the shared client).
  bool FTrocaVersoes(SharedWebService& servicos) { return troca_->FTrocaVersoes(servicos); }
  // Extracts one archive into an existing folder, with a progress window
  // for this call only (a stage that extracts several keeps its own
  // TfrmProgressoDescompactado instead).
  bool FDescompactaArquivo(const QString& arquivo, const QString& pastaDestino, const QString& leitura = {});

  // --- attached users, folders, backup and restore ---
  int FContaConexoes();
  // Who is attached besides the updater: address, user and program each.
  QString FDescreveConexoesAtivas();
  bool FVerificaPastas();
  // Before anything is downloaded: both folders exist and sit on the file
  // system recorded for them (an unmounted share leaves an empty local
  // folder). Shows and logs why not.
  bool FConferePastasAntesDoDownload();
  // After a successful run: the folders' file systems are recorded.
  void PRegistraPastasDaAtualizacao();
  bool FVerificaCaminhoBanco() { return backup_->FVerificaCaminhoBanco(); }
  bool FRealizaBackup() { return backup_->FRealizaBackup(); }
  bool FRestauraBackup() { return backup_->FRestauraBackup(); }

  // --- structure update and the end of a run ---
  bool FAtualizaBase(SharedWebService& servicos) { return atualizaBase_->FAtualizaBase(servicos); }
  // The structure updater of the last FAtualizaBase was ended at its time
  // limit.
  bool FAtualizadorBDExcedeuLimite() const { return atualizaBase_->limiteExcedido(); }
  // Clears the refusal marks of VERSOESCAB after a successful run.
  void PLimpaRecusaAtualizacao();
  // The waiting indicator the long steps share; the run stops it at its end.
  IndicadorEspera& Indicador() { return *indicador_; }

  // --- self-update ---
  bool FAtualizaAtualizador() { return autoAtualizacao_->FAtualizaAtualizador(); }

 private:
  // The tests reach the connection and the stages through their fixture.
  friend struct test::AcessoMotor;
  // The daily version report works on the connection between runs.
  friend class EnvioVersaoDiaria;

  void montaEstagios();

  AppContext ctx_;
  FbConnection CnOrvalto;
  ContextoEstagio contexto_;
  // Built by montaEstagios, in this order: each is given the stages above
  // it that it uses.
  std::unique_ptr<IndicadorEspera> indicador_;
  std::unique_ptr<DownloadPacotes> download_;
  std::unique_ptr<DescobertaVersoes> descoberta_;
  std::unique_ptr<ProvisaoUnrar> provisaoUnrar_;
  std::unique_ptr<TrocaVersoes> troca_;
  std::unique_ptr<BackupBanco> backup_;
  std::unique_ptr<AtualizaBase> atualizaBase_;
  std::unique_ptr<AutoAtualizacao> autoAtualizacao_;
};

}  // namespace orvalto
