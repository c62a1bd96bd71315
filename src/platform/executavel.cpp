#include "platform/executavel.h"

#include "platform/system.h"

#include <QFile>
#include <QFileInfo>

namespace orvalto {
namespace {

// e_ident (16 bytes) followed by e_type and e_machine.
constexpr qint64 kTamanhoCabecalho = 20;

QByteArray cabecalhoElf(const QString& caminho) {
  QFile arquivo(caminho);
  if (!arquivo.open(QIODevice::ReadOnly)) return {};
  return arquivo.read(kTamanhoCabecalho);
}

// Class, byte order and machine: what decides whether this machine runs it.
QByteArray identidade(const QByteArray& cabecalho) { return cabecalho.mid(4, 2) + cabecalho.mid(18, 2); }

}  // namespace

QString motivoNaoExecutavel(const QString& caminho) {
  const QFileInfo info(caminho);
  if (!info.exists() || info.isSymLink() || !info.isFile()) return "não é um arquivo comum";
  if (info.size() == 0) return "arquivo vazio";
  if (!info.isExecutable()) return "sem permissão de execução";
  const QByteArray cabecalho = cabecalhoElf(caminho);
  if (cabecalho.size() < kTamanhoCabecalho || !cabecalho.startsWith("\x7F"
                                                                    "ELF"))
    return "não é um executável ELF";
  const QByteArray proprio = cabecalhoElf(runningExecutablePath());
  if (proprio.size() == kTamanhoCabecalho && identidade(cabecalho) != identidade(proprio))
    return "executável de outra arquitetura";
  return {};
}

}  // namespace orvalto
