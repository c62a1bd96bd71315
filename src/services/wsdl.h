#pragma once
// The endpoint of a port as a service description (WSDL 1.1) gives it:
// definitions/service[@name]/port[@name]/address/@location, whatever the
// prefixes. The description comes from the network and is read with the
// same guards as an answer.
#include <QByteArray>
#include <QString>

namespace orvalto {

// The location text; throws SoapError when the description is unreadable
// or names no such service, port or address.
QString wsdlEndpoint(const QByteArray& wsdl, const QString& service, const QString& port);

}  // namespace orvalto
