#pragma once
// The customer as the registration service knows it.
#include "services/info_modulo.h"

#include <QDateTime>
#include <QString>

namespace orvalto {

inline constexpr const char* kNsInfoCliente = "urn:UClassInfoCliente";

class TInfoCliente {
 public:
  // The customer's code; the empty code is kept as "00000000".
  const QString& CodCliente() const { return codCliente_; }
  void setCodCliente(const QString& codigo);

  QString CGCCPF;
  bool BackupAutomatico = false;
  qint32 QuantidadeBackup = 0;
  QString LimiteVersoesAnteriores;
  bool AtualizaVersao = false;
  QDateTime DataUltimaConsulta;
  QDateTime Data_Agendamento;
  QString Hora_Agendamento;  // "HH:MM"
  TListModulos ListaModulos;

  SoapValue toSoap() const;
  // Members the answer lacks keep their empty values.
  static TInfoCliente fromSoap(const SoapValue& value);
  bool operator==(const TInfoCliente&) const = default;

 private:
  QString codCliente_;
};

SoapType tipoInfoCliente();

}  // namespace orvalto
