#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <stdexcept>

namespace orvalto::test {

void writeFile(const QString& path, const QByteArray& bytes, int mode) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write " + path.toStdString());
  f.close();
  if (mode && ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) != 0)
    throw std::runtime_error("cannot chmod " + path.toStdString());
}

void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified) {
  writeFile(path, bytes);
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite) || !f.setFileTime(modified, QFileDevice::FileModificationTime))
    throw std::runtime_error("cannot date " + path.toStdString());
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace orvalto::test
