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

// One line per file: the hash, the identity ("-" when none), the absolute
// path, separated by blanks.
using Registros = QMap<QString, ArquivoRegistrado>;

QString chave(const QString& caminho) { return QDir::cleanPath(QFileInfo(caminho).absoluteFilePath()); }

Registros le(const QString& arquivo) {
  Registros registros;
  QFile f(arquivo);
  if (!f.open(QIODevice::ReadOnly)) return registros;
  for (const QByteArray& linha : f.readAll().split('\n')) {
    const int primeiro = linha.indexOf(' ');
    const int segundo = primeiro > 0 ? linha.indexOf(' ', primeiro + 1) : -1;
    if (segundo < 0) continue;
    const QByteArray identidade = linha.mid(primeiro + 1, segundo - primeiro - 1);
    registros.insert(QString::fromUtf8(linha.mid(segundo + 1)),
                     {linha.left(primeiro), identidade == "-" ? QByteArray() : identidade});
  }
  return registros;
}

}  // namespace

void RegistroArquivos::grava(const QString& caminho, const ArquivoRegistrado& registro) const {
  const QString arquivo = exeDir_ + '/' + kArquivoRegistroArquivos;
  Registros registros = le(arquivo);
  registros.insert(chave(caminho), registro);
  QByteArray conteudo;
  for (auto it = registros.cbegin(); it != registros.cend(); ++it) {
    if (!QFileInfo::exists(it.key())) continue;
    const QByteArray identidade = it->identidade.isEmpty() ? QByteArray("-") : it->identidade;
    conteudo += it->hash + ' ' + identidade + ' ' + it.key().toUtf8() + '\n';
  }
  gravaArquivoDuravel(arquivo, conteudo);
}

ArquivoRegistrado RegistroArquivos::de(const QString& caminho) const {
  return le(exeDir_ + '/' + kArquivoRegistroArquivos).value(chave(caminho));
}

QByteArray sha256ServindoEventos(const ArquivoAberto& arquivo) {
  QByteArray hash;
  executaServindoEventos([&arquivo, &hash](std::stop_token) { hash = arquivo.sha256(); });
  return hash;
}

ArquivoRegistrado registroDe(const ArquivoAberto& arquivo) {
  // Taken first: a change while the bytes are read gives another identity.
  ArquivoRegistrado registro;
  registro.identidade = arquivo.identidade();
  registro.hash = sha256ServindoEventos(arquivo);
  return registro;
}

}  // namespace orvalto
