#pragma once
// One SOAP call to a simulated endpoint: reads the request, decides the
// answer from the scenario, and says what to write down about the call.
#include "scenario.h"
#include "services.h"

#include <QJsonObject>
#include <string>

namespace vendorsim {

struct SoapOutcome {
  int status = 200;
  std::string contentType = "text/xml; charset=utf-8";
  std::string body;
  int delayMs = 0;
  QJsonObject recordFields;  // operation, namespace, parameters, types
};

struct SoapCall {
  const ServiceDef& service;
  const Scenario& scenario;
  std::string body;
  std::string soapAction;  // header value as received
  QString base;            // "http://127.0.0.1:port"
};

SoapOutcome answerSoapCall(const SoapCall& call);

// What the record says about a request that was not answered (refused
// credentials, absent endpoint).
QJsonObject describeSoapRequest(const std::string& body);

// A request to the wrong port of the newer WSDL.
SoapOutcome answerDecoyPort(const ServiceDef& service);

}  // namespace vendorsim
