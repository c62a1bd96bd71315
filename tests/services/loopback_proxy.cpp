#include "loopback_proxy.h"

#include <QTcpSocket>
#include <QUrl>

#include <memory>

namespace orvalto::test {
namespace {

QByteArray header(const QByteArray& head, const QByteArray& name) {
  for (const QByteArray& line : head.split('\n')) {
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower()) return line.mid(colon + 1).trimmed();
  }
  return {};
}

}  // namespace

LoopbackProxy::LoopbackProxy(QString user, QString password) : user_(std::move(user)), password_(std::move(password)) {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, &LoopbackProxy::accept);
}

void LoopbackProxy::accept() {
  while (QTcpSocket* client = server_.nextPendingConnection()) {
    client->setParent(this);
    auto buffer = std::make_shared<QByteArray>();
    connect(client, &QTcpSocket::readyRead, this, [this, client, buffer] {
      *buffer += client->readAll();
      serve(client, buffer.get());
    });
  }
}

// Handles every complete request in the buffer; the connection stays open
// after a 407 so that the client can answer the challenge on it.
void LoopbackProxy::serve(QTcpSocket* client, QByteArray* buffer) {
  for (;;) {
    const qsizetype end = buffer->indexOf("\r\n\r\n");
    if (end < 0) return;
    const QByteArray head = buffer->left(end + 2);
    const qsizetype length = header(head, "Content-Length").toLongLong();
    if (buffer->size() < end + 4 + length) return;
    const QByteArray body = buffer->mid(end + 4, length);
    buffer->remove(0, end + 4 + length);
    requestLines_.append(QString::fromLatin1(head.left(head.indexOf("\r\n"))));
    authorizations_.append(QString::fromLatin1(header(head, "Proxy-Authorization")));
    if (!authorized(head)) {
      client->write(
          "HTTP/1.1 407 Proxy Authentication Required\r\n"
          "Proxy-Authenticate: Basic realm=\"proxy\"\r\nContent-Length: 0\r\n\r\n");
      continue;
    }
    forward(client, head, body);
    return;
  }
}

bool LoopbackProxy::authorized(const QByteArray& head) const {
  if (user_.isEmpty()) return true;
  const QByteArray expected = "Basic " + (user_ + ":" + password_).toUtf8().toBase64();
  return header(head, "Proxy-Authorization") == expected;
}

void LoopbackProxy::forward(QTcpSocket* client, const QByteArray& head, const QByteArray& body) {
  const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
  const QUrl target(QString::fromLatin1(requestLine.value(1)));
  QByteArray out = requestLine.value(0) + ' ' + target.path(QUrl::FullyEncoded).toLatin1();
  if (target.hasQuery()) out += '?' + target.query(QUrl::FullyEncoded).toLatin1();
  out += " HTTP/1.1\r\n";
  for (const QByteArray& line : head.split('\n').mid(1)) {
    const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
    if (line.trimmed().isEmpty() || name.startsWith("proxy-") || name == "connection") continue;
    out += line.trimmed() + "\r\n";
  }
  out += "Connection: close\r\n\r\n" + body;
  auto* origin = new QTcpSocket(client);
  connect(origin, &QTcpSocket::connected, origin, [origin, out] { origin->write(out); });
  connect(origin, &QTcpSocket::readyRead, client, [origin, client] { client->write(origin->readAll()); });
  connect(origin, &QTcpSocket::disconnected, client, [origin, client] {
    client->write(origin->readAll());
    client->disconnectFromHost();
  });
  connect(origin, &QTcpSocket::errorOccurred, client, [client](QAbstractSocket::SocketError error) {
    if (error == QAbstractSocket::RemoteHostClosedError) return;
    client->write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
    client->disconnectFromHost();
  });
  origin->connectToHost(target.host(), quint16(target.port(80)));
}

}  // namespace orvalto::test
