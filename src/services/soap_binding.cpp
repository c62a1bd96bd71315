#include "services/soap_binding.h"

#include "services/soap_error.h"
#include "services/soap_reader.h"
#include "services/wsdl.h"

namespace orvalto {

void SoapBinding::setWsdl(const QString& location, const QString& service, const QString& port) {
  wsdl_ = location;
  service_ = service;
  port_ = port;
  endpoint_.clear();
}

void SoapBinding::setProxy(const QString& proxy) {
  HttpOptions o = http_.options();
  o.proxy = proxy;
  http_.setOptions(o);
}

void SoapBinding::setUserName(const QString& userName) {
  HttpOptions o = http_.options();
  o.userName = userName;
  http_.setOptions(o);
}

void SoapBinding::setPassword(const QString& password) {
  HttpOptions o = http_.options();
  o.password = password;
  http_.setOptions(o);
}

void SoapBinding::setProxyCredentials(const QString& userName, const QString& password) {
  HttpOptions o = http_.options();
  o.proxyUserName = userName;
  o.proxyPassword = password;
  http_.setOptions(o);
}

void SoapBinding::setTimeoutMs(int milliseconds) {
  HttpOptions o = http_.options();
  o.timeoutMs = milliseconds;
  http_.setOptions(o);
}

QUrl SoapBinding::endpoint() {
  if (!endpoint_.isEmpty()) return endpoint_;
  try {
    const QUrl description(wsdl_);
    const HttpResult r = http_.get(description);
    if (!r.ok) throw SoapError(r.errorText);
    const QUrl found = description.resolved(QUrl(wsdlEndpoint(r.body, service_, port_)));
    if (!found.isValid() || found.scheme().isEmpty()) throw SoapError("endereço inválido na descrição");
    endpoint_ = found;
  } catch (const SoapError& e) {
    throw SoapError(QString("Não foi possível obter o endereço do serviço %1/%2 da descrição \"%3\": %4")
                        .arg(service_, port_, wsdl_, e.text()));
  }
  return endpoint_;
}

SoapValue SoapBinding::invoke(const SoapCall& call) {
  const QUrl url = endpoint();
  const HttpHeaders headers = {{"Content-Type", "text/xml; charset=utf-8"},
                               {"SOAPAction", '"' + call.action.toUtf8() + '"'}};
  const HttpResult r = http_.post(url, writeSoapRequest(call), headers);
  if (r.ok) return readSoapResponse(r.body);
  // A server reports its faults with an error status; the fault's text
  // says more than the status line.
  if (!r.body.isEmpty()) {
    try {
      readSoapResponse(r.body);
    } catch (const SoapFault&) {
      throw;
    } catch (const SoapError&) {
    }
  }
  throw SoapError(r.errorText.isEmpty() ? QString("Falha na comunicação com %1").arg(url.toString()) : r.errorText);
}

}  // namespace orvalto
