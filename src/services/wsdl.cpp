#include "services/wsdl.h"

#include "services/soap_error.h"
#include "services/xml_guard.h"

namespace orvalto {
namespace {

pugi::xml_node childNamed(pugi::xml_node parent, const char* local, const QString& name) {
  for (pugi::xml_node c = xml::firstElement(parent); c; c = xml::nextElement(c))
    if (xml::localName(c) == QLatin1String(local) && QString::fromUtf8(c.attribute("name").value()) == name) return c;
  return {};
}

}  // namespace

QString wsdlEndpoint(const QByteArray& wsdl, const QString& service, const QString& port) {
  pugi::xml_document doc;
  xml::parseGuarded(doc, wsdl, QStringLiteral("Descrição do serviço"));
  const pugi::xml_node definitions = doc.document_element();
  if (xml::localName(definitions) != "definitions") throw SoapError("Descrição do serviço inválida: não é um WSDL");
  const pugi::xml_node s = childNamed(definitions, "service", service);
  if (!s) throw SoapError(QString("O serviço %1 não consta da descrição").arg(service));
  const pugi::xml_node p = childNamed(s, "port", port);
  if (!p) throw SoapError(QString("A porta %1 do serviço %2 não consta da descrição").arg(port, service));
  const pugi::xml_node address = xml::childLocal(p, "address");
  const QString location = QString::fromUtf8(address.attribute("location").value()).trimmed();
  if (location.isEmpty()) throw SoapError(QString("A porta %1 do serviço %2 não tem endereço").arg(port, service));
  return location;
}

}  // namespace orvalto
