#include "services/secao_seguranca.h"

#include "platform/ini_file.h"
#include "services/fornecedor.h"

#include <QFileInfo>

#include <stdexcept>

namespace orvalto {

std::optional<QString> valorSeguranca(const QString& exeDir, const QString& chave) {
  const QString caminho = exeDir + '/' + kArquivoAtualizadorIni;
  if (!QFileInfo::exists(caminho)) return std::nullopt;
  try {
    const IniFile ini(caminho);
    if (!ini.contains(kSecaoSeguranca, chave)) return std::nullopt;
    return ini.value(kSecaoSeguranca, chave);
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

std::optional<QStringList> listaSeguranca(const QString& exeDir, const QString& chave) {
  const std::optional<QString> valor = valorSeguranca(exeDir, chave);
  if (!valor) return std::nullopt;
  QStringList itens;
  for (const QString& item : valor->split(','))
    if (!item.trimmed().isEmpty()) itens.append(item.trimmed());
  if (itens.isEmpty()) return std::nullopt;
  return itens;
}

qint64 numeroSeguranca(const QString& exeDir, const QString& chave, qint64 padrao) {
  const std::optional<QString> valor = valorSeguranca(exeDir, chave);
  if (!valor) return padrao;
  bool ok = false;
  const qint64 n = valor->trimmed().toLongLong(&ok);
  return ok && n > 0 ? n : padrao;
}

}  // namespace orvalto
