#include "signer.h"

#include "packages.h"

#include <httplib.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <cerrno>
#include <optional>

extern char** environ;

namespace vendorsim {

namespace {

const QString kSuffix = QStringLiteral(".minisig");

// Runs `minisign -S` without a shell; no QProcess, the server threads have
// no event loop.
bool runMinisign(const QString& keyFile, const QString& file, const QString& output) {
  const QByteArray key = keyFile.toLocal8Bit(), in = file.toLocal8Bit(), out = output.toLocal8Bit();
  const char* argv[] = {"minisign",      "-S",   "-W", "-s", key.constData(), "-m", in.constData(), "-x",
                        out.constData(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int started = posix_spawnp(&pid, "minisign", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<QByteArray> sign(const QString& keyFile, const QString& package) {
  const QTemporaryDir dir;
  if (!dir.isValid()) return std::nullopt;
  const QString output = dir.filePath("assinatura.minisig");
  if (!runMinisign(keyFile, package, output)) return std::nullopt;
  QFile file(output);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

}  // namespace

int serveSignature(const QString& folder, const QString& name, const QString& keyFile, bool unsignedPackage,
                   const PackageConfig& config, const httplib::Request& request, httplib::Response& response) {
  if (config.status != 0 || folder.isEmpty() || QFileInfo(QDir(folder).filePath(name)).isFile())
    return servePackage(folder, name, config, request, response);
  const QString package = QDir(folder).filePath(name.chopped(kSuffix.size()));
  if (keyFile.isEmpty() || unsignedPackage || !isPlainFileName(name) || !QFileInfo(package).isFile())
    return servePackage({}, name, config, request, response);  // 404
  const std::optional<QByteArray> signature = sign(keyFile, package);
  if (!signature) {
    response.status = 500;
    response.set_content("minisign failed\n", "text/plain");
    return 500;
  }
  response.status = 200;
  response.set_content(signature->toStdString(), "application/octet-stream");
  return 200;
}

}  // namespace vendorsim
