// Fetching the queued packages into the versions folder's TMP/ folder.
#include "app/event_pump.h"
#include "app/interaction.h"
#include "db/sql_helpers.h"
#include "platform/files.h"
#include "update/atualizador.h"
#include "update/console_link.h"
#include "update/download_progress.h"
#include "update/http_download.h"
#include "update/package_name.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace orvalto {
namespace {

const char* const kTituloProgresso = "Baixando versões";

// The package is written under a name of its own beside its final name and
// renamed only when complete, so a file under the package's name is always
// a whole package.
QString nomeTemporario(const QString& destino) { return destino + ".baixando"; }

void abreParaGravar(QFile& arquivo) {
  if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw std::runtime_error(QString("Cannot create file \"%1\". %2")
                                 .arg(QDir::toNativeSeparators(arquivo.fileName()), arquivo.errorString())
                                 .toStdString());
}

}  // namespace

bool TfrmAtualizador::FBaixaArquivo(const QString& endereco, const QString& pasta, bool janelaProgresso) {
  const QString nome = FNomeArquivoUrl(endereco);
  if (!nome.isEmpty() && !nomePacoteSeguro(nome)) {
    log("Erro ao realizar download de versão: nome de arquivo recusado: " + nome);
    return false;
  }
  const QString destino = pasta + nome;
  QFile arquivo(nomeTemporario(destino));
  // An empty name would write the folder itself: that error is the caller's.
  if (nome.isEmpty()) throw std::runtime_error(QString("Cannot create file \"%1\".").arg(pasta).toStdString());
  abreParaGravar(arquivo);

  if (janelaProgresso && ctx_.ui) ctx_.ui->progressShow(kTituloProgresso);
  defineEmDownload(true);
  const QString inicio = "Realizando download do arquivo " + nome;
  balao(inicio);
  log(inicio);
  bool concluido = false;
  try {
    pgrsArquivoPos = 0;
    baixaParaArquivo(IdHTTP1(), QUrl(endereco), arquivo,
                     {[this](qint64 total) { IdHTTP1WorkBegin(total); }, [this](qint64 n) { IdHTTP1Work(n); }},
                     paradaDownloadMs);
    arquivo.close();
    deleteFile(destino);  // a leftover of the same name is replaced
    if (!renameFile(arquivo.fileName(), destino))
      throw std::runtime_error(QString("Cannot rename \"%1\".").arg(arquivo.fileName()).toStdString());
    const QString fim = "Download do arquivo " + nome + " concluido.";
    balao(fim);
    log(fim);
    concluido = true;
  } catch (const std::exception& e) {
    log("Erro ao realizar download de versão: " + QString::fromUtf8(e.what()));
  }
  arquivo.close();
  if (!concluido) arquivo.remove();
  defineEmDownload(false);
  if (janelaProgresso && ctx_.ui) ctx_.ui->progressHide();
  return concluido;
}

bool TfrmAtualizador::FBaixaVersoes(bool janelaProgresso) {
  try {
    const QueryResult fila = CnOrvalto.query("Select * from VersoesItem      Where VersaoAAtualizar <> \"\" ");
    const QString pastaTmp = FCaminhoVersoes() + "TMP" + QDir::separator();
    if (!folderExists(pastaTmp) && !createFolder(pastaTmp)) return false;
    if (fila.isEmpty()) {
      log("[ERRO]:Nao existem versoes disponivels para download");
      return false;
    }
    QStringList falhas;
    for (int i = 0; i < fila.rows.size(); ++i) {
      const QString endereco = fila.value(i, "VERSAOAATUALIZAR").toString();
      if (fileExists(pastaTmp + FNomeArquivoUrl(endereco))) continue;
      if (!FBaixaArquivo(endereco, pastaTmp, janelaProgresso)) falhas.append(" " + FNomeArquivoUrl(endereco));
    }
    if (!falhas.isEmpty()) {
      log("[ERRO]:2|Erro ao realizar Download de versão: " + falhas.join(","));
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    log(QString::fromUtf8(e.what()));
    return false;
  }
}

void TfrmAtualizador::IdHTTP1WorkBegin(qint64 total) {
  if (total > 0) pgrsArquivoMax = total;
  // The transfer waits in an event loop of its own: pending events are
  // already being handled, no extra pumping is needed here.
  if (ctx_.ui) ctx_.ui->progressUpdate(pgrsArquivoPos, pgrsArquivoMax, {});
}

void TfrmAtualizador::IdHTTP1Work(qint64 recebidos) {
  pgrsArquivoPos = recebidos;
  if (ctx_.ui) ctx_.ui->progressUpdate(pgrsArquivoPos, pgrsArquivoMax, {});
  const int p = percentualDownload(recebidos, pgrsArquivoMax);
  if (p % 10 != 0) return;
  enviaTerminal("[PROGRESSO]:" + QString::number(p) + "|");
  log("DOWNLOAD EM : " + QString::number(p) + "% CONEXAO: " + FIIf<QString>(CnOrvalto.connected(), "T", "F"));
}

void TfrmAtualizador::Timer1Timer() {
  pumpEvents();
  if (StaticTextLoading.size() > 104)
    StaticTextLoading.clear();
  else if (StaticTextLoading.size() % 10 == 0)
    enviaTerminal("[CONECTA]:0|");
  pumpEvents();
  StaticTextLoading += '|';
  if (ctx_.ui) ctx_.ui->progressUpdate(pgrsArquivoPos, pgrsArquivoMax, StaticTextLoading);
}

}  // namespace orvalto
