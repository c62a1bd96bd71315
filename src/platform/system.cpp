#include "platform/system.h"

#include <QFileInfo>

#include <unistd.h>

#include <chrono>
#include <thread>

namespace orvalto {

QString runningExecutablePath() {
  const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  return target;
}

QString hostName() {
  char buffer[256] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
  QString name = QString::fromLocal8Bit(buffer);
  return name.section('.', 0, 0);
}

void sleepMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace orvalto
