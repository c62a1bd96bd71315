#pragma once
// Runs the vendor simulator (orvalto-vendor-sim) for one test: writes the
// scenario, starts the process, waits for its READY line and stops it at
// the end. Needs a QCoreApplication (QProcess).
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace orvalto::test {

class VendorSim {
 public:
  // Throws std::runtime_error when the simulator does not come up within
  // 10 seconds. Packages are served from `packagesDir`, or from a fresh
  // folder of its own (packagesDir()) when empty. With `signKey` (a minisign
  // secret key file) it serves "<package>.minisig" signatures too.
  explicit VendorSim(const QJsonObject& scenario = {}, const QString& packagesDir = {}, const QString& signKey = {});
  ~VendorSim();
  VendorSim(const VendorSim&) = delete;
  VendorSim& operator=(const VendorSim&) = delete;

  int httpPort() const { return httpPort_; }
  int smtpPort() const { return smtpPort_; }
  qint64 processId() const { return process_.processId(); }

  QString baseUrl() const;         // "http://127.0.0.1:PORT"
  QString olderBase() const;       // value for PARALOGIN.WEBSERVICEWZQ
  QString newerBase() const;       // value for PARALOGIN.LINKWEBSERVICEWZQ
  QString historyWsdlUrl() const;  // value for PARALOGIN.WSWZQVERSAOCLIENTE
  QString packageUrl(const QString& name) const;
  QString selfUpdateUrl() const;  // ".../downloadsversao/Orvalto.rar"

  QString packagesDir() const { return packagesDir_; }
  QString mailDir() const;

  // The request record, oldest first (see tools/vendor-sim/README.md).
  QJsonArray requests() const;
  QJsonArray requests(const QString& kind) const;
  // SOAP calls that reached the endpoint (credentials accepted), optionally
  // of one operation only.
  QJsonArray soapCalls(const QString& endpoint, const QString& operation = {}) const;
  QJsonArray mails() const;

  void reset();
  // Replaces the scenario of the running simulator.
  void setScenario(const QJsonObject& scenario);

 private:
  QByteArray control(const QByteArray& method, const QByteArray& path, const QByteArray& body = {}) const;
  void waitForReady();

  QTemporaryDir dir_;
  QString packagesDir_;
  QProcess process_;
  int httpPort_ = 0;
  int smtpPort_ = 0;
};

}  // namespace orvalto::test
