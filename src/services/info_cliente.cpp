#include "services/info_cliente.h"

namespace orvalto {

SoapType tipoInfoCliente() { return {kNsInfoCliente, "TInfoCliente"}; }

void TInfoCliente::setCodCliente(const QString& codigo) {
  codCliente_ = codigo.isEmpty() ? QStringLiteral("00000000") : codigo;
}

SoapValue TInfoCliente::toSoap() const {
  SoapValue v = SoapValue::structure(tipoInfoCliente());
  v.add("CodCliente", SoapValue::text(codCliente_));
  v.add("CGCCPF", SoapValue::text(CGCCPF));
  v.add("BackupAutomatico", SoapValue::boolean(BackupAutomatico));
  v.add("QuantidadeBackup", SoapValue::integer(QuantidadeBackup));
  v.add("LimiteVersoesAnteriores", SoapValue::text(LimiteVersoesAnteriores));
  v.add("AtualizaVersao", SoapValue::boolean(AtualizaVersao));
  v.add("DataUltimaConsulta", SoapValue::dateTime(DataUltimaConsulta));
  v.add("Data_Agendamento", SoapValue::dateTime(Data_Agendamento));
  v.add("Hora_Agendamento", SoapValue::text(Hora_Agendamento));
  v.add("ListaModulos", listaModulosToSoap(ListaModulos));
  return v;
}

TInfoCliente TInfoCliente::fromSoap(const SoapValue& v) {
  TInfoCliente c;
  if (const SoapValue* m = v.member("CodCliente")) c.setCodCliente(m->toText());
  if (const SoapValue* m = v.member("CGCCPF")) c.CGCCPF = m->toText();
  if (const SoapValue* m = v.member("BackupAutomatico")) c.BackupAutomatico = m->toBool();
  if (const SoapValue* m = v.member("QuantidadeBackup")) c.QuantidadeBackup = m->toInt();
  if (const SoapValue* m = v.member("LimiteVersoesAnteriores")) c.LimiteVersoesAnteriores = m->toText();
  if (const SoapValue* m = v.member("AtualizaVersao")) c.AtualizaVersao = m->toBool();
  if (const SoapValue* m = v.member("DataUltimaConsulta")) c.DataUltimaConsulta = m->toDateTime();
  if (const SoapValue* m = v.member("Data_Agendamento")) c.Data_Agendamento = m->toDateTime();
  if (const SoapValue* m = v.member("Hora_Agendamento")) c.Hora_Agendamento = m->toText();
  if (const SoapValue* m = v.member("ListaModulos")) c.ListaModulos = listaModulosFromSoap(*m);
  return c;
}

}  // namespace orvalto
