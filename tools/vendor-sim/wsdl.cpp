#include "wsdl.h"

#include "record_types.h"
#include "xml_writer.h"

namespace vendorsim {

namespace {

const char* kWsdlNs = "http://schemas.xmlsoap.org/wsdl/";
const char* kWsdlSoapNs = "http://schemas.xmlsoap.org/wsdl/soap/";
const char* kHttpTransport = "http://schemas.xmlsoap.org/soap/http";

// Names and prefixes of one WSDL document; the two registration WSDLs are
// written in different dialects so that a reader must resolve prefixes.
struct Dialect {
  std::string wsdl;  // "" = default namespace
  std::string soap;
  std::string xs;
  std::string cliente, modulo, param;
  bool numberedMessages;  // "FComunica0Request" rather than "FComunicaRequest"

  std::string w(const std::string& local) const { return wsdl.empty() ? local : wsdl + ":" + local; }
};

Dialect dialectFor(const ServiceDef& service) {
  if (service.wsdlPrefixed) return {"wsdl", "wsdlsoap", "xsd", "tns1", "tns2", "tns3", false};
  return {"", "soap", "xs", "ns1", "ns2", "ns3", true};
}

std::string paramTypeName(const Dialect& d, ParamType type) {
  switch (type) {
    case ParamType::InfoCliente: return d.cliente + ":" + infoClienteType().name;
    case ParamType::ListModulos: return d.modulo + ":" + kListModulosName;
    case ParamType::String: break;
  }
  return d.xs + ":string";
}

std::string resultTypeName(const Dialect& d, ResultType type) {
  switch (type) {
    case ResultType::InfoCliente: return d.cliente + ":" + infoClienteType().name;
    case ResultType::ParamAtualizador: return d.param + ":" + paramAtualizadorType().name;
    case ResultType::Boolean: break;
  }
  return d.xs + ":boolean";
}

std::string fieldTypeName(const Dialect& d, FieldType type) {
  if (type == FieldType::ModuleList) return d.modulo + ":" + kListModulosName;
  return d.xs + ":" + xsdTypeName(type);
}

void writeRecordType(XmlWriter& x, const Dialect& d, const RecordType& type) {
  x.open(d.xs + ":complexType").attr("name", type.name);
  x.open(d.xs + ":sequence");
  for (const Field& field : type.fields)
    x.open(d.xs + ":element").attr("name", field.name).attr("type", fieldTypeName(d, field.type)).close();
  x.close().close();
}

void writeModuleListType(XmlWriter& x, const Dialect& d) {
  x.open(d.xs + ":complexType").attr("name", kListModulosName);
  x.open(d.xs + ":complexContent");
  x.open(d.xs + ":restriction").attr("base", "soapenc:Array");
  x.open(d.xs + ":sequence").close();
  x.open(d.xs + ":attribute")
      .attr("ref", "soapenc:arrayType")
      .attr("wsdlx:arrayType", d.modulo + ":" + infoModuloType().name + "[]")
      .attr("xmlns:wsdlx", kWsdlNs)
      .close();
  x.close().close().close();
}

void writeSchemas(XmlWriter& x, const Dialect& d) {
  x.open(d.w("types"));
  x.open(d.xs + ":schema").attr("targetNamespace", infoClienteType().nameSpace);
  writeRecordType(x, d, infoClienteType());
  x.close();
  x.open(d.xs + ":schema").attr("targetNamespace", infoModuloType().nameSpace);
  writeModuleListType(x, d);
  writeRecordType(x, d, infoModuloType());
  x.close();
  x.open(d.xs + ":schema").attr("targetNamespace", paramAtualizadorType().nameSpace);
  writeRecordType(x, d, paramAtualizadorType());
  x.close();
  x.close();
}

std::string messageName(const Dialect& d, const OperationDef& op, size_t index, const char* suffix) {
  return op.name + (d.numberedMessages ? std::to_string(index) : std::string()) + suffix;
}

void writeMessages(XmlWriter& x, const Dialect& d, const ServiceDef& service) {
  for (size_t i = 0; i < service.operations.size(); ++i) {
    const OperationDef& op = service.operations[i];
    x.open(d.w("message")).attr("name", messageName(d, op, i, "Request"));
    for (const Param& param : op.params)
      x.open(d.w("part")).attr("name", param.name).attr("type", paramTypeName(d, param.type)).close();
    x.close();
    x.open(d.w("message")).attr("name", messageName(d, op, i, "Response"));
    x.open(d.w("part")).attr("name", "return").attr("type", resultTypeName(d, op.result)).close();
    x.close();
  }
}

void writePortType(XmlWriter& x, const Dialect& d, const ServiceDef& service) {
  x.open(d.w("portType")).attr("name", service.interfaceName);
  for (size_t i = 0; i < service.operations.size(); ++i) {
    const OperationDef& op = service.operations[i];
    x.open(d.w("operation")).attr("name", op.name);
    x.open(d.w("input")).attr("message", "tns:" + messageName(d, op, i, "Request")).close();
    x.open(d.w("output")).attr("message", "tns:" + messageName(d, op, i, "Response")).close();
    x.close();
  }
  x.close();
}

void writeEncodedBody(XmlWriter& x, const Dialect& d, const ServiceDef& service, const char* direction) {
  x.open(d.w(direction));
  x.open(d.soap + ":body")
      .attr("use", "encoded")
      .attr("encodingStyle", kSoapEncodingNs)
      .attr("namespace", service.nameSpace)
      .close();
  x.close();
}

void writeBinding(XmlWriter& x, const Dialect& d, const ServiceDef& service) {
  x.open(d.w("binding")).attr("name", service.interfaceName + "binding").attr("type", "tns:" + service.interfaceName);
  x.open(d.soap + ":binding").attr("style", "rpc").attr("transport", kHttpTransport).close();
  for (const OperationDef& op : service.operations) {
    x.open(d.w("operation")).attr("name", op.name);
    x.open(d.soap + ":operation").attr("soapAction", service.soapAction(op.name)).attr("style", "rpc").close();
    writeEncodedBody(x, d, service, "input");
    writeEncodedBody(x, d, service, "output");
    x.close();
  }
  x.close();
}

void writePort(XmlWriter& x, const Dialect& d, const ServiceDef& service, const std::string& name,
               const std::string& location) {
  x.open(d.w("port")).attr("name", name).attr("binding", "tns:" + service.interfaceName + "binding");
  x.open(d.soap + ":address").attr("location", location).close();
  x.close();
}

}  // namespace

std::string buildWsdl(const ServiceDef& service, const std::string& base) {
  const Dialect d = dialectFor(service);
  XmlWriter x;
  x.open(d.w("definitions"))
      .attr(d.wsdl.empty() ? "xmlns" : "xmlns:" + d.wsdl, kWsdlNs)
      .attr("xmlns:" + d.xs, kXsdNs)
      .attr("name", service.serviceName)
      .attr("targetNamespace", "http://tempuri.org/")
      .attr("xmlns:tns", "http://tempuri.org/")
      .attr("xmlns:" + d.soap, kWsdlSoapNs)
      .attr("xmlns:soapenc", kSoapEncodingNs)
      .attr("xmlns:" + d.cliente, infoClienteType().nameSpace)
      .attr("xmlns:" + d.modulo, infoModuloType().nameSpace)
      .attr("xmlns:" + d.param, paramAtualizadorType().nameSpace);
  if (service.key != "history") writeSchemas(x, d);
  writeMessages(x, d, service);
  writePortType(x, d, service);
  writeBinding(x, d, service);
  x.open(d.w("service")).attr("name", service.serviceName);
  if (!service.decoyPort.empty()) writePort(x, d, service, service.decoyPort, base + service.decoyPath);
  writePort(x, d, service, service.portName, base + service.soapPath);
  x.close();
  return x.finish();
}

}  // namespace vendorsim
