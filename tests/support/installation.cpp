#include "support/installation.h"

#include "support/qt_app.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>

#include <csignal>
#include <stdexcept>

namespace orvalto::test {

quint16 freePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

QString builtProgram(const QString& name) { return QDir(ORVALTO_BIN_DIR).filePath(name); }

Installation::Installation(const QString& exeName) : exeName_(exeName) {
  ensureQtApp();
  if (!QFile::copy(builtProgram("orvalto-atualizador"), exePath()))
    throw std::runtime_error("cannot copy the program into the installation");
}

Installation::~Installation() { stop(); }

QString Installation::exePath() const { return dir_.filePath(exeName_); }
QString Installation::filePath(const QString& name) const { return dir_.filePath(name); }

QStringList Installation::files() const {
  return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

QString Installation::sleepNotes() const { return probeDir_.filePath("sleeps"); }

int Installation::sleepsBegun(int ms) const {
  QFile notes(sleepNotes());
  if (!notes.open(QIODevice::ReadOnly)) return 0;
  return static_cast<int>(notes.readAll().split('\n').count(QByteArray::number(ms)));
}

QProcess& Installation::start(const QStringList& args, const QProcessEnvironment& extra) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  QFile::remove(sleepNotes());
  const QString probe = builtProgram("liborvalto_sleep_probe.so");
  if (!QFile::exists(probe)) throw std::runtime_error("the sleep probe is not built");
  env.insert("LD_PRELOAD", probe);
  env.insert("ORVALTO_SLEEP_PROBE", sleepNotes());
  env.insert(extra);
  process_.setProcessEnvironment(env);
  process_.setWorkingDirectory(dir_.path());
  // The Firebird client blocks signals in the threads of this test
  // program; the program under test must start as a shell would start it.
  process_.setChildProcessModifier([] {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
  });
  // Never the product's own port: other tests and a real service use it.
  QStringList arguments = args;
  if (!arguments.contains("--port")) arguments << "--port" << QString::number(freePort());
  port_ = static_cast<quint16>(arguments.value(arguments.indexOf("--port") + 1).toUInt());
  process_.start(exePath(), arguments);
  if (!process_.waitForStarted(10000)) throw std::runtime_error("the program did not start");
  return process_;
}

CommandResult Installation::runCommand(const QStringList& args, int timeoutMs) const {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  p.setProcessEnvironment(env);
  p.start(exePath(), args);
  if (!p.waitForStarted(10000)) throw std::runtime_error("the command did not start");
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(5000);
  }
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

QString Installation::stop() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  return QString::fromUtf8(process_.readAllStandardError());
}

NamedProcess::NamedProcess(const QString& name) {
  ensureQtApp();
  const QString path = dir_.filePath(name);
  if (!QFile::copy("/bin/sleep", path)) throw std::runtime_error("cannot copy sleep");
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
  process_.start(path, {"300"});
  if (!process_.waitForStarted(10000)) throw std::runtime_error("cannot start the named process");
}

NamedProcess::~NamedProcess() {
  process_.kill();
  process_.waitForFinished(5000);
}

}  // namespace orvalto::test
