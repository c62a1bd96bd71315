#include "update/atualizador.h"

#include "db/conexoes_ativas.h"
#include "db/database_connector.h"
#include "db/schema.h"
#include "db/transactions.h"
#include "update/configura_servicos.h"
#include "update/processo_atualizacao.h"
#include "update/registro_pastas.h"
#include "update/verifica_pastas.h"

namespace orvalto {

TfrmAtualizador::TfrmAtualizador(const AppContext& ctx, ConsoleLink* console)
    : ctx_(ctx), contexto_(ctx, console, CnOrvalto) {
  montaEstagios();
}

TfrmAtualizador::~TfrmAtualizador() { CnOrvalto.close(); }

void TfrmAtualizador::montaEstagios() {
  indicador_ = std::make_unique<IndicadorEspera>(contexto_);
  download_ = std::make_unique<DownloadPacotes>(contexto_, *indicador_);
  descoberta_ = std::make_unique<DescobertaVersoes>(contexto_, *download_);
  // Before anything extracts: the library is found (or its absence logged) once.
  provisaoUnrar_ = std::make_unique<ProvisaoUnrar>(contexto_);
  troca_ = std::make_unique<TrocaVersoes>(contexto_, *download_);
  backup_ = std::make_unique<BackupBanco>(contexto_, *indicador_);
  // The structure updater's package is extracted and dequeued like any other.
  atualizaBase_ = std::make_unique<AtualizaBase>(
      contexto_, *indicador_, *download_,
      [this](const QString& arquivo, const QString& pasta, const QString& leitura) {
        return FDescompactaArquivo(arquivo, pasta, leitura);
      },
      [this](const QString& endereco) { return troca_->FApagaVersaoItem(endereco); });
  autoAtualizacao_ = std::make_unique<AutoAtualizacao>(contexto_, *download_);
}

bool TfrmAtualizador::FConectaBanco() { return contexto_.confere(orvalto::FConectaBanco(CnOrvalto, ctx_.exeDir)); }

bool TfrmAtualizador::FConectaBases(bool abrir) { return orvalto::FConectaBases(CnOrvalto, abrir); }

bool TfrmAtualizador::FAtualizaEstrutura() { return contexto_.confere(orvalto::FAtualizaEstrutura(CnOrvalto)); }

QString TfrmAtualizador::FCaminhoVersoes() { return orvalto::FCaminhoVersoes(CnOrvalto); }

AgendaAReportar TfrmAtualizador::FLeAgenda() {
  const QueryResult r = CnOrvalto.query("SELECT DT_AGENDAMENTO, HR_AGENDAMENTO FROM VERSOESCAB ");
  const QVariant data = r.value(0, "DT_AGENDAMENTO");
  return {data.isNull() ? dataZero() : data.toDateTime(), r.value(0, "HR_AGENDAMENTO").toString()};
}

void TfrmAtualizador::PLimpaHoraAgendada() {
  TransacaoEscopo transacao(CnOrvalto);
  CnOrvalto.execute("UPDATE VERSOESCAB SET HR_AGENDAMENTO = \"\"");
  transacao.confirma();
}

void TfrmAtualizador::PConfiguraServicos(TDmWebService& servico) {
  orvalto::PConfiguraServicos(servico, CnOrvalto, ctx_.exeDir);
}

bool TfrmAtualizador::FDescompactaArquivo(const QString& arquivo, const QString& pastaDestino, const QString& leitura) {
  TfrmProgressoDescompactado janela(contexto_);
  return janela.FDescompactaArquivo(arquivo, pastaDestino, leitura);
}

int TfrmAtualizador::FContaConexoes() { return orvalto::FContaConexoes(CnOrvalto); }

bool TfrmAtualizador::FConferePastasAntesDoDownload() { return orvalto::FConferePastasAntesDoDownload(contexto_); }

void TfrmAtualizador::PRegistraPastasDaAtualizacao() { orvalto::PRegistraPastasDaAtualizacao(contexto_); }

QString TfrmAtualizador::FDescreveConexoesAtivas() { return orvalto::FDescreveConexoesAtivas(CnOrvalto); }

bool TfrmAtualizador::FVerificaPastas() { return orvalto::FVerificaPastas(CnOrvalto, *ctx_.ui); }

void TfrmAtualizador::PLimpaRecusaAtualizacao() { orvalto::PLimpaRecusaAtualizacao(CnOrvalto); }

}  // namespace orvalto
