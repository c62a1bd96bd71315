#include "services/http_transport.h"

#include "services/fontes_permitidas.h"

#include <QtNetwork/qtnetworkglobal.h>
#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#if QT_CONFIG(ssl)
#include <QSslConfiguration>
#include <QSslSocket>
#endif

namespace orvalto {
namespace {

const char* const kAuthTried = "orvaltoAuthTried";

}  // namespace

HttpTransport::HttpTransport()
    : options_(std::make_shared<HttpOptions>()), manager_(std::make_shared<QNetworkAccessManager>()) {
  manager_->setProxy(QNetworkProxy::NoProxy);
  answerChallenges();
}

HttpTransport::~HttpTransport() = default;

void HttpTransport::setOptions(const HttpOptions& options) { *options_ = options; }

// A challenge is answered once per request: credentials refused once are
// not offered again, so the request fails with the server's refusal.
void HttpTransport::answerChallenges() {
  const std::shared_ptr<const HttpOptions> options = options_;
  QObject::connect(manager_.get(), &QNetworkAccessManager::authenticationRequired, manager_.get(),
                   [options](QNetworkReply* reply, QAuthenticator* auth) {
                     if (options->userName.isEmpty() && options->password.isEmpty()) return;
                     if (reply->property(kAuthTried).toBool()) return;
                     reply->setProperty(kAuthTried, true);
                     auth->setUser(options->userName);
                     auth->setPassword(options->password);
                   });
  QObject::connect(manager_.get(), &QNetworkAccessManager::proxyAuthenticationRequired, manager_.get(),
                   [options](const QNetworkProxy&, QAuthenticator* auth) {
                     if (options->proxyUserName.isEmpty() && options->proxyPassword.isEmpty()) return;
                     if (auth->user() == options->proxyUserName && auth->password() == options->proxyPassword) return;
                     auth->setUser(options->proxyUserName);
                     auth->setPassword(options->proxyPassword);
                   });
}

bool HttpTransport::applyProxy(QString* error) {
  if (options_->proxy.isEmpty()) {
    manager_->setProxy(QNetworkProxy::NoProxy);
    return true;
  }
  const qsizetype colon = options_->proxy.lastIndexOf(':');
  const QString host = colon < 0 ? options_->proxy : options_->proxy.left(colon);
  const QString portText = colon < 0 ? QString() : options_->proxy.mid(colon + 1).trimmed();
  bool ok = true;
  const int port = portText.isEmpty() ? 80 : portText.toInt(&ok);
  if (host.trimmed().isEmpty() || !ok || port <= 0 || port > 65535) {
    *error = QString("Proxy inválido: \"%1\"").arg(options_->proxy);
    return false;
  }
  manager_->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, host.trimmed(), quint16(port), options_->proxyUserName,
                                   options_->proxyPassword));
  return true;
}

QNetworkRequest HttpTransport::request(const QUrl& url, const HttpHeaders& headers) const {
  QNetworkRequest req(url);
  redirecionamentoVerificado(req);
  for (const auto& [name, value] : headers) req.setRawHeader(name, value);
#if QT_CONFIG(ssl)
  QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
  ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
  req.setSslConfiguration(ssl);
#endif
  return req;
}

HttpResult HttpTransport::get(const QUrl& url) {
  HttpResult result;
  result.errorText = recusaEndereco(url);
  if (!result.errorText.isEmpty() || !applyProxy(&result.errorText)) return result;
  auto manager = manager_;
  return wait(manager, manager->get(request(url, {})));
}

HttpResult HttpTransport::post(const QUrl& url, const QByteArray& body, const HttpHeaders& headers) {
  HttpResult result;
  result.errorText = recusaEndereco(url);
  if (!result.errorText.isEmpty() || !applyProxy(&result.errorText)) return result;
  auto manager = manager_;
  return wait(manager, manager->post(request(url, headers), body));
}

// `manager` is held here so that the reply's manager outlives the wait even
// when an event handled meanwhile drops the transport's owner.
HttpResult HttpTransport::wait(const std::shared_ptr<QNetworkAccessManager>& manager, QNetworkReply* reply) {
  (void)manager;
  HttpResult result;
  bool tooLarge = false, timedOut = false;
  const qint64 limit = options_->maxResponseBytes;
  QString refused;
  vigiaRedirecionamentos(reply, [&refused](const QString& text) { refused = text; });
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QObject::connect(reply, &QIODevice::readyRead, &loop, [&] {
    result.body += reply->readAll();
    if (result.body.size() > limit && !tooLarge) {
      tooLarge = true;
      reply->abort();
    }
  });
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
    timedOut = true;
    reply->abort();
  });
  deadline.start(options_->timeoutMs);
  if (!reply->isFinished()) loop.exec();
  deadline.stop();
  // The program is ending: every event loop leaves at once, this wait too,
  // and the exchange is cut short whatever it has received so far.
  if (!reply->isFinished()) {
    QObject::disconnect(reply, nullptr, &loop, nullptr);
    reply->abort();
    result.errorText =
        QString("Comunicação com %1 interrompida: o programa está terminando").arg(reply->url().toString());
    reply->deleteLater();
    return result;
  }
  if (!tooLarge && reply->isOpen()) result.body += reply->readAll();
  result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  result.ok = reply->error() == QNetworkReply::NoError && !tooLarge && !timedOut && refused.isEmpty();
  if (!refused.isEmpty())
    result.errorText = refused;
  else if (tooLarge)
    result.errorText = QString("Resposta de %1 maior que %2 bytes").arg(reply->url().toString()).arg(limit);
  else if (timedOut)
    result.errorText = QString("Tempo esgotado esperando resposta de %1").arg(reply->url().toString());
  else if (!result.ok)
    result.errorText = reply->errorString();
  reply->deleteLater();
  return result;
}

}  // namespace orvalto
