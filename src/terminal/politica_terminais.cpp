#include "terminal/politica_terminais.h"

#include "services/secao_seguranca.h"

namespace orvalto {
namespace {

constexpr qint64 kIntervaloRegistroMs = 60 * 1000;

const char* const kRedesPadrao[] = {"127.0.0.0/8",    "::1/128",        "10.0.0.0/8", "172.16.0.0/12",
                                    "192.168.0.0/16", "169.254.0.0/16", "fc00::/7",   "fe80::/10"};

// "a.b.c.d/n", "x::/n" or a single address; IPv4-mapped networks become
// IPv4 ones. Nothing when the text is neither.
std::optional<QPair<QHostAddress, int>> rede(const QString& texto) {
  QString t = texto.trimmed();
  if (!t.contains('/')) {
    QHostAddress a;
    if (!a.setAddress(t)) return std::nullopt;
    a = PoliticaTerminais::normaliza(a);
    return QPair<QHostAddress, int>{a, a.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128};
  }
  QPair<QHostAddress, int> r = QHostAddress::parseSubnet(t);
  if (r.second < 0 || r.first.isNull()) return std::nullopt;
  const QHostAddress v4 = PoliticaTerminais::normaliza(r.first);
  if (v4.protocol() == QAbstractSocket::IPv4Protocol && r.first.protocol() == QAbstractSocket::IPv6Protocol) {
    if (r.second < 96) return std::nullopt;
    r = {v4, r.second - 96};
  }
  return r;
}

}  // namespace

PoliticaTerminais::PoliticaTerminais() {
  for (const char* r : kRedesPadrao) redes_.append(*rede(QString::fromLatin1(r)));
}

PoliticaTerminais PoliticaTerminais::daInstalacao(const QString& exeDir) {
  PoliticaTerminais p;
  if (const auto lista = listaSeguranca(exeDir, kChaveTerminaisPermitidos)) {
    p.redes_.clear();
    for (const QString& item : *lista)
      if (const auto r = rede(item)) p.redes_.append(*r);
  }
  p.porEndereco_ = int(numeroSeguranca(exeDir, kChaveConexoesPorEndereco, kConexoesPorEnderecoPadrao));
  p.total_ = int(numeroSeguranca(exeDir, kChaveConexoesTotal, kConexoesTotalPadrao));
  if (const auto escuta = valorSeguranca(exeDir, kChaveEnderecoEscuta); escuta && !escuta->trimmed().isEmpty()) {
    // An address that is not one listens nowhere: the port then fails to
    // open, with the reason, instead of opening wider than asked.
    p.escuta_ = QHostAddress(escuta->trimmed());
  }
  return p;
}

QHostAddress PoliticaTerminais::normaliza(const QHostAddress& endereco) {
  bool ipv4 = false;
  const quint32 v4 = endereco.toIPv4Address(&ipv4);
  return ipv4 ? QHostAddress(v4) : endereco;
}

bool PoliticaTerminais::permitido(const QHostAddress& endereco) const {
  const QHostAddress a = normaliza(endereco);
  for (const auto& [base, prefixo] : redes_)
    if (a.isInSubnet(base, prefixo)) return true;
  return false;
}

QString PoliticaTerminais::motivoRecusa(const QHostAddress& endereco, int doEndereco, int total) const {
  if (!permitido(endereco)) return QString("endereço fora de %1").arg(kChaveTerminaisPermitidos);
  if (total >= total_) return QString("limite de %1 conexões atingido").arg(total_);
  if (doEndereco >= porEndereco_ && !normaliza(endereco).isLoopback())
    return QString("limite de %1 conexões por endereço atingido").arg(porEndereco_);
  return {};
}

bool PoliticaTerminais::podeRegistrar(int* omitidas) {
  if (ultimoRegistro_.isValid() && !ultimoRegistro_.hasExpired(kIntervaloRegistroMs)) {
    ++omitidas_;
    return false;
  }
  ultimoRegistro_.start();
  *omitidas = omitidas_;
  omitidas_ = 0;
  return true;
}

}  // namespace orvalto
