#include "platform/network_path.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace orvalto {
namespace {

bool sistemaDeRede(const QByteArray& tipo) {
  static const QSet<QByteArray> tipos{"cifs", "smb3", "smbfs", "nfs", "nfs4",      "ncpfs",
                                      "afs",  "coda", "ceph",  "9p",  "glusterfs", "fuse.sshfs"};
  return tipos.contains(tipo);
}

// Mount points escape blanks and a few other bytes as a backslash and three
// octal digits ("\040").
QString descodificaOctal(const QByteArray& campo) {
  QByteArray saida;
  for (qsizetype i = 0; i < campo.size(); ++i) {
    if (campo[i] == '\\' && i + 3 < campo.size()) {
      bool ok = false;
      const int codigo = campo.mid(i + 1, 3).toInt(&ok, 8);
      if (ok) {
        saida.append(static_cast<char>(codigo));
        i += 3;
        continue;
      }
    }
    saida.append(campo[i]);
  }
  return QString::fromLocal8Bit(saida);
}

bool dentroDe(const QString& pasta, const QString& ponto) {
  if (ponto == "/") return true;
  return pasta == ponto || pasta.startsWith(ponto + '/');
}

}  // namespace

bool pastaEmMontagemDeRede(const QString& pasta, const QByteArray& montagens) {
  // The deepest mount point that holds the folder decides; of two mounts on
  // one point, the later.
  qsizetype maisLongo = -1;
  bool deRede = false;
  for (const QByteArray& linha : montagens.split('\n')) {
    const QList<QByteArray> campos = linha.simplified().split(' ');
    if (campos.size() < 3) continue;
    const QString ponto = descodificaOctal(campos[1]);
    if (!dentroDe(pasta, ponto) || ponto.size() < maisLongo) continue;
    maisLongo = ponto.size();
    deRede = sistemaDeRede(campos[2]);
  }
  return deRede;
}

bool caminhoDeRede(const QString& pasta) {
#ifdef Q_OS_WIN
  return pasta.startsWith(QStringLiteral("\\\\"));
#else
  QFile tabela(QStringLiteral("/proc/mounts"));
  if (!tabela.open(QIODevice::ReadOnly)) return false;
  QString real = QFileInfo(pasta).canonicalFilePath();
  if (real.isEmpty()) real = QFileInfo(pasta).absoluteFilePath();
  return pastaEmMontagemDeRede(real, tabela.readAll());
#endif
}

}  // namespace orvalto
