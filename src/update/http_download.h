#pragma once
// One package transfer: an HTTP GET streamed straight into a file, with the
// progress events the engine reports. The wait is a local event loop that
// ends with the reply, so terminals and timers are served meanwhile.
#include <QString>
#include <QUrl>

#include <functional>

class QFile;
class QNetworkAccessManager;

namespace orvalto {

struct EventosDownload {
  std::function<void(qint64 total)> inicio;       // once; total -1 when not announced
  std::function<void(qint64 recebidos)> progresso;  // at every chunk received
};

// Throws std::runtime_error with the failure's text: transport errors, error
// statuses, a connection cut before the announced length, a write error, or
// no byte for `paradaMs` milliseconds, an address or a redirect outside the
// allowed sources (no connection is made to it).
void baixaParaArquivo(QNetworkAccessManager& http, const QUrl& url, QFile& destino, const EventosDownload& eventos,
                      int paradaMs);

}  // namespace orvalto
