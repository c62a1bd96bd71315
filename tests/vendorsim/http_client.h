#pragma once
// Blocking HTTP calls for the simulator's tests, through Qt's network stack
// (the one the updater uses), each ended by a generous time-out.
#include <QByteArray>
#include <QMap>
#include <QNetworkReply>
#include <QString>

namespace orvalto::test {

struct HttpAnswer {
  int status = 0;
  QNetworkReply::NetworkError error = QNetworkReply::NoError;
  QByteArray body;                       // empty when the body was only counted
  qint64 received = 0;                   // body bytes received
  QMap<QByteArray, QByteArray> headers;  // lower-case names
};

// `countOnly`: the body is read and counted but not kept (large files).
HttpAnswer httpGet(const QString& url, const QByteArray& authorization = {}, bool countOnly = false);
HttpAnswer soapPost(const QString& url, const QByteArray& envelope, const QByteArray& soapAction,
                    const QByteArray& authorization = {});
QByteArray basicAuthorization(const QString& user, const QString& password);

}  // namespace orvalto::test
