#include "db/database_connector.h"

#include "db/connection_settings.h"
#include "db/firebird_connection.h"
#include "db/resultado_banco.h"

namespace orvalto {
namespace {

const char* const kErroArquivo = "Erro ao tentar conectar com banco de dados, verifique o arquivo \"Caminho.dir\".";

void reconnect(FbConnection& conexao, const ConnectionSettings& s) {
  conexao.close();
  conexao.setParams(s.location, s.user, s.password);
  conexao.open();
}

ResultadoBanco connectFromFiles(FbConnection& conexao, const QString& exeDir, SettingsSource source) {
  try {
    reconnect(conexao, source == SettingsSource::CaminhoIni ? readCaminhoIni(exeDir) : readCaminhoDir(exeDir));
    return {};
  } catch (const std::exception&) {
    return AvisoBanco{"Atenção", kErroArquivo, true};
  }
}

ResultadoBanco connectFromAlias(FbConnection& conexao, const QString& exeDir) {
  QString location;
  try {
    location = aliasLocation(exeDir);
    if (location.isEmpty()) throw DbError("no alias");
    reconnect(conexao, {SettingsSource::Alias, location, kUsuarioFixo, kSenhaFixa});
    return {};
  } catch (const std::exception&) {
    return AvisoBanco{"Alerta", "Erro ao tentar conectar com o banco de dados: " + location + "!"};
  }
}

}  // namespace

QDateTime dataHoraServidor(FbConnection& conexao) {
  const QueryResult r = conexao.query(R"(Select Cast("Now" As Timestamp) As DataHora From RDB$DataBase)");
  return r.value(0, "DataHora").toDateTime();
}

ResultadoBanco FConectaBanco(FbConnection& conexao, const QString& exeDir, QDateTime* dataHora) {
  const SettingsSource source = settingsSource(exeDir);
  ResultadoBanco conectou =
      source == SettingsSource::Alias ? connectFromAlias(conexao, exeDir) : connectFromFiles(conexao, exeDir, source);
  if (!conectou) return conectou;
  // A connection whose probe fails is no usable connection: report it like
  // any other failure instead of letting the error escape.
  try {
    const QDateTime now = dataHoraServidor(conexao);
    if (dataHora) *dataHora = now;
    return {};
  } catch (const std::exception&) {
    conexao.close();
    return AvisoBanco{"Atenção", kErroArquivo, true};
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
