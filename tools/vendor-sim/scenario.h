#pragma once
// What the simulated maker answers: customers, parameters, per-endpoint
// behaviour, package and mail options. Read from the scenario JSON, checked
// for unknown keys so that a misspelt option fails loudly instead of being
// ignored.
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <mutex>
#include <optional>

namespace vendorsim {

struct OperationConfig {
  std::optional<bool> result;    // Boolean operations; true when absent
  bool noRecord = false;         // record operations answer nil
  std::optional<QString> fault;  // SOAP fault with this text
  QString faultCode = QStringLiteral("Server");
  int httpStatus = 0;  // non-zero: plain HTTP answer, no SOAP
  int delayMs = 0;
};

struct EndpointConfig {
  bool present = true;
  bool multiref = true;
  QString user;  // empty: no credentials wanted
  QString password;
  bool protectWsdl = true;
  bool checkSoapAction = true;
  QJsonArray customers;
  QJsonValue parametros;  // object, or null for "no record"
};

struct PackageConfig {
  int status = 0;          // non-zero: answer this status instead of the file
  qint64 truncateAt = -1;  // >= 0: cut the connection after this many bytes
  qint64 bytesPerSecond = 0;
  bool chunked = false;
  int delayMs = 0;
  bool ignoreRanges = false;     // answer a range request with the whole file (200)
  QString redirect;              // non-empty: answer 302 to this address instead of the file
  bool unsignedPackage = false;  // no signature is made for it
};

struct SmtpConfig {
  QString user;  // empty: no authentication wanted
  QString password;
  QStringList rejectRecipients;
};

class Scenario {
 public:
  // An empty object is a valid scenario: both endpoints, nobody known.
  static std::optional<Scenario> fromJson(const QByteArray& json, QString* error);

  EndpointConfig endpoint(const QString& key) const;
  OperationConfig operation(const QString& endpoint, const QString& operation) const;
  PackageConfig package(const QString& name) const;
  SmtpConfig smtp() const;

 private:
  QJsonObject root_;
};

// The scenario in force; replaced as a whole at run time, read by many threads.
class ScenarioStore {
 public:
  ScenarioStore(QString file, Scenario initial);
  Scenario current() const;
  void replace(Scenario scenario);
  bool reloadFile(QString* error);

 private:
  mutable std::mutex mutex_;
  QString file_;
  Scenario current_;
};

std::optional<Scenario> loadScenarioFile(const QString& file, QString* error);

}  // namespace vendorsim
