#include "services/fontes_permitidas.h"

#include "platform/ini_file.h"
#include "services/fornecedor.h"
#include "services/secao_seguranca.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>
#include <mutex>
#include <stdexcept>

namespace orvalto {
namespace {

QString semPontoFinal(QString host) {
  host = host.trimmed().toLower();
  while (host.endsWith('.')) host.chop(1);
  if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
  return host;
}

// IPv4 written as IPv6 ("::ffff:10.0.0.1") is the IPv4 address.
bool comoEndereco(const QString& texto, QHostAddress* endereco) {
  QHostAddress a;
  if (!a.setAddress(texto)) return false;
  bool ipv4 = false;
  const quint32 v4 = a.toIPv4Address(&ipv4);
  *endereco = ipv4 ? QHostAddress(v4) : a;
  return true;
}

// The servers Atualizador.ini's "Fornecedor" names: the host of each
// address, and the mail server.
QStringList hostsDoFornecedor(const QString& exeDir) {
  const QString caminho = exeDir + '/' + kArquivoAtualizadorIni;
  QStringList hosts;
  if (!QFileInfo::exists(caminho)) return hosts;
  try {
    const IniFile ini(caminho);
    for (const auto& [chave, valor] : ini.sectionLines(kSecaoFornecedor)) {
      const QUrl url(valor.trimmed());
      if (chave.compare("SmtpHost", Qt::CaseInsensitive) == 0 && !valor.trimmed().isEmpty())
        hosts.append(valor.trimmed());
      else if (url.isValid() && !url.host().isEmpty())
        hosts.append(url.host());
    }
  } catch (const std::runtime_error&) {
  }
  return hosts;
}

struct RegraDoProcesso {
  std::mutex trava;
  FontesPermitidas fontes = FontesPermitidas::doFabricante();
  QString pastaInstalacao;  // not empty: the rule is read from there at each use
};

RegraDoProcesso& regra() {
  static RegraDoProcesso r;
  return r;
}

}  // namespace

FontesPermitidas::FontesPermitidas(const QStringList& padroes) {
  for (const QString& p : padroes)
    if (!semPontoFinal(p).isEmpty()) padroes_.append(semPontoFinal(p));
}

FontesPermitidas FontesPermitidas::doFabricante() {
  return FontesPermitidas({kDominioFabricante, QString("*.") + kDominioFabricante});
}

FontesPermitidas FontesPermitidas::daInstalacao(const QString& exeDir) {
  if (const auto lista = listaSeguranca(exeDir, kChaveHostsPermitidos)) return FontesPermitidas(*lista);
  return FontesPermitidas(doFabricante().padroes() + hostsDoFornecedor(exeDir));
}

bool FontesPermitidas::hostPermitido(const QString& hostBruto) const {
  const QString host = semPontoFinal(hostBruto);
  QHostAddress endereco;
  const bool ehEndereco = comoEndereco(host, &endereco);
  for (const QString& p : padroes_) {
    QHostAddress padrao;
    if (comoEndereco(p, &padrao)) {
      if (ehEndereco && padrao == endereco) return true;
    } else if (ehEndereco) {
      continue;  // a name never stands for an address written as such
    } else if (p.startsWith("*.")) {
      if (host.endsWith(p.mid(1)) && host.size() > p.size() - 1) return true;
    } else if (host == p) {
      return true;
    }
  }
  return false;
}

QString FontesPermitidas::motivoRecusa(const QUrl& endereco) const {
  const QString esquema = endereco.scheme().toLower();
  if (esquema != "http" && esquema != "https")
    return QString("esquema \"%1\" não permitido; só http e https").arg(endereco.scheme());
  if (endereco.host().isEmpty()) return QStringLiteral("endereço sem servidor");
  if (!hostPermitido(endereco.host()))
    return QString("servidor \"%1\" fora de %2").arg(endereco.host(), kChaveHostsPermitidos);
  return {};
}

FontesPermitidas fontesPermitidas() {
  RegraDoProcesso& r = regra();
  QString pasta;
  {
    std::lock_guard<std::mutex> guarda(r.trava);
    if (r.pastaInstalacao.isEmpty()) return r.fontes;
    pasta = r.pastaInstalacao;
  }
  return FontesPermitidas::daInstalacao(pasta);
}

void defineFontesPermitidas(const FontesPermitidas& fontes) {
  RegraDoProcesso& r = regra();
  std::lock_guard<std::mutex> guarda(r.trava);
  r.fontes = fontes;
  r.pastaInstalacao.clear();
}

void defineFontesDaInstalacao(const QString& exeDir) {
  RegraDoProcesso& r = regra();
  std::lock_guard<std::mutex> guarda(r.trava);
  r.pastaInstalacao = exeDir;
}

QString textoEnderecoRecusado(const QUrl& endereco, const QString& motivo) {
  return QString("Endereço recusado: %1 (%2)").arg(endereco.toDisplayString(QUrl::RemovePassword), motivo);
}

QString recusaEndereco(const QUrl& endereco) {
  const QString motivo = fontesPermitidas().motivoRecusa(endereco);
  return motivo.isEmpty() ? QString() : textoEnderecoRecusado(endereco, motivo);
}

void redirecionamentoVerificado(QNetworkRequest& request) {
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
}

void vigiaRedirecionamentos(QNetworkReply* reply, std::function<void(const QString&)> recusado) {
  // The reply already names the target when it tells of the redirect: the
  // hop it came from is kept here.
  auto anterior = std::make_shared<QUrl>(reply->url());
  QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, recusado, anterior](const QUrl& destino) {
    const QString motivo = fontesPermitidas().motivoRecusa(destino);
    if (motivo.isEmpty()) {
      *anterior = destino;
      emit reply->redirectAllowed();
      return;
    }
    recusado(textoEnderecoRecusado(destino,
                                   motivo + "; redirecionado de " + anterior->toDisplayString(QUrl::RemovePassword)));
    reply->abort();
  });
}

}  // namespace orvalto
