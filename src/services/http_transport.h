#pragma once
// The HTTP side of the web-service bindings, on Qt Network. A request waits
// in a local event loop that ends when its reply finishes, so the program's
// other events (terminal data, timer ticks) are handled meanwhile; a
// deadline and a size limit keep a silent or endless server from holding
// the caller forever. The server's credentials answer the server's
// challenge once, the proxy's only the proxy's (never a server that asks);
// certificate errors of HTTPS servers are ignored. An address, or a
// redirect, outside the allowed sources (fontes_permitidas.h) fails without
// a connection.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace orvalto {

struct HttpOptions {
  QString proxy;  // "host:port"; empty: straight to the server
  QString proxyUserName;
  QString proxyPassword;
  QString userName;  // the server's account
  QString password;
  int timeoutMs = 120000;
  qint64 maxResponseBytes = 4 * 1024 * 1024;
};

struct HttpResult {
  bool ok = false;    // transferred and answered with a success status
  int status = 0;     // HTTP status; 0 when no answer came
  QByteArray body;    // whatever the server sent, also with an error status
  QString errorText;  // why it failed, when it did
};

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

class HttpTransport {
 public:
  HttpTransport();
  ~HttpTransport();
  HttpTransport(const HttpTransport&) = delete;
  HttpTransport& operator=(const HttpTransport&) = delete;

  void setOptions(const HttpOptions& options);
  const HttpOptions& options() const { return *options_; }

  HttpResult get(const QUrl& url);
  HttpResult post(const QUrl& url, const QByteArray& body, const HttpHeaders& headers);

 private:
  QNetworkRequest request(const QUrl& url, const HttpHeaders& headers) const;
  bool applyProxy(QString* error);
  HttpResult wait(const std::shared_ptr<QNetworkAccessManager>& manager, QNetworkReply* reply);
  void answerChallenges();

  // Shared with the manager's challenge handlers, which may outlive this
  // object while a wait that began before its end is still running.
  std::shared_ptr<HttpOptions> options_;
  std::shared_ptr<QNetworkAccessManager> manager_;
};

}  // namespace orvalto
