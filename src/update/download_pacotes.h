#pragma once
// The package download stage: fetches the queued packages of VERSOESITEM
// into the versions folder's TMP/ folder, with the progress gauge, the
// "[PROGRESSO]:" messages to the requesting terminal and the log lines.
#include "update/contexto_estagio.h"

#include <QString>

#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace orvalto {

class ArquivoAberto;
struct ArquivoRegistrado;
class IndicadorEspera;

class DownloadPacotes {
 public:
  // `indicador` shares the gauge: the panel shows the bytes received.
  DownloadPacotes(const ContextoEstagio& contexto, IndicadorEspera& indicador);
  ~DownloadPacotes();

  // Fetches every queued package not yet in the versions folder's TMP/.
  // True when no transfer failed; false on a failure, an empty queue, a
  // folder that cannot be made or any other error.
  bool FBaixaVersoes(bool janelaProgresso);
  // Fetches one package into `pasta` (ending with a separator). True when
  // the transfer completed; the file appears under its name only then.
  bool FBaixaArquivo(const QString& endereco, const QString& pasta, bool janelaProgresso);

  // The package of `endereco` in `pasta` (ending with a separator), opened
  // for reading. One already there is used only when it is what this
  // program wrote (the SHA-256 recorded then), or, with no record, when it
  // belongs to root or to this program's user, nobody else may write it
  // and its signature passes as a fresh download's must. Otherwise, or
  // when it is missing, it is fetched (again). Empty, logged, when it
  // cannot be had.
  std::optional<ArquivoAberto> pacoteConfiavel(const QString& endereco, const QString& pasta, bool janelaProgresso);

  void IdHTTP1WorkBegin(qint64 total);
  void IdHTTP1Work(qint64 recebidos);

  // A transfer that receives nothing for this long fails.
  int paradaDownloadMs = 5 * 60 * 1000;

 private:
  QNetworkAccessManager& IdHTTP1();
  void defineEmDownload(bool valor) const;
  std::optional<ArquivoAberto> abreSeConfiavel(const QString& endereco, const QString& pacote, QString* motivo);
  void registra(const QString& pacote, const ArquivoRegistrado& registro) const;

  ContextoEstagio contexto_;
  IndicadorEspera& indicador_;
  std::unique_ptr<QNetworkAccessManager> http_;
  qint64 pgrsArquivoMax_ = 100;  // progress gauge, in bytes
  qint64 pgrsArquivoPos_ = 0;
};

}  // namespace orvalto
