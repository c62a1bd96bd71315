#include "services/parametros_atualizador.h"

namespace orvalto {

SoapType tipoParamAtualizador() { return {kNsParametrosAtualizador, "TParamAtualizador"}; }

SoapValue TParamAtualizador::toSoap() const {
  SoapValue v = SoapValue::structure(tipoParamAtualizador());
  v.add("CaminhoOrvalto", SoapValue::text(CaminhoOrvalto));
  v.add("CaminhoAtualizadorBD", SoapValue::text(CaminhoAtualizadorBD));
  return v;
}

TParamAtualizador TParamAtualizador::fromSoap(const SoapValue& v) {
  TParamAtualizador p;
  if (const SoapValue* m = v.member("CaminhoOrvalto")) p.CaminhoOrvalto = m->toText();
  if (const SoapValue* m = v.member("CaminhoAtualizadorBD")) p.CaminhoAtualizadorBD = m->toText();
  return p;
}

}  // namespace orvalto
