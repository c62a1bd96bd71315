#include "platform/files.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace orvalto {
namespace fs = std::filesystem;

namespace {
fs::path toPath(const QString& p) { return fs::path(p.toStdString()); }
}  // namespace

bool fileExists(const QString& path) {
  std::error_code ec;
  return !path.isEmpty() && fs::is_regular_file(toPath(path), ec);
}

bool folderExists(const QString& path) {
  std::error_code ec;
  return !path.isEmpty() && fs::is_directory(toPath(path), ec);
}

QDateTime dosFileTime(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return {};
  QDateTime t = info.lastModified();  // local time
  const QTime time = t.time();
  t.setTime(QTime(time.hour(), time.minute(), time.second() - time.second() % 2));
  return t;
}

bool copyFile(const QString& from, const QString& to, bool failIfExists) {
  std::error_code ec;
  if (!fs::is_regular_file(toPath(from), ec)) return false;
  const auto options = failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
  if (!fs::copy_file(toPath(from), toPath(to), options, ec) || ec) return false;
  fs::permissions(toPath(to), fs::status(toPath(from), ec).permissions(), ec);
  return true;
}

bool renameFile(const QString& from, const QString& to) {
  std::error_code ec;
  if (from.isEmpty() || to.isEmpty() || fs::exists(toPath(to), ec)) return false;
  fs::rename(toPath(from), toPath(to), ec);
  return !ec;
}

bool deleteFile(const QString& path) {
  std::error_code ec;
  if (!fs::is_regular_file(toPath(path), ec)) return false;
  return fs::remove(toPath(path), ec) && !ec;
}

bool createFolder(const QString& path) {
  std::error_code ec;
  return !path.isEmpty() && fs::create_directory(toPath(path), ec) && !ec;
}

QStringList listFiles(const QString& folder, const QString& pattern) {
  // Without QDir::CaseSensitive the name filter ignores case. "*.*" also
  // matches names without a dot, as it always did on Windows.
  const QString filter = pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
  return QDir(folder).entryList({filter}, QDir::Files | QDir::Hidden, QDir::Name);
}

QString withSeparator(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith(QDir::separator()) || folder.endsWith('/')) return folder;
  return folder + QDir::separator();
}

}  // namespace orvalto
