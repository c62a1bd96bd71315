#pragma once
// The three SOAP endpoints the simulator plays: where they live, their
// interface, operations and the namespace prefixes each one writes.
#include <map>
#include <string>
#include <vector>

namespace vendorsim {

enum class ParamType { String, InfoCliente, ListModulos };
enum class ResultType { Boolean, InfoCliente, ParamAtualizador };

struct Param {
  std::string name;
  ParamType type;
};

struct OperationDef {
  std::string name;
  std::vector<Param> params;
  ResultType result;
};

// Prefixes one endpoint writes. They differ between endpoints so that a
// client that compares prefixes instead of namespaces fails.
struct Prefixes {
  std::string envelope;
  std::string encoding;
  std::string xsd;
  std::string xsi;
  std::map<std::string, std::string> byNamespace;  // interface and record namespaces

  std::string of(const std::string& nameSpace) const { return byNamespace.at(nameSpace); }
};

struct ServiceDef {
  std::string key;            // "older", "newer", "history": scenario and record name
  std::string interfaceName;  // portType name
  std::string nameSpace;      // operations' namespace
  std::string serviceName;
  std::string portName;
  std::string wsdlPath;
  bool wsdlByQuery = false;  // the WSDL is "<soapPath>?wsdl"
  std::string soapPath;
  std::string fixedAction;  // non-empty: the one SOAPAction of every operation
  std::string decoyPort;    // non-empty: a wrong port listed before the right one
  std::string decoyPath;
  bool wsdlPrefixed = false;  // wsdl: elements with a prefix instead of the default namespace
  std::vector<OperationDef> operations;
  Prefixes prefixes;

  const OperationDef* find(const std::string& operation) const;
  std::string soapAction(const std::string& operation) const;
};

inline constexpr const char* kSoapEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr const char* kSoapEncodingNs = "http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr const char* kXsdNs = "http://www.w3.org/2001/XMLSchema";
inline constexpr const char* kXsiNs = "http://www.w3.org/2001/XMLSchema-instance";

const std::vector<ServiceDef>& allServices();

}  // namespace vendorsim
