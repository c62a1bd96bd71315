#pragma once
// A folder laid out like an installation: a copy of the built program under
// a name of the test's own (so that copies of other tests never count as
// "another copy running"), its Caminho.ini, and a way to run it headless.
#include "support/qt_app.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace orvalto::test {

// What a one-off run of the program printed and how it ended.
struct CommandResult {
  int exitCode = -1;
  QString out, err;
};

class Installation {
 public:
  explicit Installation(const QString& exeName);
  ~Installation();

  QString folder() const { return dir_.path(); }
  QString exeName() const { return exeName_; }
  QString exePath() const;
  QString filePath(const QString& name) const;
  QStringList files() const;  // names of the folder's entries

  // Starts the program headless (on a free terminal port unless --port is
  // given); extra variables are added to the environment.
  QProcess& start(const QStringList& args = {"--headless"}, const QProcessEnvironment& extra = {});
  QProcess& process() { return process_; }
  // The terminal port the program was started on.
  quint16 port() const { return port_; }
  // How many sleeps of `ms` milliseconds the program has begun since it was
  // started: a wait that polls, and prints nothing, shows this way. The
  // program runs with the sleep probe (tools/sleep-probe) preloaded.
  int sleepsBegun(int ms) const;
  // Runs the installation's program once more, without a display, beside
  // the started one (a shell command such as --estado), and waits for it.
  CommandResult runCommand(const QStringList& args, int timeoutMs = 240000) const;
  // Ends the program (SIGTERM, then SIGKILL) and returns its standard error.
  QString stop();

 private:
  QString sleepNotes() const;

  QTemporaryDir dir_;
  QString exeName_;
  QProcess process_;
  quint16 port_ = 0;
  QTemporaryDir probeDir_;  // not in the installation: its files are checked
};

// A TCP port nobody listens on right now.
quint16 freePort();

// Path of a built program of the project.
QString builtProgram(const QString& name);

// A running process with a given executable name (a renamed copy of
// `sleep`), for playing the database server's guardian.
class NamedProcess {
 public:
  explicit NamedProcess(const QString& name);
  ~NamedProcess();

 private:
  QTemporaryDir dir_;
  QProcess process_;
};

}  // namespace orvalto::test
