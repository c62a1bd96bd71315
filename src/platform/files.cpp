#include "platform/files.h"

#include "platform/arquivo_exclusivo.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

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

namespace {

// Copies the bytes of `in` to `out`; false on any read or write error (a
// read error must never look like the end of the file).
bool copyBytes(int in, int out) {
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(out, buffer.data() + done, size_t(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

// Copies into `temp`, with the source's permission bits (never setuid,
// setgid or others' write) and modification time (as the Windows copy
// keeps them).
bool copyToTemp(const QString& from, const QString& temp) {
  const int in = ::open(from.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  const int out = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode) ? criaArquivoExclusivo(temp, 0600) : -1;
  bool ok = out >= 0 && copyBytes(in, out) && ::fchmod(out, modoSeguro(st.st_mode)) == 0;
  if (ok) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ::futimens(out, times) == 0;
  }
  if (out >= 0 && ::close(out) != 0) ok = false;
  ::close(in);
  return ok;
}

}  // namespace

bool copyFile(const QString& from, const QString& to, bool failIfExists) {
  if (from.isEmpty() || to.isEmpty() || (failIfExists && QFileInfo::exists(to))) return false;
  // The copy is written beside the target under another name and renamed
  // over it only when complete: a failed copy leaves the target as it was.
  const QString temp = to + QStringLiteral(".copia-%1").arg(::getpid());
  ::unlink(temp.toLocal8Bit().constData());
  if (copyToTemp(from, temp) && ::rename(temp.toLocal8Bit().constData(), to.toLocal8Bit().constData()) == 0)
    return true;
  ::unlink(temp.toLocal8Bit().constData());
  return false;
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
