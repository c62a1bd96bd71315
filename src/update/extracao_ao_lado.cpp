#include "update/extracao_ao_lado.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace orvalto {
namespace {

QString motivo(int codigo) { return QString::fromStdString(std::generic_category().message(codigo)); }

// Moves every entry of `de` into `para` (both existing folders): a file or
// link replaces what has its name, a folder goes whole or merges into a
// folder of its name.
bool move(const QString& de, const QString& para, QString* erro) {
  const QFileInfoList entradas =
      QDir(de).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo& entrada : entradas) {
    const QString destino = para + '/' + entrada.fileName();
    const QFileInfo alvo(destino);
    if (entrada.isDir() && !entrada.isSymLink() && alvo.isDir() && !alvo.isSymLink()) {
      if (!move(entrada.filePath(), destino, erro)) return false;
      continue;
    }
    if (std::rename(QFile::encodeName(entrada.filePath()).constData(), QFile::encodeName(destino).constData()) != 0) {
      if (erro) *erro = "não foi possível mover " + entrada.filePath() + " para " + destino + ": " + motivo(errno);
      return false;
    }
  }
  return true;
}

}  // namespace

bool extraiAoLado(const ExtraiArquivo& extrai, const QString& pacote, const QString& pasta, QString* erro,
                  const AntesDeMover& antesDeMover) {
  QTemporaryDir aoLado(pasta + ".extraindo-XXXXXX");
  if (!aoLado.isValid()) {
    if (erro) *erro = "não foi possível criar uma pasta temporária em " + pasta + ": " + aoLado.errorString();
    return false;
  }
  if (!extrai(pacote, aoLado.path() + '/')) {
    if (erro) *erro = "não foi possível descompactar o pacote " + QFileInfo(pacote).fileName();
    return false;
  }
  if (antesDeMover) antesDeMover(aoLado.path() + '/');
  return move(aoLado.path(), QDir(pasta).absolutePath(), erro);
}

}  // namespace orvalto
