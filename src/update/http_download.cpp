#include "update/http_download.h"

#include "services/fontes_permitidas.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <exception>
#include <memory>
#include <stdexcept>

namespace orvalto {
namespace {

constexpr qint64 kBufferLeitura = 1024 * 1024;

QNetworkRequest pedido(const QUrl& url, int paradaMs) {
  QNetworkRequest request(url);
  request.setRawHeader("Accept", "text/html, */*");
  request.setHeader(QNetworkRequest::UserAgentHeader, "Mozilla/3.0 (compatible; Indy Library)");
  request.setRawHeader("Connection", "close");
  request.setTransferTimeout(paradaMs);
  redirecionamentoVerificado(request);
  return request;
}

// A write error of the package file, with the file and the system's reason.
std::runtime_error erroGravacao(const QFile& destino) {
  return std::runtime_error(QString("Erro ao gravar \"%1\": %2")
                                .arg(QDir::toNativeSeparators(destino.fileName()), destino.errorString())
                                .toStdString());
}

// The reply's state while it runs; the slots never throw, they keep the
// first error and abort the transfer.
struct Transferencia {
  Transferencia(QNetworkReply* r, QFile& d, const EventosDownload& e) : reply(r), destino(d), eventos(e) {}
  QNetworkReply* reply;
  QFile& destino;
  const EventosDownload& eventos;
  bool iniciada = false;
  std::exception_ptr erro;

  void guarda(std::exception_ptr e) {
    if (!erro) erro = e;
    reply->abort();
  }

  // A short write says nothing; writing the rest fails with the reason.
  void grava() {
    const QByteArray bloco = reply->readAll();
    for (qint64 feito = 0; feito < bloco.size();) {
      const qint64 n = destino.write(bloco.constData() + feito, bloco.size() - feito);
      if (n <= 0) return guarda(std::make_exception_ptr(erroGravacao(destino)));
      feito += n;
    }
  }

  void avisa(qint64 recebidos, qint64 total) {
    try {
      if (!iniciada) {
        iniciada = true;
        if (eventos.inicio) eventos.inicio(total);
      }
      if (eventos.progresso) eventos.progresso(recebidos);
    } catch (...) {
      guarda(std::current_exception());
    }
  }
};

}  // namespace

void baixaParaArquivo(QNetworkAccessManager& http, const QUrl& url, QFile& destino, const EventosDownload& eventos,
                      int paradaMs) {
  const QString recusa = recusaEndereco(url);
  if (!recusa.isEmpty()) throw std::runtime_error(recusa.toStdString());
  std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(http.get(pedido(url, paradaMs)),
                                                                  [](QNetworkReply* r) { r->deleteLater(); });
  // A bounded read buffer makes the network side wait for the disk instead
  // of holding the package in memory.
  reply->setReadBufferSize(kBufferLeitura);
  Transferencia t{reply.get(), destino, eventos};
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
  if (!t.erro && reply->bytesAvailable() > 0) t.grava();
  if (t.erro) std::rethrow_exception(t.erro);
  if (reply->error() != QNetworkReply::NoError) throw std::runtime_error(reply->errorString().toStdString());
  const QVariant anunciado = reply->header(QNetworkRequest::ContentLengthHeader);
  if (anunciado.isValid() && destino.size() < anunciado.toLongLong())
    throw std::runtime_error("Connection closed gracefully.");
  if (!destino.flush()) throw erroGravacao(destino);
}

}  // namespace orvalto
