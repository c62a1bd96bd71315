#pragma once
// One workstation talking to the updater: connects, sends requests as the
// product's terminals do (Windows-1252, no terminator, one write each) and
// keeps every read it receives with the time it arrived. Event-driven, so
// that a server on the same thread keeps running while it waits.
#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpSocket>

#include <chrono>
#include <functional>

namespace orvalto::terminal {

struct Leitura {
  QDateTime quando;
  QByteArray bytes;  // as they came off the wire
  QString texto;     // decoded from Windows-1252
};

class TerminalClient : public QObject {
  Q_OBJECT

 public:
  explicit TerminalClient(QObject* parent = nullptr);

  // `origem` picks the local address (127.0.0.x lets one machine play many
  // workstations); null: the system chooses. When that address cannot be
  // taken nothing is connected and erro() tells why.
  void conecta(const QString& host, quint16 porta, const QHostAddress& origem = QHostAddress());
  bool aguardaConexao(std::chrono::milliseconds prazo);
  bool conectado() const { return socket_.state() == QAbstractSocket::ConnectedState; }
  QString erro() const { return socket_.errorString(); }
  void desconecta();

  // One request, one write, sent at once.
  void envia(const QString& requisicao);
  void enviaBytes(const QByteArray& bytes);
  // Blocks (without running the event loop) until everything sent so far
  // is in the system's hands; true when it is.
  bool terminaEscrita(std::chrono::milliseconds prazo);

  const QList<Leitura>& leituras() const { return leituras_; }
  // Everything received so far, in order: the server sends no terminator,
  // so two messages may come in one read.
  QString recebido() const;
  QByteArray bytesRecebidos() const;
  void limpa() { leituras_.clear(); }
  // Waits until `texto` has arrived in full (it may span reads).
  bool aguardaRecebido(const QString& texto, std::chrono::milliseconds prazo);

  QTcpSocket& socket() { return socket_; }

 signals:
  void chegou(const orvalto::terminal::Leitura& leitura);

 private:
  QTcpSocket socket_;
  QList<Leitura> leituras_;
};

// Runs the event loop until `condicao` holds or `ms` pass; true when it held.
// The command-line tool's own wait; tests use their support's waitUntil.
bool aguarda(const std::function<bool()>& condicao, int ms);

// Lets the event loop run for `ms` (for "nothing more arrives" checks).
void deixaCorrer(int ms);

}  // namespace orvalto::terminal
