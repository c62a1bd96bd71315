#include "db/database_connector.h"

#include "base/interaction.h"
#include "db/connection_settings.h"
#include "db/firebird_connection.h"

namespace orvalto {
namespace {

const char* const kErroArquivo = "Erro ao tentar conectar com banco de dados, verifique o arquivo \"Caminho.dir\".";

void reconnect(FbConnection& conexao, const ConnectionSettings& s) {
  conexao.close();
  conexao.setParams(s.location, s.user, s.password);
  conexao.open();
}

bool connectFromFiles(FbConnection& conexao, const QString& exeDir, SettingsSource source, Interaction& ui) {
  try {
    reconnect(conexao, source == SettingsSource::CaminhoIni ? readCaminhoIni(exeDir) : readCaminhoDir(exeDir));
    return true;
  } catch (const std::exception&) {
    ui.showMessage(MessageIcon::Error, "Atenção", kErroArquivo);
    return false;
  }
}

bool connectFromAlias(FbConnection& conexao, const QString& exeDir, Interaction& ui) {
  QString location;
  try {
    location = aliasLocation(exeDir);
    if (location.isEmpty()) throw DbError("no alias");
    reconnect(conexao, {SettingsSource::Alias, location, kUsuarioFixo, kSenhaFixa});
    return true;
  } catch (const std::exception&) {
    ui.showMessage(MessageIcon::Warning, "Alerta", "Erro ao tentar conectar com o banco de dados: " + location + "!");
    return false;
  }
}

}  // namespace

QDateTime dataHoraServidor(FbConnection& conexao) {
  const QueryResult r = conexao.query(R"(Select Cast("Now" As Timestamp) As DataHora From RDB$DataBase)");
  return r.value(0, "DataHora").toDateTime();
}

bool FConectaBanco(FbConnection& conexao, const QString& exeDir, Interaction& ui, QDateTime* dataHora) {
  const SettingsSource source = settingsSource(exeDir);
  const bool ok = source == SettingsSource::Alias ? connectFromAlias(conexao, exeDir, ui)
                                                  : connectFromFiles(conexao, exeDir, source, ui);
  if (!ok) return false;
  // A connection whose probe fails is no usable connection: report it like
  // any other failure instead of letting the error escape.
  try {
    const QDateTime now = dataHoraServidor(conexao);
    if (dataHora) *dataHora = now;
    return true;
  } catch (const std::exception&) {
    conexao.close();
    ui.showMessage(MessageIcon::Error, "Atenção", kErroArquivo);
    return false;
  }
}

bool FConectaBases(FbConnection& conexao, bool abrir) {
  if (abrir) {
    if (!conexao.location().isEmpty() && !conexao.connected()) conexao.open();
  } else if (conexao.connected()) {
    conexao.close();
  }
  return true;
}

}  // namespace orvalto
