#include "update/registro_arquivos.h"

#include "base/servindo_eventos.h"
#include "platform/arquivo_aberto.h"
#include "platform/copia_duravel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

namespace orvalto {
namespace {

// One line per file: the hash, a blank, the absolute path.
using Registros = QMap<QString, QByteArray>;

QString chave(const QString& caminho) { return QDir::cleanPath(QFileInfo(caminho).absoluteFilePath()); }

Registros le(const QString& arquivo) {
  Registros registros;
  QFile f(arquivo);
  if (!f.open(QIODevice::ReadOnly)) return registros;
  for (const QByteArray& linha : f.readAll().split('\n')) {
    const int espaco = linha.indexOf(' ');
    if (espaco > 0) registros.insert(QString::fromUtf8(linha.mid(espaco + 1)), linha.left(espaco));
  }
  return registros;
}

}  // namespace

void RegistroArquivos::grava(const QString& caminho, const QByteArray& hash) const {
  const QString arquivo = exeDir_ + '/' + kArquivoRegistroArquivos;
  Registros registros = le(arquivo);
  registros.insert(chave(caminho), hash);
  QByteArray conteudo;
  for (auto it = registros.cbegin(); it != registros.cend(); ++it)
    if (QFileInfo::exists(it.key())) conteudo += it.value() + ' ' + it.key().toUtf8() + '\n';
  gravaArquivoDuravel(arquivo, conteudo);
}

QByteArray RegistroArquivos::hashDe(const QString& caminho) const {
  return le(exeDir_ + '/' + kArquivoRegistroArquivos).value(chave(caminho));
}

QByteArray sha256ServindoEventos(const ArquivoAberto& arquivo) {
  QByteArray hash;
  executaServindoEventos([&arquivo, &hash](std::stop_token) { hash = arquivo.sha256(); });
  return hash;
}

}  // namespace orvalto
