#include "scenario.h"

#include "record_types.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <set>

namespace vendorsim {

namespace {

const QStringList kEndpoints{"older", "newer", "history"};

bool checkKeys(const QJsonObject& object, const std::set<QString>& allowed, const QString& where, QString* error) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (it.key() != QLatin1String("comment") && !allowed.count(it.key())) {
      *error = QStringLiteral("%1: unknown key \"%2\"").arg(where, it.key());
      return false;
    }
  }
  return true;
}

std::set<QString> fieldNames(const RecordType& type) {
  std::set<QString> names;
  for (const Field& field : type.fields) names.insert(QString::fromStdString(field.name));
  return names;
}

bool checkRecord(const QJsonValue& value, const RecordType& type, const QString& where, QString* error);

bool checkModuleList(const QJsonValue& value, const QString& where, QString* error) {
  if (value.isNull() || value.isUndefined()) return true;
  if (!value.isArray()) {
    *error = where + QStringLiteral(": must be an array");
    return false;
  }
  const QJsonArray modules = value.toArray();
  for (qsizetype i = 0; i < modules.size(); ++i) {
    if (!checkRecord(modules[i], infoModuloType(), QStringLiteral("%1[%2]").arg(where).arg(i), error)) return false;
  }
  return true;
}

bool checkRecord(const QJsonValue& value, const RecordType& type, const QString& where, QString* error) {
  if (!value.isObject()) {
    *error = where + QStringLiteral(": must be an object");
    return false;
  }
  const QJsonObject record = value.toObject();
  if (!checkKeys(record, fieldNames(type), where, error)) return false;
  if (type.name == infoClienteType().name)
    return checkModuleList(record.value("ListaModulos"), where + ".ListaModulos", error);
  return true;
}

bool checkCustomers(const QJsonValue& value, const QString& where, QString* error) {
  if (value.isUndefined()) return true;
  if (!value.isArray()) {
    *error = where + QStringLiteral(": must be an array");
    return false;
  }
  const QJsonArray customers = value.toArray();
  for (qsizetype i = 0; i < customers.size(); ++i) {
    if (!checkRecord(customers[i], infoClienteType(), QStringLiteral("%1[%2]").arg(where).arg(i), error)) return false;
  }
  return true;
}

bool checkParametros(const QJsonValue& value, const QString& where, QString* error) {
  if (value.isUndefined() || value.isNull()) return true;
  return checkRecord(value, paramAtualizadorType(), where, error);
}

bool checkEndpoint(const QJsonObject& endpoint, const QString& where, QString* error) {
  if (!checkKeys(endpoint,
                 {"present", "style", "user", "password", "protectWsdl", "checkSoapAction", "customers", "parametros",
                  "operations"},
                 where, error))
    return false;
  const QString style = endpoint.value("style").toString("multiref");
  if (style != QLatin1String("multiref") && style != QLatin1String("inline")) {
    *error = where + QStringLiteral(".style: \"multiref\" or \"inline\"");
    return false;
  }
  if (!checkCustomers(endpoint.value("customers"), where + ".customers", error)) return false;
  if (!checkParametros(endpoint.value("parametros"), where + ".parametros", error)) return false;
  const QJsonObject operations = endpoint.value("operations").toObject();
  for (auto it = operations.begin(); it != operations.end(); ++it) {
    if (!checkKeys(it.value().toObject(), {"result", "noRecord", "fault", "faultCode", "httpStatus", "delayMs"},
                   where + ".operations." + it.key(), error))
      return false;
  }
  return true;
}

bool checkScenario(const QJsonObject& root, QString* error) {
  if (!checkKeys(root, {"customers", "parametros", "endpoints", "packages", "smtp"}, "scenario", error)) return false;
  if (!checkCustomers(root.value("customers"), "customers", error)) return false;
  if (!checkParametros(root.value("parametros"), "parametros", error)) return false;
  const QJsonObject endpoints = root.value("endpoints").toObject();
  for (auto it = endpoints.begin(); it != endpoints.end(); ++it) {
    if (!kEndpoints.contains(it.key())) {
      *error = QStringLiteral("endpoints: unknown endpoint \"%1\"").arg(it.key());
      return false;
    }
    if (!checkEndpoint(it.value().toObject(), "endpoints." + it.key(), error)) return false;
  }
  const QJsonObject packages = root.value("packages").toObject();
  for (auto it = packages.begin(); it != packages.end(); ++it) {
    if (!checkKeys(
            it.value().toObject(),
            {"status", "truncateAt", "bytesPerSecond", "chunked", "delayMs", "ignoreRanges", "redirect", "unsigned"},
            "packages." + it.key(), error))
      return false;
  }
  return checkKeys(root.value("smtp").toObject(), {"user", "password", "rejectRecipients"}, "smtp", error);
}

}  // namespace

