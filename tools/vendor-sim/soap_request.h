#pragma once
// Reading of an RPC/encoded SOAP request: which operation, in which
// namespace, with which parameters. Prefixes are resolved, references
// (href="#id") followed, so any well-formed SOAP 1.1 client is understood.
#include <QJsonObject>
#include <string>

namespace vendorsim {

struct SoapRequest {
  bool ok = false;
  std::string faultCode;  // when not ok: "Client" or "VersionMismatch"
  std::string error;
  std::string operation;
  std::string nameSpace;
  QJsonObject parameters;  // name -> text, object, array or null
  QJsonObject types;       // name -> "{namespace}local" of xsi:type or arrayType
};

SoapRequest parseSoapRequest(const std::string& body);

}  // namespace vendorsim
