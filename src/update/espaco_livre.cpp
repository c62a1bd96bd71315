#include "update/espaco_livre.h"

#include "platform/copia_duravel.h"

#include <QDir>
#include <QFile>

#include <sys/statvfs.h>

#include <cerrno>
#include <stdexcept>

namespace orvalto {
namespace {

constexpr qint64 kMiB = 1024 * 1024;
constexpr qint64 kMargemFixa = 64 * kMiB;

QString mib(qint64 bytes) { return QString::number(double(bytes) / kMiB, 'f', 1) + " MiB"; }

}  // namespace

qint64 espacoNecessario(qint64 tamanho) { return tamanho + tamanho / 20 + kMargemFixa; }

QString faltaEspaco(const QString& pasta, qint64 tamanho, const QString& oQue) {
  struct statvfs sv {};
  if (::statvfs(QFile::encodeName(pasta).constData(), &sv) != 0)
    throw std::runtime_error(textoErroArquivo("Erro ao ler o espaço livre de", pasta, errno).toStdString());
  const qint64 livres = qint64(sv.f_bavail) * qint64(sv.f_frsize);
  const qint64 necessarios = espacoNecessario(tamanho);
  if (livres >= necessarios) return {};
  return QString("Espaço insuficiente em \"%1\": livres %2, necessários %3 (%4 de %5 mais a margem de %6).")
      .arg(QDir::toNativeSeparators(pasta), mib(livres), mib(necessarios), oQue, mib(tamanho),
           mib(necessarios - tamanho));
}

}  // namespace orvalto
