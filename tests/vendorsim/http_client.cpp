#include "http_client.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <memory>

namespace orvalto::test {

namespace {

constexpr int kTimeoutMs = 60000;

HttpAnswer run(QNetworkReply* reply, bool countOnly) {
  std::unique_ptr<QNetworkReply> owner(reply);
  HttpAnswer answer;
  QEventLoop loop;
  QTimer timeout;
  timeout.setSingleShot(true);
  QObject::connect(&timeout, &QTimer::timeout, reply, &QNetworkReply::abort);
  QObject::connect(reply, &QNetworkReply::readyRead, [&] {
    const QByteArray piece = reply->readAll();
    answer.received += piece.size();
    if (!countOnly) answer.body += piece;
  });
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  timeout.start(kTimeoutMs);
  if (!reply->isFinished()) loop.exec();
  const QByteArray rest = reply->readAll();
  answer.received += rest.size();
  if (!countOnly) answer.body += rest;
  answer.error = reply->error();
  answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  for (const auto& [name, value] : reply->rawHeaderPairs()) answer.headers.insert(name.toLower(), value);
  return answer;
}

}  // namespace

HttpAnswer httpGet(const QString& url, const QByteArray& authorization, bool countOnly) {
  QNetworkAccessManager manager;
  QNetworkRequest request{QUrl(url)};
  if (!authorization.isEmpty()) request.setRawHeader("Authorization", authorization);
  return run(manager.get(request), countOnly);
}

HttpAnswer soapPost(const QString& url, const QByteArray& envelope, const QByteArray& soapAction,
                    const QByteArray& authorization) {
  QNetworkAccessManager manager;
  QNetworkRequest request{QUrl(url)};
  request.setHeader(QNetworkRequest::ContentTypeHeader, "text/xml; charset=utf-8");
  request.setRawHeader("SOAPAction", "\"" + soapAction + "\"");
  if (!authorization.isEmpty()) request.setRawHeader("Authorization", authorization);
  return run(manager.post(request, envelope), false);
}

QByteArray basicAuthorization(const QString& user, const QString& password) {
  return "Basic " + (user + ":" + password).toUtf8().toBase64();
}

}  // namespace orvalto::test
