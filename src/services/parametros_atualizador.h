#pragma once
// Parameters of the update procedure that the registration service keeps.
#include "services/soap_value.h"

#include <QString>

namespace orvalto {

inline constexpr const char* kNsParametrosAtualizador = "urn:UClassParametrosAtualizador";

struct TParamAtualizador {
  QString CaminhoOrvalto;
  QString CaminhoAtualizadorBD;  // package of the database-structure updater

  SoapValue toSoap() const;
  static TParamAtualizador fromSoap(const SoapValue& value);
  bool operator==(const TParamAtualizador&) const = default;
};

SoapType tipoParamAtualizador();

}  // namespace orvalto
