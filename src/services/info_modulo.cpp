#include "services/info_modulo.h"

namespace orvalto {
namespace {

QString texto(const SoapValue& v, const char* name) {
  const SoapValue* m = v.member(name);
  return m ? m->toText() : QString();
}

}  // namespace

SoapType tipoInfoModulo() { return {kNsInfoModulo, "TInfoModulo"}; }

SoapValue TInfoModulo::toSoap() const {
  SoapValue v = SoapValue::structure(tipoInfoModulo());
  v.add("CodCliente", SoapValue::text(CodCliente));
  v.add("CodSistema", SoapValue::text(CodSistema));
  v.add("AtualizaVersao", SoapValue::boolean(AtualizaVersao));
  v.add("VersaoAtual", SoapValue::text(VersaoAtual));
  v.add("TipoVersaoAtual", SoapValue::text(TipoVersaoAtual));
  v.add("DataUltimaAtualizacao", SoapValue::dateTime(DataUltimaAtualizacao));
  v.add("VersaoDisponivel", SoapValue::text(VersaoDisponivel));
  v.add("TipoVersaoDisponivel", SoapValue::text(TipoVersaoDisponivel));
  v.add("LinkDownload", SoapValue::text(LinkDownload));
  return v;
}

TInfoModulo TInfoModulo::fromSoap(const SoapValue& v) {
  TInfoModulo m;
  m.CodCliente = texto(v, "CodCliente");
  m.CodSistema = texto(v, "CodSistema");
  if (const SoapValue* x = v.member("AtualizaVersao")) m.AtualizaVersao = x->toBool();
  m.VersaoAtual = texto(v, "VersaoAtual");
  m.TipoVersaoAtual = texto(v, "TipoVersaoAtual");
  if (const SoapValue* x = v.member("DataUltimaAtualizacao")) m.DataUltimaAtualizacao = x->toDateTime();
  m.VersaoDisponivel = texto(v, "VersaoDisponivel");
  m.TipoVersaoDisponivel = texto(v, "TipoVersaoDisponivel");
  m.LinkDownload = texto(v, "LinkDownload");
  return m;
}

SoapValue listaModulosToSoap(const TListModulos& lista) {
  SoapValue v = SoapValue::array(tipoInfoModulo());
  for (const TInfoModulo& m : lista) v.append(m.toSoap());
  return v;
}

TListModulos listaModulosFromSoap(const SoapValue& value) {
  TListModulos lista;
  for (const auto& [name, item] : value.members())
    if (item.isCompound()) lista.append(TInfoModulo::fromSoap(item));
  return lista;
}

}  // namespace orvalto
