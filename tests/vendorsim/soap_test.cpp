// The simulated registration and version-history services as a SOAP client
// sees them: service descriptions, answers in both styles, faults,
// credentials and the record of what was asked.
#include "http_client.h"
#include "support/vendor_sim.h"
#include "xml_tree.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <stdexcept>

namespace orvalto::test {
namespace {

const QString kWsdlNs = QStringLiteral("http://schemas.xmlsoap.org/wsdl/");
const QString kWsdlSoapNs = QStringLiteral("http://schemas.xmlsoap.org/wsdl/soap/");
const QByteArray kRegistroNs = "urn:URegistroIntf-IRegistro";

QJsonObject sampleCustomer() {
  return {{"CodCliente", "000123"},
          {"CGCCPF", "12345678000199"},
          {"BackupAutomatico", true},
          {"QuantidadeBackup", 4},
          {"DataUltimaConsulta", "2025-01-10T08:00:00.000-03:00"},
          {"Hora_Agendamento", "22:30"},
          {"ListaModulos",
           QJsonArray{QJsonObject{
                          {"CodCliente", "000123"}, {"CodSistema", "PDV"}, {"LinkDownload", "${BASE}/pacotes/PDV.rar"}},
                      QJsonObject{{"CodCliente", "000123"}, {"CodSistema", "RET"}, {"LinkDownload", ""}}}}};
}

QByteArray envelope(const QByteArray& operation, const QByteArray& parameters,
                    const QByteArray& nameSpace = kRegistroNs) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\""
         " xmlns:t=\"http://www.w3.org/2001/XMLSchema\" xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\""
         " xmlns:c=\"http://schemas.xmlsoap.org/soap/encoding/\"><e:Body>"
         "<m:" +
         operation + " xmlns:m=\"" + nameSpace + "\">" + parameters + "</m:" + operation + ">" +
         "</e:Body></e:Envelope>";
}

QByteArray taxNumber(const QByteArray& cgc) { return "<VCGCCPF i:type=\"t:string\">" + cgc + "</VCGCCPF>"; }

HttpAnswer callOlder(const VendorSim& sim, const QByteArray& operation, const QByteArray& parameters = {}) {
  return soapPost(sim.baseUrl() + "/webRegistro.exe/soap/IRegistro", envelope(operation, parameters),
                  kRegistroNs + "#" + operation);
}

HttpAnswer callNewer(const VendorSim& sim, const QByteArray& operation, const QByteArray& parameters = {},
                     const QByteArray& authorization = {}) {
  return soapPost(sim.newerBase() + "/IRegistroPort", envelope(operation, parameters), kRegistroNs + "#" + operation,
                  authorization);
}

// soap:address of the named port of the named service.
QString portAddress(const XmlNode& definitions, const QString& service, const QString& port) {
  for (const XmlNode& s : definitions.children) {
    if (s.nameSpace != kWsdlNs || s.name != "service" || s.attribute("name") != service) continue;
    for (const XmlNode& p : s.children) {
      if (p.name != "port" || p.attribute("name") != port) continue;
      for (const XmlNode& address : p.children)
        if (address.nameSpace == kWsdlSoapNs && address.name == "address") return address.attribute("location");
    }
  }
  return {};
}

const XmlNode* returnOf(const XmlNode& envelope) {
  const XmlNode* body = envelope.child("Body");
  if (!body || body->children.empty()) return nullptr;
  const XmlNode* ret = body->children.front().child("return");
  return ret ? dereference(*ret, envelope) : nullptr;
}

QString returnText(const HttpAnswer& answer) {
  const XmlNode xml = parseXml(answer.body);
  const XmlNode* ret = returnOf(xml);
  return ret ? ret->text : QStringLiteral("<no return in %1>").arg(QString::fromUtf8(answer.body));
}

QString childText(const XmlNode* node, const QString& name) {
  const XmlNode* child = node ? node->child(name) : nullptr;
  return child ? child->text : QStringLiteral("<no %1>").arg(name);
}

// The customer record of an answer, whichever style it was written in.
QJsonObject readCustomer(const XmlNode& envelope) {
  const XmlNode* record = returnOf(envelope);
  if (!record) return {{"error", "no return"}};
  QJsonObject customer{{"type", record->resolve(record->attribute("{" + kXsi + "}type"))}};
  for (const XmlNode& field : record->children) {
    if (field.name != "ListaModulos") {
      customer.insert(field.name, field.text);
      continue;
    }
    QJsonArray modules;
    for (const XmlNode& item : field.children) {
      const XmlNode* module = dereference(item, envelope);
      if (!module) return {{"error", "dangling href"}};
      modules.append(QJsonObject{{"type", module->resolve(module->attribute("{" + kXsi + "}type"))},
                                 {"CodSistema", childText(module, "CodSistema")},
                                 {"LinkDownload", childText(module, "LinkDownload")}});
    }
    customer.insert("ListaModulos", modules);
    customer.insert("arrayType", field.resolve(field.attribute("{" + kSoapEnc + "}arrayType")));
  }
  return customer;
}

TEST(VendorSimSoap, DescriptionsPointBackAtTheSimulatorByServiceAndPortName) {
  VendorSim sim;
  const XmlNode older = parseXml(httpGet(sim.olderBase() + "/webRegistro.exe/wsdl/IRegistro").body);
  EXPECT_EQ(portAddress(older, "IRegistroservice", "IRegistroPort"), sim.baseUrl() + "/webRegistro.exe/soap/IRegistro");

  // The newer description lists a wrong port first; only the name tells them apart.
  const XmlNode newer = parseXml(httpGet(sim.newerBase() + "/IRegistroPort?wsdl").body);
  EXPECT_EQ(portAddress(newer, "IRegistroservice", "IRegistroPort"), sim.newerBase() + "/IRegistroPort");

  const XmlNode history = parseXml(httpGet(sim.historyWsdlUrl()).body);
  const QString historyAddress = portAddress(history, "IwsHistVersClieservice", "IwsHistVersCliePort");
  EXPECT_EQ(historyAddress, sim.baseUrl() + "/webVersoesClientes.exe/soap/IwebVersoesClientes");

  // Every history operation travels with the one fixed action.
  const HttpAnswer idBd = soapPost(
      historyAddress, envelope("SincronizaIdBd", "<pData>x</pData>", "urn:webVersoesClientesIntf-IwebVersoesClientes"),
      "urn:webVersoesClientesIntf-IwebVersoesClientes#SincronizaVersao");
  EXPECT_EQ(idBd.status, 200);
  EXPECT_EQ(returnText(idBd), "true");

  // A misspelt option is refused rather than ignored.
  EXPECT_THROW(sim.setScenario({{"endpoints", QJsonObject{{"newer", QJsonObject{{"presnt", false}}}}}}),
               std::runtime_error);
  sim.setScenario({{"endpoints", QJsonObject{{"newer", QJsonObject{{"present", false}}}}}});
  EXPECT_EQ(httpGet(sim.newerBase() + "/IRegistroPort?wsdl").status, 404);
  EXPECT_EQ(httpGet(sim.olderBase() + "/webRegistro.exe/wsdl/IRegistro").status, 200);
}

TEST(VendorSimSoap, CustomerRecordReadsTheSameInMultiReferenceAndInlineStyle) {
  VendorSim sim({{"customers", QJsonArray{sampleCustomer()}},
                 {"endpoints", QJsonObject{{"newer", QJsonObject{{"style", "inline"}}}}}});
  const HttpAnswer multiref = callOlder(sim, "FInfoCliente", taxNumber("12345678000199"));
  const HttpAnswer inlined = callNewer(sim, "FInfoCliente", taxNumber("12345678000199"));
  ASSERT_EQ(multiref.status, 200);
  ASSERT_EQ(inlined.status, 200);

  const XmlNode multirefXml = parseXml(multiref.body);
  EXPECT_TRUE(multiref.body.contains("<return href=\"#1\"/>"));
  EXPECT_FALSE(inlined.body.contains("href="));
  // Same namespaces under different prefixes.
  EXPECT_TRUE(multiref.body.contains("NS2:TInfoCliente"));
  EXPECT_FALSE(inlined.body.contains("NS2:TInfoCliente"));

  const QJsonObject customer = readCustomer(multirefXml);
  EXPECT_EQ(customer, readCustomer(parseXml(inlined.body)));
  EXPECT_EQ(customer["type"].toString(), "{urn:UClassInfoCliente}TInfoCliente");
  EXPECT_EQ(customer["arrayType"].toString(), "{urn:UClassInfoModulo}TInfoModulo[2]");
  EXPECT_EQ(customer["CodCliente"].toString(), "000123");
  EXPECT_EQ(customer["BackupAutomatico"].toString(), "true");
  EXPECT_EQ(customer["QuantidadeBackup"].toString(), "4");
  EXPECT_EQ(customer["DataUltimaConsulta"].toString(), "2025-01-10T08:00:00.000-03:00");
  EXPECT_EQ(customer["Data_Agendamento"].toString(), "1899-12-30T00:00:00");  // left out: the zero date
  const QJsonArray modules = customer["ListaModulos"].toArray();
  ASSERT_EQ(modules.size(), 2);
  EXPECT_EQ(modules[0]["type"].toString(), "{urn:UClassInfoModulo}TInfoModulo");
  EXPECT_EQ(modules[0]["LinkDownload"].toString(), sim.packageUrl("PDV.rar"));
  EXPECT_EQ(modules[1]["CodSistema"].toString(), "RET");
}

TEST(VendorSimSoap, NoRecordIsANilReturn) {
  VendorSim sim(
      {{"customers", QJsonArray{sampleCustomer()}},
       {"parametros", QJsonValue::Null},
       {"endpoints",
        QJsonObject{{"older", QJsonObject{{"customers", QJsonArray()}}},
                    {"newer", QJsonObject{{"operations",
                                           QJsonObject{{"FNovasAtualizacoes", QJsonObject{{"noRecord", true}}}}}}}}}});
  const auto isNil = [](const HttpAnswer& answer) {
    const XmlNode xml = parseXml(answer.body);
    const XmlNode* ret = returnOf(xml);
    return answer.status == 200 && ret && ret->attribute("{" + kXsi + "}nil") == "true";
  };
  EXPECT_TRUE(isNil(callOlder(sim, "FInfoCliente", taxNumber("12345678000199"))));      // this endpoint knows nobody
  EXPECT_TRUE(isNil(callNewer(sim, "FInfoCliente", taxNumber("12.345.678/0001-99"))));  // exact match only
  EXPECT_FALSE(isNil(callNewer(sim, "FInfoCliente", taxNumber("12345678000199"))));
  EXPECT_TRUE(isNil(callNewer(sim, "FNovasAtualizacoes", taxNumber("12345678000199"))));
  EXPECT_TRUE(isNil(callNewer(sim, "FParametrosAtualizacao")));
}

TEST(VendorSimSoap, OperationResultsFaultsAndWrongActions) {
  VendorSim sim(
      {{"endpoints",
        QJsonObject{
            {"newer", QJsonObject{{"operations",
                                   QJsonObject{{"FComunica", QJsonObject{{"result", false}}},
                                               {"FParametrosAtualizacao", QJsonObject{{"fault", "Banco indisponível"}}},
                                               {"FConfirmaAtualizacao", QJsonObject{{"httpStatus", 503}}}}}}}}}});
  EXPECT_EQ(returnText(callNewer(sim, "FComunica")), "false");
  EXPECT_EQ(returnText(callOlder(sim, "FComunica")), "true");

  const HttpAnswer fault = callNewer(sim, "FParametrosAtualizacao");
  EXPECT_EQ(fault.status, 500);
  const XmlNode faultXml = parseXml(fault.body);
  const XmlNode* faultNode = faultXml.child("Body") ? faultXml.child("Body")->child("Fault") : nullptr;
  ASSERT_NE(faultNode, nullptr) << fault.body.toStdString();
  EXPECT_EQ(childText(faultNode, "faultstring"), QString::fromUtf8("Banco indisponível"));
  EXPECT_EQ(faultNode->resolve(childText(faultNode, "faultcode")), "{" + kSoapEnv + "}Server");

  EXPECT_EQ(callNewer(sim, "FConfirmaAtualizacao").status, 503);

  const HttpAnswer wrongAction = soapPost(sim.baseUrl() + "/webRegistro.exe/soap/IRegistro", envelope("FComunica", {}),
                                          kRegistroNs + "#FInfoCliente");
  EXPECT_EQ(wrongAction.status, 500);
  EXPECT_TRUE(wrongAction.body.contains("SOAPAction mismatch"));

  // CancelarAgendamentoCliente belongs to the newer interface only.
  EXPECT_EQ(callOlder(sim, "CancelarAgendamentoCliente").status, 500);
  EXPECT_EQ(callNewer(sim, "CancelarAgendamentoCliente").status, 200);
}

TEST(VendorSimSoap, RecordHoldsReferencedParametersResolved) {
  VendorSim sim;
  // The modules travel as references to Body children, as the maker's own
  // clients send them.
  const QByteArray request =
      "<?xml version=\"1.0\"?><S:Envelope xmlns:S=\"http://schemas.xmlsoap.org/soap/envelope/\""
      " xmlns:E=\"http://schemas.xmlsoap.org/soap/encoding/\" xmlns:I=\"http://www.w3.org/2001/XMLSchema-instance\">"
      "<S:Body><N1:FConfirmaAtualizacao xmlns:N1=\"urn:URegistroIntf-IRegistro\">"
      "<VModulosAtualizados I:type=\"E:Array\" E:arrayType=\"N2:TInfoModulo[1]\" xmlns:N2=\"urn:UClassInfoModulo\">"
      "<item href=\"#7\"/></VModulosAtualizados></N1:FConfirmaAtualizacao>"
      "<N3:TInfoModulo id=\"7\" I:type=\"N3:TInfoModulo\" xmlns:N3=\"urn:UClassInfoModulo\">"
      "<CodCliente>000123</CodCliente><CodSistema>PDV</CodSistema><LinkDownload I:nil=\"true\"/>"
      "</N3:TInfoModulo></S:Body></S:Envelope>";
  ASSERT_EQ(soapPost(sim.baseUrl() + "/webRegistro.exe/soap/IRegistro", request, kRegistroNs + "#FConfirmaAtualizacao")
                .status,
            200);

  const QJsonArray calls = sim.soapCalls("older", "FConfirmaAtualizacao");
  ASSERT_EQ(calls.size(), 1);
  const QJsonObject call = calls[0].toObject();
  EXPECT_EQ(call["soapAction"].toString(), "\"urn:URegistroIntf-IRegistro#FConfirmaAtualizacao\"");
  EXPECT_EQ(call["namespace"].toString(), "urn:URegistroIntf-IRegistro");
  EXPECT_EQ(call["types"]["VModulosAtualizados"].toString(), "{urn:UClassInfoModulo}TInfoModulo[1]");
  const QJsonObject module = call["parameters"]["VModulosAtualizados"][0].toObject();
  EXPECT_EQ(module, (QJsonObject{{"CodCliente", "000123"}, {"CodSistema", "PDV"}, {"LinkDownload", QJsonValue::Null}}));

  sim.reset();
  EXPECT_TRUE(sim.requests().isEmpty());
}

TEST(VendorSimSoap, CredentialsAreChallengedAndRecorded) {
  VendorSim sim(
      {{"endpoints", QJsonObject{{"newer", QJsonObject{{"user", "wzq"}, {"password", "segredo"}}},
                                 {"history", QJsonObject{{"user", "h"}, {"password", "h"}, {"protectWsdl", false}}}}}});
  const HttpAnswer challenge = httpGet(sim.newerBase() + "/IRegistroPort?wsdl");
  EXPECT_EQ(challenge.status, 401);
  EXPECT_EQ(challenge.headers.value("www-authenticate"), "Basic realm=\"IRegistroSacWZQ\"");
  EXPECT_EQ(callNewer(sim, "FComunica", {}, basicAuthorization("wzq", "errada")).status, 401);
  EXPECT_EQ(callNewer(sim, "FComunica", {}, basicAuthorization("wzq", "segredo")).status, 200);
  EXPECT_EQ(httpGet(sim.historyWsdlUrl()).status, 200);  // description left open

  const QJsonArray soap = sim.requests("soap");
  ASSERT_EQ(soap.size(), 2);
  EXPECT_EQ(soap[0]["user"].toString(), "wzq");
  EXPECT_FALSE(soap[0]["authorized"].toBool());
  EXPECT_EQ(soap[0]["operation"].toString(), "FComunica");
  EXPECT_TRUE(soap[1]["authorized"].toBool());
  EXPECT_EQ(sim.soapCalls("newer", "FComunica").size(), 1);
}

}  // namespace
}  // namespace orvalto::test
