// Feeds arbitrary bytes to the answer reader, the record conversions and
// the service-description lookup. Any outcome but a value or a SoapError
// (a crash, a leak, a hang, another exception) is a finding.
#include "services/info_cliente.h"
#include "services/parametros_atualizador.h"
#include "services/soap_error.h"
#include "services/soap_reader.h"
#include "services/wsdl.h"

#include <cstddef>
#include <cstdint>

using namespace orvalto;

namespace {

void readRecords(const SoapValue& value) {
  try {
    (void)TInfoCliente::fromSoap(value);
  } catch (const SoapError&) {
  }
  try {
    (void)TParamAtualizador::fromSoap(value);
    (void)listaModulosFromSoap(value);
    (void)value.toBool();
  } catch (const SoapError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  try {
    readRecords(readSoapResponse(bytes));
  } catch (const SoapError&) {
  }
  try {
    (void)wsdlEndpoint(bytes, "IRegistroservice", "IRegistroPort");
  } catch (const SoapError&) {
  }
  return 0;
}
