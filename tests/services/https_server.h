#pragma once
// An HTTPS server on 127.0.0.1 with a self-signed certificate for a name
// that is not the host's: every check a client makes on it fails. It
// answers a GET with `getBody` and a POST with `postBody`, both text/xml,
// and closes the connection after each answer.
#include <QByteArray>
#include <QSslServer>

namespace orvalto::test {

class SelfSignedHttpsServer : public QObject {
 public:
  SelfSignedHttpsServer();

  quint16 port() const { return server_.serverPort(); }
  QByteArray getBody;
  QByteArray postBody;
  int answered = 0;

 private:
  void accept();
  QSslServer server_;
};

}  // namespace orvalto::test