std::optional<Scenario> Scenario::fromJson(const QByteArray& json, QString* error) {
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    *error =
        QStringLiteral("scenario is not JSON: %1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
    return std::nullopt;
  }
  if (!document.isObject()) {
    *error = QStringLiteral("scenario must be a JSON object");
    return std::nullopt;
  }
  if (!checkScenario(document.object(), error)) return std::nullopt;
  Scenario scenario;
  scenario.root_ = document.object();
  return scenario;
}

EndpointConfig Scenario::endpoint(const QString& key) const {
  const QJsonObject object = root_.value("endpoints").toObject().value(key).toObject();
  EndpointConfig config;
  config.present = object.value("present").toBool(true);
  config.multiref = object.value("style").toString("multiref") == QLatin1String("multiref");
  config.user = object.value("user").toString();
  config.password = object.value("password").toString();
  config.protectWsdl = object.value("protectWsdl").toBool(true);
  config.checkSoapAction = object.value("checkSoapAction").toBool(true);
  config.customers = (object.contains("customers") ? object : root_).value("customers").toArray();
  const QJsonValue parametros = (object.contains("parametros") ? object : root_).value("parametros");
  config.parametros = parametros.isUndefined() ? QJsonValue(QJsonObject()) : parametros;
  return config;
}

OperationConfig Scenario::operation(const QString& endpoint, const QString& operation) const {
  const QJsonObject object = root_.value("endpoints")
                                 .toObject()
                                 .value(endpoint)
                                 .toObject()
                                 .value("operations")
                                 .toObject()
                                 .value(operation)
                                 .toObject();
  OperationConfig config;
  if (object.contains("result")) config.result = object.value("result").toBool();
  config.noRecord = object.value("noRecord").toBool();
  if (object.contains("fault")) config.fault = object.value("fault").toString();
  config.faultCode = object.value("faultCode").toString("Server");
  config.httpStatus = object.value("httpStatus").toInt();
  config.delayMs = object.value("delayMs").toInt();
  return config;
}

PackageConfig Scenario::package(const QString& name) const {
  const QJsonObject object = root_.value("packages").toObject().value(name).toObject();
  PackageConfig config;
  config.status = object.value("status").toInt();
  config.truncateAt = object.value("truncateAt").toInteger(-1);
  config.bytesPerSecond = object.value("bytesPerSecond").toInteger(0);
  config.chunked = object.value("chunked").toBool();
  config.delayMs = object.value("delayMs").toInt();
  config.ignoreRanges = object.value("ignoreRanges").toBool();
  config.redirect = object.value("redirect").toString();
  config.unsignedPackage = object.value("unsigned").toBool();
  return config;
}

SmtpConfig Scenario::smtp() const {
  const QJsonObject object = root_.value("smtp").toObject();
  SmtpConfig config;
  config.user = object.value("user").toString();
  config.password = object.value("password").toString();
  for (const QJsonValue& address : object.value("rejectRecipients").toArray())
    config.rejectRecipients << address.toString();
  return config;
}

ScenarioStore::ScenarioStore(QString file, Scenario initial) : file_(std::move(file)), current_(std::move(initial)) {}

Scenario ScenarioStore::current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

void ScenarioStore::replace(Scenario scenario) {
  std::lock_guard lock(mutex_);
  current_ = std::move(scenario);
}

bool ScenarioStore::reloadFile(QString* error) {
  std::optional<Scenario> scenario = loadScenarioFile(file_, error);
  if (!scenario) return false;
  replace(std::move(*scenario));
  return true;
}

std::optional<Scenario> loadScenarioFile(const QString& file, QString* error) {
  QFile input(file);
  if (!input.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read scenario %1: %2").arg(file, input.errorString());
    return std::nullopt;
  }
  return Scenario::fromJson(input.readAll(), error);
}

}  // namespace vendorsim
