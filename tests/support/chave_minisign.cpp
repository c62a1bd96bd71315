#include "support/chave_minisign.h"

#include <QFile>
#include <QProcess>

#include <stdexcept>

namespace orvalto::test {
namespace {

void minisign(const QStringList& argumentos) {
  QProcess p;
  p.setStandardInputFile(QProcess::nullDevice());
  p.start("minisign", argumentos);
  if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    throw std::runtime_error("minisign " + argumentos.join(' ').toStdString() + ": " +
                             p.readAllStandardError().toStdString());
}

QByteArray le(const QString& caminho) {
  QFile f(caminho);
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + caminho.toStdString());
  return f.readAll();
}

}  // namespace

ChaveMinisign::ChaveMinisign() {
  if (!dir_.isValid()) throw std::runtime_error("ChaveMinisign: no temporary folder");
  minisign({"-G", "-W", "-p", dir_.filePath("chave.pub"), "-s", secreta()});
}

QString ChaveMinisign::secreta() const { return dir_.filePath("chave.key"); }

QByteArray ChaveMinisign::arquivoPub() const { return le(dir_.filePath("chave.pub")); }

QByteArray ChaveMinisign::publica() const { return arquivoPub().split('\n').value(1).trimmed(); }

QByteArray ChaveMinisign::assina(const QString& arquivo, bool legado) const {
  const QString saida = dir_.filePath("assinatura.minisig");
  QStringList argumentos{"-S", "-W", "-s", secreta(), "-m", arquivo, "-x", saida};
  if (legado) argumentos << "-l";
  minisign(argumentos);
  return le(saida);
}

}  // namespace orvalto::test
