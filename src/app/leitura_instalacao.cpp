#include "app/leitura_instalacao.h"

#include "base/handler_guard.h"
#include "db/connection_settings.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"
#include "update/descoberta_versoes.h"

namespace orvalto {
namespace {

// DT_AGENDAMENTO's day at HR_AGENDAMENTO; the product's "no date" values,
// an empty or unreadable hour mean nothing is scheduled.
QDateTime agendamento(const QVariant& data, const QString& hora) {
  if (data.isNull() || hora.trimmed().isEmpty()) return {};
  const QDate dia = data.toDateTime().date();
  if (dia == dataSemAgendamento().date() || dia == dataZero().date()) return {};
  const QTime horario = QTime::fromString(hora.trimmed(), "HH:mm");
  return horario.isValid() ? QDateTime(dia, horario) : QDateTime();
}

DadosInstalacao le(FbConnection& cn) {
  DadosInstalacao d;
  d.banco = cn.location();
  const QueryResult cab = cn.query(
      "SELECT NOMESERVIDOR, DT_AGENDAMENTO, HR_AGENDAMENTO, CAMINHOVERSOES, CAMINHOLOCALBACKUP FROM VERSOESCAB");
  d.servidorDesignado = cab.value(0, "NOMESERVIDOR").toString().trimmed();
  d.agendamento = agendamento(cab.value(0, "DT_AGENDAMENTO"), cab.value(0, "HR_AGENDAMENTO").toString());
  d.pastaVersoes = cab.value(0, "CAMINHOVERSOES").toString();
  d.pastaBackup = cab.value(0, "CAMINHOLOCALBACKUP").toString();
  const QueryResult fila = cn.query("SELECT CODSISTEMA, VERSAOAATUALIZAR FROM VERSOESITEM");
  for (int i = 0; i < fila.rows.size(); ++i) {
    const QString endereco = fila.value(i, "VERSAOAATUALIZAR").toString().trimmed();
    if (!endereco.isEmpty()) d.fila.append({fila.value(i, "CODSISTEMA").toString().trimmed(), endereco});
  }
  return d;
}

}  // namespace

QString localBanco(const QString& exeDir) {
  try {
    switch (settingsSource(exeDir)) {
      case SettingsSource::CaminhoIni: return readCaminhoIni(exeDir).location;
      case SettingsSource::CaminhoDir: return readCaminhoDir(exeDir).location;
      case SettingsSource::Alias: return aliasLocation(exeDir);
    }
  } catch (const std::exception&) {
  }
  return {};
}

std::optional<DadosInstalacao> leInstalacao(const AppContext& ctx, QString* erro) {
  FbConnection cn;
  try {
    const ResultadoBanco conectou = FConectaBanco(cn, ctx.exeDir);
    if (!conectou) {
      if (erro) *erro = conectou.aviso()->texto;
      return std::nullopt;
    }
    return le(cn);
  } catch (...) {
    if (erro) *erro = textoDaExcecao(std::current_exception());
    return std::nullopt;
  }
}

}  // namespace orvalto
