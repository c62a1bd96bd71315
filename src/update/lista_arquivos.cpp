#include "update/lista_arquivos.h"

#include <QDir>
#include <QFileInfo>

namespace orvalto {

void PListaArquivos(QStringList& lista, const QString& pasta, bool recursivo, const QString& extensao,
                    const QString& nomeProprio) {
  const QString filtro = extensao == QLatin1String("*") ? QStringLiteral("*") : QStringLiteral("*.") + extensao;
  const QFileInfoList entradas = QDir(pasta).entryInfoList(
      {filtro}, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
  for (const QFileInfo& entrada : entradas) {
    if (entrada.isDir() && !entrada.isSymLink()) {
      if (recursivo) PListaArquivos(lista, pasta + entrada.fileName() + QDir::separator(), true, extensao, nomeProprio);
    } else if (entrada.fileName() != nomeProprio) {
      lista.append(pasta + entrada.fileName());
    }
  }
}

}  // namespace orvalto
