#pragma once
// The shell commands' side of the workstations' protocol: a connection to
// the running service on this machine, the requests written as a
// workstation writes them, and the service's messages cut apart again (the
// protocol has no framing: one read may carry several messages, or part
// of one).
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <optional>

namespace orvalto {

// Cuts the complete messages off the front of `pendente`; what may still
// grow (an error text whose end has not arrived) stays there unless
// `tudo` is set.
QStringList separaMensagens(QString& pendente, bool tudo = false);

class ClienteServico : public QObject {
  Q_OBJECT

 public:
  explicit ClienteServico(quint16 porta, QObject* parent = nullptr);

  quint16 porta() const { return porta_; }
  // Connects to the loopback port, waiting at most `ms`.
  bool conecta(int ms);
  bool conectado() const { return socket_.state() == QAbstractSocket::ConnectedState; }
  // One request, written at once (each request must reach the service as
  // a read of its own: the caller leaves time between two).
  void envia(const QString& requisicao);
  // Waits, without an event loop, for the reply to "[STATUS]": its text,
  // or null when none came within `ms`. Meant for a fresh connection.
  std::optional<QString> perguntaStatus(int ms);

  // Every message, whole, as it arrives (a tail that may still grow is
  // given once the line has been quiet for a moment, or at the end).
  std::function<void(const QString&)> aoReceber;
  std::function<void()> aoDesconectar;
  // Reads what has already arrived and gives every message, the tail
  // included: the end of a conversation.
  void recolhe();
  // Milliseconds since the service last sent anything.
  qint64 silencioMs() const;

 private:
  void le();
  void entrega(bool tudo);

  quint16 porta_;
  QTcpSocket socket_;
  QString pendente_;
  QTimer calmaria_;  // gives the tail once nothing more has come
  qint64 ultimaLeitura_ = 0;
};

}  // namespace orvalto
