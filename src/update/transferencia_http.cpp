#include "update/transferencia_http.h"

#include "services/fontes_permitidas.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPair>

#include <exception>
#include <memory>
#include <stdexcept>

namespace orvalto {
namespace {

constexpr qint64 kBufferLeitura = 1024 * 1024;

QNetworkRequest pedido(const QUrl& url, int paradaMs, const Retomada& retomada) {
  QNetworkRequest request(url);
  request.setRawHeader("Accept", "text/html, */*");
  request.setHeader(QNetworkRequest::UserAgentHeader, "Mozilla/3.0 (compatible; Indy Library)");
  request.setRawHeader("Connection", "close");
  // The bytes as the server keeps them: lengths and ranges then count the
  // package's own bytes.
  request.setRawHeader("Accept-Encoding", "identity");
  const QByteArray ifRange = retomada.validadores.ifRange();
  if (retomada.inicio > 0 && !ifRange.isEmpty()) {
    request.setRawHeader("Range", "bytes=" + QByteArray::number(retomada.inicio) + "-");
    request.setRawHeader("If-Range", ifRange);
  }
  request.setTransferTimeout(paradaMs);
  redirecionamentoVerificado(request);
  return request;
}

// A write error of the package file, with the file and the system's reason.
ErroGravacaoPacote erroGravacao(const QFile& destino) {
  return ErroGravacaoPacote(QString("Erro ao gravar \"%1\": %2")
                                .arg(QDir::toNativeSeparators(destino.fileName()), destino.errorString())
                                .toStdString());
}

// "bytes FIRST-LAST/TOTAL": FIRST and TOTAL (-1 when "*" or unreadable).
QPair<qint64, qint64> intervaloRecebido(const QByteArray& contentRange) {
  const QByteArray valor = contentRange.trimmed();
  if (!valor.startsWith("bytes ")) return {-1, -1};
  bool okPrimeiro = false, okTotal = false;
  const qint64 primeiro = valor.mid(6).split('-').value(0).trimmed().toLongLong(&okPrimeiro);
  const qint64 total = valor.split('/').value(1).trimmed().toLongLong(&okTotal);
  return {okPrimeiro ? primeiro : -1, okTotal ? total : -1};
}

int statusHttp(const QNetworkReply* reply) {
  return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// The reply's state while it runs; the slots never throw, they keep the
// first error and abort the transfer.
struct Transferencia {
  Transferencia(QNetworkReply* r, QFile& d, const EventosDownload& e, const Retomada& ret)
      : reply(r), destino(d), eventos(e), retomada(ret) {}
  QNetworkReply* reply;
  QFile& destino;
  const EventosDownload& eventos;
  const Retomada& retomada;
  bool iniciada = false;
  bool preparada = false;
  bool gravavel = false;     // the body is the package, not an error page
  qint64 deslocamento = 0;   // where the body starts in the file
  qint64 totalArquivo = -1;  // the whole file's length, when announced
  std::exception_ptr erro;

  void guarda(std::exception_ptr e) {
    if (!erro) erro = e;
    reply->abort();
  }

  // Once the answer's head is in: where its body goes in the file.
  void prepara() {
    if (preparada) return;
    preparada = true;
    const int status = statusHttp(reply);
    if (status == 206) {
      const auto [primeiro, total] = intervaloRecebido(reply->rawHeader("Content-Range"));
      if (retomada.inicio <= 0 || primeiro != retomada.inicio)
        throw RetomadaRecusada("o servidor enviou um intervalo diferente do pedido");
      deslocamento = primeiro;
      totalArquivo = total;
      if (!destino.seek(deslocamento)) throw erroGravacao(destino);
      gravavel = true;
    } else if (status == 200) {
      // The whole file: what was kept of an earlier transfer goes. An empty
      // file is not truncated: on ext4 that would make its close start the
      // write-out of the whole package, holding the window thread.
      if ((destino.size() > 0 && !destino.resize(0)) || !destino.seek(0)) throw erroGravacao(destino);
      const QVariant anunciado = reply->header(QNetworkRequest::ContentLengthHeader);
      if (anunciado.isValid()) totalArquivo = anunciado.toLongLong();
      gravavel = true;
      if (eventos.validadores) eventos.validadores({reply->rawHeader("ETag"), reply->rawHeader("Last-Modified")});
    }
  }

  // A short write says nothing; writing the rest fails with the reason.
  void grava() {
    try {
      prepara();
    } catch (...) {
      return guarda(std::current_exception());
    }
    const QByteArray bloco = reply->readAll();
    if (!gravavel) return;
    for (qint64 feito = 0; feito < bloco.size();) {
      const qint64 n = destino.write(bloco.constData() + feito, bloco.size() - feito);
      if (n <= 0) return guarda(std::make_exception_ptr(erroGravacao(destino)));
      feito += n;
    }
  }

  void avisa(qint64 recebidos, qint64 total) {
    try {
      prepara();
      if (!iniciada) {
        iniciada = true;
        if (eventos.inicio) eventos.inicio(total >= 0 ? total + deslocamento : -1);
      }
      if (eventos.progresso) eventos.progresso(recebidos + deslocamento);
    } catch (...) {
      guarda(std::current_exception());
    }
  }
};

}  // namespace

QByteArray ValidadoresArquivo::ifRange() const {
  // A weak ETag never names the same bytes.
  if (!etag.isEmpty() && !etag.startsWith("W/")) return etag;
  return ultimaModificacao;
}

void baixaParaArquivo(QNetworkAccessManager& http, const QUrl& url, QFile& destino, const EventosDownload& eventos,
                      int paradaMs, const Retomada& retomada) {
  const QString recusa = recusaEndereco(url);
  if (!recusa.isEmpty()) throw std::runtime_error(recusa.toStdString());
  std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(http.get(pedido(url, paradaMs, retomada)),
                                                                 [](QNetworkReply* r) { r->deleteLater(); });
  // A bounded read buffer makes the network side wait for the disk instead
  // of holding the package in memory.
  reply->setReadBufferSize(kBufferLeitura);
  Transferencia t{reply.get(), destino, eventos, retomada};
  vigiaRedirecionamentos(reply.get(), [&t](const QString& texto) {
    t.guarda(std::make_exception_ptr(std::runtime_error(texto.toStdString())));
  });
  QObject::connect(reply.get(), &QNetworkReply::readyRead, [&t] { t.grava(); });
  QObject::connect(reply.get(), &QNetworkReply::downloadProgress,
                   [&t](qint64 recebidos, qint64 total) { t.avisa(recebidos, total); });
  QEventLoop espera;
  QObject::connect(reply.get(), &QNetworkReply::finished, &espera, &QEventLoop::quit);
  if (!reply->isFinished()) espera.exec();
  QObject::disconnect(reply.get(), nullptr, nullptr, nullptr);
  // The program is ending: every event loop leaves, the transfer with them.
  if (!reply->isFinished()) {
    reply->abort();
    throw std::runtime_error("Download interrompido: o programa está terminando.");
  }
  if (!t.erro && (reply->bytesAvailable() > 0 || !t.preparada)) t.grava();
  if (t.erro) std::rethrow_exception(t.erro);
  if (statusHttp(reply.get()) == 416 && retomada.inicio > 0)
    throw RetomadaRecusada("o servidor recusou o intervalo pedido");
  if (reply->error() != QNetworkReply::NoError) throw std::runtime_error(reply->errorString().toStdString());
  // Complete only at the announced length: a cut that closed the connection
  // cleanly is no package.
  if (t.totalArquivo >= 0 && destino.size() != t.totalArquivo)
    throw std::runtime_error("Connection closed gracefully.");
  if (!destino.flush()) throw erroGravacao(destino);
}

}  // namespace orvalto
