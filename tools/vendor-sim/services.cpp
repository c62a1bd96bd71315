#include "services.h"

#include "record_types.h"

namespace vendorsim {

namespace {

const char* kRegistroNs = "urn:URegistroIntf-IRegistro";
const char* kHistoryNs = "urn:webVersoesClientesIntf-IwebVersoesClientes";

std::vector<OperationDef> registroOperations(bool newer) {
  std::vector<OperationDef> operations{
      {"FComunica", {}, ResultType::Boolean},
      {"FInfoCliente", {{"VCGCCPF", ParamType::String}}, ResultType::InfoCliente},
      {"FNovasAtualizacoes", {{"VCGCCPF", ParamType::String}}, ResultType::InfoCliente},
      {"FConfirmaAtualizacao", {{"VModulosAtualizados", ParamType::ListModulos}}, ResultType::Boolean},
      {"FParametrosAtualizacao", {}, ResultType::ParamAtualizador},
      {"FAtualizaDadosCliente", {{"VInfoCliente", ParamType::InfoCliente}}, ResultType::Boolean},
      {"GravaClienteVersoesSrvCab",
       {{"pCodCliente", ParamType::String}, {"pCGCCPF", ParamType::String}},
       ResultType::Boolean}};
  if (newer) {
    operations.push_back(
        {"CancelarAgendamentoCliente", {{"VInfoCliente", ParamType::InfoCliente}}, ResultType::Boolean});
  }
  return operations;
}

std::map<std::string, std::string> recordPrefixes(const std::string& interfaceNs,
                                                  const std::vector<std::string>& names) {
  return {{interfaceNs, names[0]},
          {infoClienteType().nameSpace, names[1]},
          {infoModuloType().nameSpace, names[2]},
          {paramAtualizadorType().nameSpace, names[3]}};
}

ServiceDef olderService() {
  ServiceDef s;
  s.key = "older";
  s.interfaceName = "IRegistro";
  s.nameSpace = kRegistroNs;
  s.serviceName = "IRegistroservice";
  s.portName = "IRegistroPort";
  s.wsdlPath = "/webRegistro.exe/wsdl/IRegistro";
  s.soapPath = "/webRegistro.exe/soap/IRegistro";
  s.operations = registroOperations(false);
  s.prefixes = {"SOAP-ENV", "SOAP-ENC", "xsd", "xsi", recordPrefixes(kRegistroNs, {"NS1", "NS2", "NS3", "NS4"})};
  return s;
}

ServiceDef newerService() {
  ServiceDef s;
  s.key = "newer";
  s.interfaceName = "IRegistroSacWZQ";
  s.nameSpace = kRegistroNs;
  s.serviceName = "IRegistroservice";
  s.portName = "IRegistroPort";
  s.soapPath = "/WebRegistro/services/IRegistroPort";
  s.wsdlPath = s.soapPath;
  s.wsdlByQuery = true;
  s.decoyPort = "IRegistroPortHttps";
  s.decoyPath = "/WebRegistro/services/IRegistroPortHttps";
  s.wsdlPrefixed = true;
  s.operations = registroOperations(true);
  s.prefixes = {"soapenv", "soapenc", "xs", "xsi", recordPrefixes(kRegistroNs, {"ns4", "ns9", "ns2", "ns7"})};
  return s;
}

ServiceDef historyService() {
  ServiceDef s;
  s.key = "history";
  s.interfaceName = "IwebVersoesClientes";
  s.nameSpace = kHistoryNs;
  s.serviceName = "IwsHistVersClieservice";
  s.portName = "IwsHistVersCliePort";
  s.wsdlPath = "/webVersoesClientes.exe/wsdl/IwebVersoesClientes";
  s.soapPath = "/webVersoesClientes.exe/soap/IwebVersoesClientes";
  s.fixedAction = std::string(kHistoryNs) + "#SincronizaVersao";
  s.operations = {{"SincronizaVersao",
                   {{"pCodCliente", ParamType::String},
                    {"pModulo", ParamType::String},
                    {"pVersao", ParamType::String},
                    {"pMaquina", ParamType::String}},
                   ResultType::Boolean},
                  {"SincronizaIdBd",
                   {{"pData", ParamType::String}, {"pIdBanco", ParamType::String}, {"pCodCliente", ParamType::String}},
                   ResultType::Boolean}};
  s.prefixes = {"env", "enc", "s", "i", recordPrefixes(kHistoryNs, {"q7", "q3", "q5", "q1"})};
  return s;
}

}  // namespace

const OperationDef* ServiceDef::find(const std::string& operation) const {
  for (const OperationDef& def : operations)
    if (def.name == operation) return &def;
  return nullptr;
}

std::string ServiceDef::soapAction(const std::string& operation) const {
  return fixedAction.empty() ? nameSpace + "#" + operation : fixedAction;
}

const std::vector<ServiceDef>& allServices() {
  static const std::vector<ServiceDef> services{olderService(), newerService(), historyService()};
  return services;
}

}  // namespace vendorsim
