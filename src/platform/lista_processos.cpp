#include "platform/lista_processos.h"

#include "platform/codepage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvalto {
namespace {

QString nameFromExeLink(const QString& procDir) {
  const QString target = QFileInfo(procDir + "/exe").symLinkTarget();
  if (target.isEmpty()) return {};
  QString name = QFileInfo(target).fileName();
  const QString deleted = QStringLiteral(" (deleted)");
  if (name.endsWith(deleted)) name.chop(deleted.size());
  return name;
}

QString nameFromComm(const QString& procDir) {
  QFile comm(procDir + "/comm");
  if (!comm.open(QIODevice::ReadOnly)) return {};
  return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

// Kernel threads have an empty command line and no executable.
bool hasCommandLine(const QString& procDir) {
  QFile cmdline(procDir + "/cmdline");
  return cmdline.open(QIODevice::ReadOnly) && !cmdline.read(1).isEmpty();
}

}  // namespace

QStringList runningExecutableNames() {
  QStringList names;
  const QDir proc(QStringLiteral("/proc"));
  const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& entry : entries) {
    bool isPid = false;
    entry.toLongLong(&isPid);
    if (!isPid) continue;
    const QString dir = proc.filePath(entry);
    // Another user's exe link may be unreadable: fall back to its name.
    QString name = nameFromExeLink(dir);
    if (name.isEmpty() && hasCommandLine(dir)) name = nameFromComm(dir);
    if (!name.isEmpty()) names.append(name.left(260));
  }
  return names;
}

int FContaProcessos(const QString& exeName) {
  const QString wanted = upperAscii(exeName);
  int count = 0;
  for (const QString& name : runningExecutableNames())
    if (upperAscii(name) == wanted) ++count;
  return count;
}

QString guardianProcessName() {
  const QByteArray overridden = qgetenv("ORVALTO_GUARDIAN");
  if (!overridden.isEmpty()) return QString::fromLocal8Bit(overridden);
#ifdef Q_OS_WIN
  return QStringLiteral("fbguard.exe");
#else
  return QStringLiteral("fbguard");
#endif
}

bool FGuardiaoAtivo() {
  const QString wanted = upperAscii(guardianProcessName());
  for (const QString& name : runningExecutableNames())
    if (upperAscii(name) == wanted) return true;
  return false;
}

}  // namespace orvalto
