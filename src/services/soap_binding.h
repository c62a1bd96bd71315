#pragma once
// A binding of one SOAP service over HTTP: it is given the address of the
// service description, the service and the port, fetches the description
// at its first call and sends every call to the address that port names.
// Proxy and credentials go to its HTTP connection. A binding belongs to the
// thread that made it; a worker that makes one must be a QThread, whose
// event dispatcher the wait for each reply runs on.
#include "services/http_transport.h"
#include "services/soap_value.h"
#include "services/soap_writer.h"

#include <QString>
#include <QUrl>

namespace orvalto {

class SoapBinding {
 public:
  SoapBinding() = default;
  SoapBinding(const SoapBinding&) = delete;
  SoapBinding& operator=(const SoapBinding&) = delete;

  void setWsdl(const QString& location, const QString& service, const QString& port);
  const QString& wsdlLocation() const { return wsdl_; }
  const QString& service() const { return service_; }
  const QString& port() const { return port_; }

  // "host:port"; empty for none.
  void setProxy(const QString& proxy);
  // The server's account.
  void setUserName(const QString& userName);
  void setPassword(const QString& password);
  // The proxy's account: offered to the proxy only.
  void setProxyCredentials(const QString& userName, const QString& password);
  void setTimeoutMs(int milliseconds);
  const HttpOptions& httpOptions() const { return http_.options(); }

  // The endpoint, from the description (fetched once per description
  // address). Throws SoapError naming the description when it fails.
  QUrl endpoint();

  // Posts the call and reads the answer's return value. Throws SoapFault
  // for a fault and SoapError for anything else that goes wrong.
  SoapValue invoke(const SoapCall& call);

 private:
  QString wsdl_, service_, port_;
  QUrl endpoint_;
  HttpTransport http_;
};

}  // namespace orvalto
