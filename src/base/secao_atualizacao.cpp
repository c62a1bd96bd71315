#include "base/secao_atualizacao.h"

#include "platform/ini_file.h"

#include <QFileInfo>

namespace orvalto {

SecaoAtualizacao lerSecaoAtualizacao(const QString& exeDir) {
  SecaoAtualizacao s;
  const QString caminho = exeDir + "/Atualizador.ini";
  if (!QFileInfo::exists(caminho)) return s;
  const IniFile ini(caminho);
  for (const QString& endereco : ini.value(kSecaoAtualizacao, "EmailCopia").split(',', Qt::SkipEmptyParts))
    if (!endereco.trimmed().isEmpty()) s.EmailCopia.append(endereco.trimmed());
  bool ok = false;
  const int dias = ini.value(kSecaoAtualizacao, "DiasLog").trimmed().toInt(&ok);
  if (ok && dias >= 0) s.DiasLog = dias;
  s.PastaLog = ini.value(kSecaoAtualizacao, "PastaLog").trimmed();
  const double limite = ini.value(kSecaoAtualizacao, "LimiteAtualizadorBD").trimmed().replace(',', '.').toDouble(&ok);
  if (ok && limite > 0) s.LimiteAtualizadorBD = limite;
  return s;
}

SecaoAtualizacao secaoAtualizacaoOuPadrao(const QString& exeDir) noexcept {
  try {
    return lerSecaoAtualizacao(exeDir);
  } catch (...) {
    return {};
  }
}

QString pastaDoLog(const SecaoAtualizacao& secao, const QString& exeDir) {
  return secao.PastaLog.isEmpty() ? exeDir : secao.PastaLog;
}

}  // namespace orvalto
