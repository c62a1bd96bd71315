// Fetching the queued packages into the versions folder's TMP/ folder.
#include "update/download_pacotes.h"
#include "base/console_link.h"
#include "base/estado_terminais.h"
#include "base/event_pump.h"
#include "base/interaction.h"
#include "base/mensagens_terminal.h"
#include "base/servindo_eventos.h"
#include "db/firebird_connection.h"
#include "db/schema.h"
#include "db/sql_helpers.h"
#include "platform/arquivo_aberto.h"
#include "platform/copia_duravel.h"
#include "platform/files.h"
#include "update/indicador_espera.h"
#include "update/nome_pacote.h"
#include "update/percentual_download.h"
#include "update/registro_arquivos.h"
#include "update/transferencia_http.h"
#include "update/verificacao_assinatura.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>

#include <unistd.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace orvalto {
namespace {

const char* const kTituloProgresso = "Baixando versões";

// The package is written under a name of its own beside its final name and
// renamed only when complete, so a file under the package's name is always
// a whole package.
QString nomeTemporario(const QString& destino) { return destino + ".baixando"; }

// Beside a cut transfer: its address and the validators the server gave when
// it began, so the next attempt asks for the missing bytes of that same file.
QString nomeRetomada(const QString& destino) { return nomeTemporario(destino) + ".retomada"; }

// Transfers cut earlier are continued when their package is fetched again;
// those of packages no longer queued go. (Not while a transfer runs: its
// files are among them.)
void apagaRestosDeTransferencia(const QString& pasta, const QStringList& nomesNaFila, const EstadoTerminais* estado) {
  if (estado && estado->EmDownload) return;
  for (const QString& nome : listFiles(pasta, "*.baixando") + listFiles(pasta, "*.baixando.retomada")) {
    const QString pacote = nome.section(".baixando", 0, 0);
    if (!nomesNaFila.contains(pacote)) deleteFile(pasta + nome);
  }
}

// What the last cut transfer of `endereco` into `destino` left to continue;
// nothing when the file is empty, was of another address or the server gave
// nothing to recognise its file by.
Retomada retomadaPossivel(const QString& endereco, const QString& destino) {
  QFile info(nomeRetomada(destino));
  const qint64 tamanho = QFileInfo(nomeTemporario(destino)).size();
  if (tamanho <= 0 || !info.open(QIODevice::ReadOnly)) return {};
  const QList<QByteArray> linhas = info.readAll().split('\n');
  if (linhas.size() < 3 || QString::fromUtf8(linhas[0]) != endereco) return {};
  Retomada retomada{tamanho, {linhas[1], linhas[2]}};
  if (retomada.validadores.ifRange().isEmpty()) return {};
  return retomada;
}

void gravaRetomada(const QString& endereco, const QString& destino, const ValidadoresArquivo& validadores) {
  gravaArquivoDuravel(nomeRetomada(destino),
                      endereco.toUtf8() + '\n' + validadores.etag + '\n' + validadores.ultimaModificacao + '\n');
}

// The bytes a cut transfer left stay, so it can continue; anything else at
// the name (a link or a device planted there) is removed first, and the
// name is never followed through a link. Unbuffered: a write that fails (a
// full disk) fails at once, with the system's reason, instead of later in a
// flush that no longer knows it.
void abreParaGravar(QFile& arquivo) {
  const QByteArray nome = QFile::encodeName(arquivo.fileName());
  const auto falha = [&arquivo](const QString& motivo) {
    return std::runtime_error(QString("Cannot create file \"%1\". %2")
                                  .arg(QDir::toNativeSeparators(arquivo.fileName()), motivo)
                                  .toStdString());
  };
  const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::open(nome.constData(), flags, 0644);
  struct stat antes = {};
  if (fd >= 0 && (::fstat(fd, &antes) != 0 || !S_ISREG(antes.st_mode))) {
    ::close(fd);
    fd = -1;
    errno = ELOOP;
  }
  if (fd < 0 && errno == ELOOP) {
    ::unlink(nome.constData());
    fd = ::open(nome.constData(), flags | O_EXCL, 0644);
    if (fd >= 0) ::fstat(fd, &antes);
  }
  if (fd < 0) throw falha(QString::fromLocal8Bit(std::strerror(errno)));
  // Opened again by name for QFile: it must still be the same file.
  const bool aberto = arquivo.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
  struct stat depois = {};
  const bool mesmo = aberto && ::fstat(arquivo.handle(), &depois) == 0 && depois.st_ino == antes.st_ino &&
                     depois.st_dev == antes.st_dev;
  ::close(fd);
  if (!aberto) throw falha(arquivo.errorString());
  if (!mesmo) {
    arquivo.close();
    throw falha("o arquivo foi trocado enquanto era aberto");
  }
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
  Retomada retomada = retomadaPossivel(endereco, destino);
  if (retomada.inicio == 0) deleteFile(nomeRetomada(destino));
  abreParaGravar(arquivo);

  if (janelaProgresso && contexto_.ui()) contexto_.ui()->progressShow(kTituloProgresso);
  defineEmDownload(true);
  const QString inicio = "Realizando download do arquivo " + nome;
  contexto_.balao(inicio);
  contexto_.log(inicio);
  bool concluido = false;
  bool guardaParcial = false;
  const EventosDownload eventos{[this](qint64 total) { IdHTTP1WorkBegin(total); }, [this](qint64 n) { IdHTTP1Work(n); },
                                [&](const ValidadoresArquivo& v) { gravaRetomada(endereco, destino, v); }};
  try {
    pgrsArquivoPos_ = retomada.inicio;
    try {
      baixaParaArquivo(IdHTTP1(), QUrl(endereco), arquivo, eventos, paradaDownloadMs, retomada);
    } catch (const RetomadaRecusada& e) {
      contexto_.log("Download do arquivo " + nome + " recomeçado do início: " + QString::fromUtf8(e.what()));
      deleteFile(nomeRetomada(destino));
      retomada = {};
      pgrsArquivoPos_ = 0;
      baixaParaArquivo(IdHTTP1(), QUrl(endereco), arquivo, eventos, paradaDownloadMs);
    }
    arquivo.close();
    deleteFile(nomeRetomada(destino));
    exigeAssinatura(contexto_, endereco, arquivo.fileName());  // a refused package is never named
    const std::optional<ArquivoAberto> gravado = ArquivoAberto::abre(arquivo.fileName());
    ::unlink(QFile::encodeName(destino).constData());  // a leftover of the same name is replaced
    if (!renameFile(arquivo.fileName(), destino))
      throw std::runtime_error(QString("Cannot rename \"%1\".").arg(arquivo.fileName()).toStdString());
    if (gravado) registra(destino, registroDe(*gravado));  // after the rename, which changes its identity
    const QString fim = "Download do arquivo " + nome + " concluido.";
    contexto_.balao(fim);
    contexto_.log(fim);
    concluido = true;
  } catch (const ErroGravacaoPacote& e) {
    // A full disk: the bytes so far would only keep it full.
    contexto_.log("Erro ao realizar download de versão: " + QString::fromUtf8(e.what()));
  } catch (const std::exception& e) {
    contexto_.log("Erro ao realizar download de versão: " + QString::fromUtf8(e.what()));
    // A cut transfer is continued next time when the server said which file it was.
    guardaParcial = arquivo.size() > 0 && fileExists(nomeRetomada(destino));
  }
  arquivo.close();
  if (!concluido && !guardaParcial) {
    arquivo.remove();
    deleteFile(nomeRetomada(destino));
  }
  defineEmDownload(false);
  if (janelaProgresso && contexto_.ui()) contexto_.ui()->progressHide();
  return concluido;
}

bool DownloadPacotes::FBaixaVersoes(bool janelaProgresso) {
  try {
    const QueryResult fila =
        contexto_.CnOrvalto().query("Select * from VersoesItem      Where VersaoAAtualizar <> \"\" ");
    const QString pastaTmp = FCaminhoVersoes(contexto_.CnOrvalto()) + "TMP" + QDir::separator();
    if (!folderExists(pastaTmp) && !createFolder(pastaTmp)) return false;
    QStringList nomesNaFila;
    for (int i = 0; i < fila.rows.size(); ++i)
      nomesNaFila << FNomeArquivoUrl(fila.value(i, "VERSAOAATUALIZAR").toString());
    apagaRestosDeTransferencia(pastaTmp, nomesNaFila, contexto_.estado());
    if (fila.isEmpty()) {
      contexto_.log("[ERRO]:Nao existem versoes disponivels para download");
      return false;
    }
    QStringList falhas;
    for (int i = 0; i < fila.rows.size(); ++i) {
      const QString endereco = fila.value(i, "VERSAOAATUALIZAR").toString();
      if (!pacoteConfiavel(endereco, pastaTmp, janelaProgresso)) falhas.append(" " + FNomeArquivoUrl(endereco));
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

std::optional<ArquivoAberto> DownloadPacotes::pacoteConfiavel(const QString& endereco, const QString& pasta,
                                                             bool janelaProgresso) {
  const QString pacote = pasta + FNomeArquivoUrl(endereco);
  QString motivo;
  if (QFileInfo(pacote).isSymLink() || QFileInfo::exists(pacote)) {
    if (std::optional<ArquivoAberto> aberto = abreSeConfiavel(endereco, pacote, &motivo)) return aberto;
    contexto_.log("Pacote " + pacote + " não foi usado e será baixado novamente: " + motivo);
    ::unlink(QFile::encodeName(pacote).constData());
  }
  if (!FBaixaArquivo(endereco, pasta, janelaProgresso)) return std::nullopt;
  std::optional<ArquivoAberto> aberto = abreSeConfiavel(endereco, pacote, &motivo);
  if (!aberto) contexto_.log("Pacote " + pacote + " não foi usado: " + motivo);
  return aberto;
}

// What the program wrote is known by its hash; anything else must at least
// be out of other users' reach, and signed as a download must be.
std::optional<ArquivoAberto> DownloadPacotes::abreSeConfiavel(const QString& endereco, const QString& pacote,
                                                              QString* motivo) {
  std::optional<ArquivoAberto> aberto = ArquivoAberto::abre(pacote, motivo);
  if (!aberto) return std::nullopt;
  const ArquivoRegistrado registrado = RegistroArquivos(contexto_.app().exeDir).de(pacote);
  if (!registrado.hash.isEmpty()) {
    // Untouched since it was hashed: the same bytes, not read again.
    if (!registrado.identidade.isEmpty() && aberto->identidade() == registrado.identidade) return aberto;
    const ArquivoRegistrado agora = registroDe(*aberto);
    if (agora.hash == registrado.hash) {
      registra(pacote, agora);
      return aberto;
    }
    *motivo = "o conteúdo não é o que o programa gravou";
    return std::nullopt;
  }
  *motivo = aberto->motivoDonoNaoConfiavel();
  if (!motivo->isEmpty()) return std::nullopt;
  try {
    exigeAssinatura(contexto_, endereco, aberto->caminhoLeitura());
  } catch (const std::exception& e) {
    *motivo = QString::fromUtf8(e.what());
    return std::nullopt;
  }
  registra(pacote, registroDe(*aberto));
  return aberto;
}

void DownloadPacotes::registra(const QString& pacote, const ArquivoRegistrado& registro) const {
  if (registro.hash.isEmpty()) return;
  try {
    // Flushed to disk off this thread: with a large package's bytes still
    // being written out, the flush takes a while.
    const RegistroArquivos registroArquivos(contexto_.app().exeDir);
    executaServindoEventos([&](std::stop_token) { registroArquivos.grava(pacote, registro); });
  } catch (const std::exception& e) {
    // Without its record the package is judged by its owner next time.
    contexto_.log("Não foi possível registrar o pacote " + pacote + ": " + QString::fromUtf8(e.what()));
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
  contexto_.enviaTerminal(mensagem::progresso(p));
  contexto_.log("DOWNLOAD EM : " + QString::number(p) +
                "% CONEXAO: " + FIIf<QString>(contexto_.CnOrvalto().connected(), "T", "F"));
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
