#include "db/connection_settings.h"

#include "base/scramble.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_file.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace orvalto {

SettingsSource settingsSource(const QString& exeDir) {
  if (fileExists(QDir(exeDir).filePath(kArquivoCaminhoIni))) return SettingsSource::CaminhoIni;
  if (fileExists(QDir(exeDir).filePath(kArquivoCaminhoDir))) return SettingsSource::CaminhoDir;
  return SettingsSource::Alias;
}

ConnectionSettings readCaminhoIni(const QString& exeDir) {
  const IniFile ini(QDir(exeDir).filePath(kArquivoCaminhoIni));
  ConnectionSettings s;
  s.source = SettingsSource::CaminhoIni;
  s.location = ini.value("Conexao", "Caminho");
  s.user = ini.value("Conexao", "Usuario");
  s.password = ini.value("Conexao", "Senha");
  if (!s.user.trimmed().isEmpty()) s.user = FDecifraSenha(s.user);
  if (!s.password.trimmed().isEmpty()) s.password = FDecifraSenha(s.password);
  return s;
}

ConnectionSettings readCaminhoDir(const QString& exeDir) {
  const QString path = QDir(exeDir).filePath(kArquivoCaminhoDir);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
  QByteArray line = file.readLine();
  file.close();
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  ConnectionSettings s;
  s.source = SettingsSource::CaminhoDir;
  s.location = fromCp1252(line);
  s.user = kUsuarioFixo;
  s.password = kSenhaFixa;
  return s;
}

QString aliasLocation(const QString& exeDir, const QString& alias) {
  const QString path = QDir(exeDir).filePath(kArquivoAliases);
  if (!fileExists(path)) return {};
  const auto lines = IniFile(path).sectionLines(alias);
  if (lines.isEmpty()) return {};
  return lines.first().second.left(255);
}

}  // namespace orvalto
