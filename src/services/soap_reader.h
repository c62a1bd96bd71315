#pragma once
// Reading the answer of a SOAP 1.1 RPC/encoded call. Values may come
// inline or as multi-reference elements (href="#id" pointing at elements
// with that id, forward and nested), with any prefixes; xsi:nil, empty
// arrays and faults are understood. A broken or hostile answer (malformed,
// truncated, oversized, too deep, a DOCTYPE, a reference to a missing or
// cyclic id, a reference web that would expand without end) throws
// SoapError; a fault throws SoapFault with the server's text.
#include "services/soap_value.h"

#include <QByteArray>

namespace orvalto {

// Most values one answer may expand to once its references are followed.
inline constexpr int kMaxSoapValues = 100000;

// The value of the answer element's "return" child (its first child when
// none is named so); nil when the answer carries none.
SoapValue readSoapResponse(const QByteArray& xml);

}  // namespace orvalto
