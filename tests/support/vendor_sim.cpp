#include "support/vendor_sim.h"

#include "support/files.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>
#include <stdexcept>

namespace orvalto::test {

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kControlTimeoutMs = 10000;

}  // namespace

VendorSim::VendorSim(const QJsonObject& scenario, const QString& packagesDir, const QString& signKey) {
  if (!dir_.isValid()) throw std::runtime_error("VendorSim: no temporary folder");
  packagesDir_ = packagesDir.isEmpty() ? dir_.filePath("packages") : packagesDir;
  QDir().mkpath(packagesDir_);
  writeFile(dir_.filePath("scenario.json"), QJsonDocument(scenario).toJson());

  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QStringList arguments{"--scenario",  dir_.filePath("scenario.json"),
                        "--port",      "0",
                        "--smtp-port", "0",
                        "--packages",  packagesDir_,
                        "--record",    dir_.filePath("record.json"),
                        "--mail-dir",  mailDir()};
  if (!signKey.isEmpty()) arguments << "--sign-key" << signKey;
  process_.start(QStringLiteral(ORVALTO_BIN_DIR "/orvalto-vendor-sim"), arguments);
  waitForReady();
}

void VendorSim::waitForReady() {
  const QDeadlineTimer deadline(kStartTimeoutMs);
  static const QRegularExpression ready(QStringLiteral("^READY http=(\\d+) smtp=(\\d+)\\s*$"));
  while (!deadline.hasExpired()) {
    if (!process_.canReadLine() && !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
      if (process_.state() == QProcess::NotRunning) break;
      continue;
    }
    const QRegularExpressionMatch match = ready.match(QString::fromUtf8(process_.readLine()));
    if (match.hasMatch()) {
      httpPort_ = match.captured(1).toInt();
      smtpPort_ = match.captured(2).toInt();
      return;
    }
  }
  const std::string reason = process_.state() == QProcess::NotRunning
                                 ? "exited (" + process_.errorString().toStdString() + ")"
                                 : "gave no READY line within 10 s";
  process_.kill();
  process_.waitForFinished(kStartTimeoutMs);
  throw std::runtime_error("VendorSim: orvalto-vendor-sim " + reason);
}

VendorSim::~VendorSim() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(kStartTimeoutMs)) {
    process_.kill();
    process_.waitForFinished(kStartTimeoutMs);
  }
}

QString VendorSim::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(httpPort_); }
QString VendorSim::olderBase() const { return baseUrl(); }
QString VendorSim::newerBase() const { return baseUrl() + "/WebRegistro/services"; }
QString VendorSim::historyWsdlUrl() const { return baseUrl() + "/webVersoesClientes.exe/wsdl/IwebVersoesClientes"; }
QString VendorSim::packageUrl(const QString& name) const { return baseUrl() + "/pacotes/" + name; }
QString VendorSim::selfUpdateUrl() const { return baseUrl() + "/downloadsversao/Orvalto.rar"; }
QString VendorSim::mailDir() const { return dir_.filePath("mails"); }

QJsonArray VendorSim::requests() const {
  QFile file(dir_.filePath("record.json"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(file.readAll()).array();
}

QJsonArray VendorSim::requests(const QString& kind) const {
  QJsonArray selected;
  for (const QJsonValue& entry : requests())
    if (entry[QLatin1String("kind")].toString() == kind) selected.append(entry);
  return selected;
}

QJsonArray VendorSim::soapCalls(const QString& endpoint, const QString& operation) const {
  QJsonArray selected;
  for (const QJsonValue& entry : requests(QStringLiteral("soap"))) {
    if (entry[QLatin1String("endpoint")].toString() == endpoint && entry[QLatin1String("authorized")].toBool() &&
        entry[QLatin1String("status")].toInt() != 404 &&
        (operation.isEmpty() || entry[QLatin1String("operation")].toString() == operation))
      selected.append(entry);
  }
  return selected;
}

QJsonArray VendorSim::mails() const { return requests(QStringLiteral("mail")); }

void VendorSim::reset() { control("GET", "/_sim/reset"); }

void VendorSim::setScenario(const QJsonObject& scenario) {
  control("POST", "/_sim/scenario", QJsonDocument(scenario).toJson());
}

// One HTTP/1.0 exchange on a blocking socket: no event loop needed.
QByteArray VendorSim::control(const QByteArray& method, const QByteArray& path, const QByteArray& body) const {
  QTcpSocket socket;
  socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(httpPort_));
  if (!socket.waitForConnected(kControlTimeoutMs)) throw std::runtime_error("VendorSim: cannot connect");
  socket.write(method + " " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n" +
               "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
  QByteArray answer;
  const QDeadlineTimer deadline(kControlTimeoutMs);
  while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
    if (socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) answer += socket.readAll();
  }
  answer += socket.readAll();
  const qsizetype bodyStart = answer.indexOf("\r\n\r\n");
  if (!answer.startsWith("HTTP/1.1 200") && !answer.startsWith("HTTP/1.0 200"))
    throw std::runtime_error("VendorSim: " + path.toStdString() + " failed: " + answer.toStdString());
  return bodyStart < 0 ? QByteArray() : answer.mid(bodyStart + 4);
}

}  // namespace orvalto::test
