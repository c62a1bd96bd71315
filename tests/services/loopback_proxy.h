#pragma once
// A small HTTP forward proxy on 127.0.0.1 for the tests: it serves on the
// test's own thread (the client's wait on a reply lets it run), forwards
// each request to its origin with "Connection: close", and notes every
// request line and Proxy-Authorization header it saw. With credentials set
// it answers 407 until they arrive.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

namespace orvalto::test {

class LoopbackProxy : public QObject {
 public:
  explicit LoopbackProxy(QString user = {}, QString password = {});

  quint16 port() const { return server_.serverPort(); }
  const QStringList& requestLines() const { return requestLines_; }
  const QStringList& proxyAuthorizations() const { return authorizations_; }

 private:
  void accept();
  void serve(class QTcpSocket* client, QByteArray* buffer);
  bool authorized(const QByteArray& head) const;
  void forward(QTcpSocket* client, const QByteArray& head, const QByteArray& body);

  QTcpServer server_;
  QString user_, password_;
  QStringList requestLines_;
  QStringList authorizations_;
};

}  // namespace orvalto::test
