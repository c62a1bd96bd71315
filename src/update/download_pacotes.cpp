// Fetching the queued packages into the versions folder's TMP/ folder.
#include "base/event_pump.h"
#include "base/interaction.h"
#include "db/sql_helpers.h"
#include "platform/files.h"
#include "update/download_pacotes.h"
#include "base/console_link.h"
#include "base/run_state.h"
#include "db/firebird_connection.h"
#include "db/schema.h"
#include "update/indicador_espera.h"
#include "update/download_progress.h"
#include "update/http_download.h"
#include "update/package_name.h"
#include "update/verificacao_assinatura.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>

#include <stdexcept>

namespace orvalto {
namespace {

const char* const kTituloProgresso = "Baixando versões";

// The package is written under a name of its own beside its final name and
// renamed only when complete, so a file under the package's name is always
// a whole package.
QString nomeTemporario(const QString& destino) { return destino + ".baixando"; }

// A transfer cut by a crash leaves its temporary file behind; nothing else
// ever removes it. (Not while a transfer runs: its file is one of them.)
void apagaRestosDeTransferencia(const QString& pasta, const EstadoTerminais* estado) {
  if (estado && estado->EmDownload) return;
  for (const QString& nome : listFiles(pasta, "*.baixando")) deleteFile(pasta + nome);
}

// Unbuffered: a write that fails (a full disk) fails at once, with the
// system's reason, instead of later in a flush that no longer knows it.
void abreParaGravar(QFile& arquivo) {
  if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
    throw std::runtime_error(QString("Cannot create file \"%1\". %2")
                                 .arg(QDir::toNativeSeparators(arquivo.fileName()), arquivo.errorString())
                                 .toStdString());
}

}  // namespace

DownloadPacotes::DownloadPacotes(const ContextoEstagio& contexto, IndicadorEspera& indicador)
    : contexto_(contexto), indicador_(indicador) {}

DownloadPacotes::~DownloadPacotes() = default;

bool DownloadPacotes::FBaixaArquivo(const QString& endereco, const QString& pasta, bool janelaProgresso) {
  const QString nome = FNomeArquivoUrl(endereco);
  if (!nome.isEmpty() && !nomePacoteSeguro(nome)) {
    contexto_.log("Erro ao realizar download de versão: nome de arquivo recusado: " + nome);
    return false;
  }
  const QString destino = pasta + nome;
  QFile arquivo(nomeTemporario(destino));
  // An empty name would write the folder itself: that error is the caller's.
  if (nome.isEmpty()) throw std::runtime_error(QString("Cannot create file \"%1\".").arg(pasta).toStdString());
  abreParaGravar(arquivo);

  if (janelaProgresso && contexto_.ui()) contexto_.ui()->progressShow(kTituloProgresso);
  defineEmDownload(true);
  const QString inicio = "Realizando download do arquivo " + nome;
  contexto_.balao(inicio);
  contexto_.log(inicio);
  bool concluido = false;
  try {
    pgrsArquivoPos_ = 0;
    baixaParaArquivo(IdHTTP1(), QUrl(endereco), arquivo,
                     {[this](qint64 total) { IdHTTP1WorkBegin(total); }, [this](qint64 n) { IdHTTP1Work(n); }},
                     paradaDownloadMs);
    arquivo.close();
    exigeAssinatura(contexto_, endereco, arquivo.fileName());  // a refused package is never named
    deleteFile(destino);  // a leftover of the same name is replaced
    if (!renameFile(arquivo.fileName(), destino))
      throw std::runtime_error(QString("Cannot rename \"%1\".").arg(arquivo.fileName()).toStdString());
    const QString fim = "Download do arquivo " + nome + " concluido.";
    contexto_.balao(fim);
    contexto_.log(fim);
    concluido = true;
  } catch (const std::exception& e) {
    contexto_.log("Erro ao realizar download de versão: " + QString::fromUtf8(e.what()));
  }
  arquivo.close();
  if (!concluido) arquivo.remove();
  defineEmDownload(false);
  if (janelaProgresso && contexto_.ui()) contexto_.ui()->progressHide();
  return concluido;
}

bool DownloadPacotes::FBaixaVersoes(bool janelaProgresso) {
  try {
    const QueryResult fila = contexto_.CnOrvalto().query("Select * from VersoesItem      Where VersaoAAtualizar <> \"\" ");
    const QString pastaTmp = FCaminhoVersoes(contexto_.CnOrvalto()) + "TMP" + QDir::separator();
    if (!folderExists(pastaTmp) && !createFolder(pastaTmp)) return false;
    apagaRestosDeTransferencia(pastaTmp, contexto_.estado());
    if (fila.isEmpty()) {
      contexto_.log("[ERRO]:Nao existem versoes disponivels para download");
      return false;
    }
    QStringList falhas;
    for (int i = 0; i < fila.rows.size(); ++i) {
      const QString endereco = fila.value(i, "VERSAOAATUALIZAR").toString();
      if (fileExists(pastaTmp + FNomeArquivoUrl(endereco))) continue;
      if (!FBaixaArquivo(endereco, pastaTmp, janelaProgresso)) falhas.append(" " + FNomeArquivoUrl(endereco));
    }
    if (!falhas.isEmpty()) {
      contexto_.log("[ERRO]:2|Erro ao realizar Download de versão: " + falhas.join(","));
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    contexto_.log(QString::fromUtf8(e.what()));
    return false;
  }
}

void DownloadPacotes::IdHTTP1WorkBegin(qint64 total) {
  if (total > 0) pgrsArquivoMax_ = total;
  indicador_.defineGauge(pgrsArquivoPos_, pgrsArquivoMax_);
  // The transfer waits in an event loop of its own: pending events are
  // already being handled, no extra pumping is needed here.
  if (contexto_.ui()) contexto_.ui()->progressUpdate(pgrsArquivoPos_, pgrsArquivoMax_, {});
}

void DownloadPacotes::IdHTTP1Work(qint64 recebidos) {
  pgrsArquivoPos_ = recebidos;
  indicador_.defineGauge(pgrsArquivoPos_, pgrsArquivoMax_);
  if (contexto_.ui()) contexto_.ui()->progressUpdate(pgrsArquivoPos_, pgrsArquivoMax_, {});
  const int p = percentualDownload(recebidos, pgrsArquivoMax_);
  if (p % 10 != 0) return;
  contexto_.enviaTerminal("[PROGRESSO]:" + QString::number(p) + "|");
  contexto_.log("DOWNLOAD EM : " + QString::number(p) + "% CONEXAO: " + FIIf<QString>(contexto_.CnOrvalto().connected(), "T", "F"));
}

void DownloadPacotes::defineEmDownload(bool valor) const {
  if (EstadoTerminais* estado = contexto_.estado()) estado->EmDownload = valor;
}

QNetworkAccessManager& DownloadPacotes::IdHTTP1() {
  if (!http_) {
    http_ = std::make_unique<QNetworkAccessManager>();
    // Packages come straight from the maker's server; the web services'
    // proxy settings do not apply here.
    http_->setProxy(QNetworkProxy::NoProxy);
  }
  return *http_;
}

}  // namespace orvalto
