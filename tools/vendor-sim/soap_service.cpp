#include "soap_service.h"

#include "record_types.h"
#include "soap_answers.h"
#include "soap_request.h"

#include <QJsonArray>

namespace vendorsim {

namespace {

SoapOutcome fault(const ServiceDef& service, const std::string& code, const std::string& text) {
  SoapOutcome outcome;
  outcome.status = 500;
  outcome.body = faultResponse(service, code, text);
  return outcome;
}

std::string unquoted(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

QJsonValue findCustomer(const QJsonArray& customers, const QJsonValue& taxNumber) {
  if (!taxNumber.isString()) return QJsonValue::Null;
  for (const QJsonValue& customer : customers) {
    if (customer.toObject().value("CGCCPF").toString() == taxNumber.toString()) return customer;
  }
  return QJsonValue::Null;
}

std::string answerBody(const SoapCall& call, const OperationDef& op, const SoapRequest& request,
                       const OperationConfig& config) {
  const EndpointConfig endpoint = call.scenario.endpoint(QString::fromStdString(call.service.key));
  const AnswerStyle style{endpoint.multiref, call.base};
  switch (op.result) {
    case ResultType::Boolean: return booleanResponse(call.service, op.name, config.result.value_or(true), style);
    case ResultType::InfoCliente: {
      const QJsonValue customer =
          config.noRecord ? QJsonValue::Null : findCustomer(endpoint.customers, request.parameters.value("VCGCCPF"));
      return recordResponse(call.service, op.name, infoClienteType(), customer, style);
    }
    case ResultType::ParamAtualizador: {
      const QJsonValue parametros = config.noRecord ? QJsonValue::Null : endpoint.parametros;
      return recordResponse(call.service, op.name, paramAtualizadorType(), parametros, style);
    }
  }
  return {};
}

QJsonObject describe(const SoapRequest& request) {
  return {{"operation", QString::fromStdString(request.operation)},
          {"namespace", QString::fromStdString(request.nameSpace)},
          {"parameters", request.parameters},
          {"types", request.types}};
}

}  // namespace

SoapOutcome answerSoapCall(const SoapCall& call) {
  const ServiceDef& service = call.service;
  const SoapRequest request = parseSoapRequest(call.body);
  if (!request.ok) return fault(service, request.faultCode, request.error);

  SoapOutcome outcome;
  const OperationDef* op = service.find(request.operation);
  const EndpointConfig endpoint = call.scenario.endpoint(QString::fromStdString(service.key));
  if (request.nameSpace != service.nameSpace) {
    outcome =
        fault(service, "Client", "No method \"" + request.operation + "\" in namespace \"" + request.nameSpace + "\"");
  } else if (!op) {
    outcome = fault(service, "Client", "No method \"" + request.operation + "\" in interface " + service.interfaceName);
  } else if (endpoint.checkSoapAction && unquoted(call.soapAction) != service.soapAction(op->name)) {
    outcome =
        fault(service, "Client",
              "SOAPAction mismatch: got \"" + call.soapAction + "\", want \"" + service.soapAction(op->name) + "\"");
  } else {
    const OperationConfig config =
        call.scenario.operation(QString::fromStdString(service.key), QString::fromStdString(op->name));
    if (config.httpStatus != 0) {
      outcome.status = config.httpStatus;
      outcome.contentType = "text/plain; charset=utf-8";
      outcome.body = "HTTP " + std::to_string(config.httpStatus) + " from the simulated " + service.key + " endpoint\n";
    } else if (config.fault) {
      outcome = fault(service, config.faultCode.toStdString(), config.fault->toStdString());
    } else {
      outcome.body = answerBody(call, *op, request, config);
    }
    outcome.delayMs = config.delayMs;
  }
  outcome.recordFields = describe(request);
  return outcome;
}

QJsonObject describeSoapRequest(const std::string& body) {
  const SoapRequest request = parseSoapRequest(body);
  return request.ok ? describe(request) : QJsonObject();
}

SoapOutcome answerDecoyPort(const ServiceDef& service) {
  return fault(service, "Server", "wrong port: this is " + service.decoyPort + ", not " + service.portName);
}

}  // namespace vendorsim
