#include "platform/pacote_instalado.h"

#include <QFile>
#include <QFileInfo>

namespace orvalto {

bool arquivoDoPacote(const QString& caminho, const QString& lista) {
  QFile arquivo(lista);
  if (!arquivo.open(QIODevice::ReadOnly)) return false;
  const QString canonico = QFileInfo(caminho).canonicalFilePath();
  const QByteArray procurado = (canonico.isEmpty() ? caminho : canonico).toUtf8();
  while (!arquivo.atEnd())
    if (arquivo.readLine().trimmed() == procurado) return true;
  return false;
}

}  // namespace orvalto
