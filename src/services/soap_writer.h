#pragma once
// Writing the request of a SOAP 1.1 RPC/encoded call: one element named
// after the operation, in the interface's namespace, whose children are the
// parameters in order, each typed with xsi:type; structures typed with
// their record's name and namespace, arrays as SOAP-ENC:Array with their
// item type. UTF-8.
#include "services/soap_value.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace orvalto {

struct SoapCall {
  QString ns;         // the interface's namespace
  QString operation;  // the element's name
  QString action;     // the SOAPAction header, without quotes
  QList<std::pair<QString, SoapValue>> parameters;
};

QByteArray writeSoapRequest(const SoapCall& call);

}  // namespace orvalto
