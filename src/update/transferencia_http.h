#pragma once
// One package transfer: an HTTP GET streamed straight into a file, with the
// progress events the engine reports. The wait is a local event loop that
// ends with the reply, so terminals and timers are served meanwhile. A
// transfer can continue a file cut earlier: it asks for the missing bytes
// only, provided the server's file is still the one it began with.
#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <stdexcept>

class QFile;
class QNetworkAccessManager;

namespace orvalto {

// What identifies the server's file (HTTP validators); both may be empty.
struct ValidadoresArquivo {
  QByteArray etag;
  QByteArray ultimaModificacao;  // Last-Modified, as sent
  // The value of If-Range that asks for this same file: a strong ETag, else
  // Last-Modified; empty when neither can (then no resume is safe).
  QByteArray ifRange() const;
};

// Where a transfer continues: the bytes already in the file (0: from the
// start) and the validators seen when the file's transfer began.
struct Retomada {
  qint64 inicio = 0;
  ValidadoresArquivo validadores;
};

struct EventosDownload {
  std::function<void(qint64 total)> inicio;         // once; total -1 when not announced
  std::function<void(qint64 recebidos)> progresso;  // at every chunk received
  // Once, before the first byte of a transfer from the start is written.
  std::function<void(const ValidadoresArquivo&)> validadores;
};

// A write to the file failed (a full disk): keeping the bytes so far helps
// nobody.
struct ErroGravacaoPacote : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The server refused the range asked for (416, or a range other than asked):
// the transfer must start again from the beginning.
struct RetomadaRecusada : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Streams `url` into `destino` (open for reading and writing). With a
// `retomada` the missing bytes are asked for (Range with If-Range) and
// appended; a server that answers with the whole file (it ignores ranges,
// or the file changed) has the file written again from its start. Counts
// the bytes in the progress events from the file's start. Complete only
// when the file's length matches the one announced. Throws
// std::runtime_error with the failure's text: transport errors, error
// statuses, a connection cut before the announced length, a write error,
// or no byte for `paradaMs` milliseconds.
void baixaParaArquivo(QNetworkAccessManager& http, const QUrl& url, QFile& destino, const EventosDownload& eventos,
                      int paradaMs, const Retomada& retomada = {});

}  // namespace orvalto
