#pragma once
// One module of a customer as the registration service describes it, and
// the customer's list of modules.
#include "services/soap_value.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace orvalto {

inline constexpr const char* kNsInfoModulo = "urn:UClassInfoModulo";

struct TInfoModulo {
  QString CodCliente;
  QString CodSistema;
  bool AtualizaVersao = false;
  QString VersaoAtual;
  QString TipoVersaoAtual;
  QDateTime DataUltimaAtualizacao;
  QString VersaoDisponivel;
  QString TipoVersaoDisponivel;
  QString LinkDownload;  // empty: nothing to install

  SoapValue toSoap() const;
  // Members the answer lacks keep their empty values.
  static TInfoModulo fromSoap(const SoapValue& value);
  bool operator==(const TInfoModulo&) const = default;
};

using TListModulos = QList<TInfoModulo>;

SoapType tipoInfoModulo();
SoapValue listaModulosToSoap(const TListModulos& lista);
// Nil or an empty array give an empty list; nil items are skipped.
TListModulos listaModulosFromSoap(const SoapValue& value);

}  // namespace orvalto
