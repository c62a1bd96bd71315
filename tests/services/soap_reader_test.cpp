// The answer reader against documents written by hand: the maker's
// multi-reference style, inline values, faults, and answers built to break
// a careless reader.
#include "services/soap_reader.h"
#include "services/info_cliente.h"
#include "services/parametros_atualizador.h"
#include "services/soap_error.h"
#include "services/wsdl.h"

#include <gtest/gtest.h>

namespace orvalto {
namespace {

QByteArray envelope(const QByteArray& body, const QByteArray& extraNs = {}) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
         "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" " +
         extraNs + "><SOAP-ENV:Body>" + body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

// The maker's style: the record and each module are children of Body,
// reached through references that point forward.
const QByteArray kMultiRef = envelope(
    "<NS1:FInfoClienteResponse xmlns:NS1=\"urn:URegistroIntf-IRegistro\">"
    "<return href=\"#1\"/></NS1:FInfoClienteResponse>"
    "<NS2:TInfoCliente id=\"1\" xsi:type=\"NS2:TInfoCliente\" xmlns:NS2=\"urn:UClassInfoCliente\">"
    "<CodCliente xsi:type=\"xsd:string\">000123</CodCliente>"
    "<CGCCPF xsi:type=\"xsd:string\">12345678000199</CGCCPF>"
    "<BackupAutomatico xsi:type=\"xsd:boolean\">true</BackupAutomatico>"
    "<QuantidadeBackup xsi:type=\"xsd:int\">3</QuantidadeBackup>"
    "<LimiteVersoesAnteriores xsi:type=\"xsd:string\">5</LimiteVersoesAnteriores>"
    "<AtualizaVersao xsi:type=\"xsd:boolean\">false</AtualizaVersao>"
    "<DataUltimaConsulta xsi:type=\"xsd:dateTime\">2025-01-10T08:00:00.000-03:00</DataUltimaConsulta>"
    "<Data_Agendamento xsi:type=\"xsd:dateTime\">2025-01-20T00:00:00</Data_Agendamento>"
    "<Hora_Agendamento xsi:type=\"xsd:string\">22:30</Hora_Agendamento>"
    "<ListaModulos xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"NS3:TInfoModulo[2]\" "
    "xmlns:NS3=\"urn:UClassInfoModulo\"><item href=\"#2\"/><item href=\"#3\"/></ListaModulos>"
    "</NS2:TInfoCliente>"
    "<NS3:TInfoModulo id=\"2\" xsi:type=\"NS3:TInfoModulo\" xmlns:NS3=\"urn:UClassInfoModulo\">"
    "<CodCliente xsi:type=\"xsd:string\">000123</CodCliente><CodSistema xsi:type=\"xsd:string\">PDV</CodSistema>"
    "<AtualizaVersao xsi:type=\"xsd:boolean\">1</AtualizaVersao>"
    "<DataUltimaAtualizacao xsi:type=\"xsd:dateTime\">2024-12-01T10:00:00Z</DataUltimaAtualizacao>"
    "<LinkDownload xsi:type=\"xsd:string\">http://h/pacotes/PDV.rar?a=1&amp;b=2</LinkDownload></NS3:TInfoModulo>"
    "<NS3:TInfoModulo id=\"3\" xsi:type=\"NS3:TInfoModulo\" xmlns:NS3=\"urn:UClassInfoModulo\">"
    "<CodSistema xsi:type=\"xsd:string\">RET</CodSistema><LinkDownload xsi:type=\"xsd:string\"></LinkDownload>"
    "</NS3:TInfoModulo>");

TEST(SoapReader, ReadsTheMakersMultiReferenceRecord) {
  const TInfoCliente c = TInfoCliente::fromSoap(readSoapResponse(kMultiRef));
  EXPECT_EQ(c.CodCliente(), "000123");
  EXPECT_EQ(c.CGCCPF, "12345678000199");
  EXPECT_TRUE(c.BackupAutomatico);
  EXPECT_EQ(c.QuantidadeBackup, 3);
  EXPECT_EQ(c.LimiteVersoesAnteriores, "5");
  EXPECT_FALSE(c.AtualizaVersao);
  EXPECT_EQ(c.DataUltimaConsulta, QDateTime::fromString("2025-01-10T11:00:00Z", Qt::ISODate));
  EXPECT_EQ(c.Data_Agendamento, QDateTime(QDate(2025, 1, 20), QTime(0, 0)));
  EXPECT_EQ(c.Hora_Agendamento, "22:30");
  ASSERT_EQ(c.ListaModulos.size(), 2);
  EXPECT_EQ(c.ListaModulos[0].CodSistema, "PDV");
  EXPECT_TRUE(c.ListaModulos[0].AtualizaVersao);
  EXPECT_EQ(c.ListaModulos[0].LinkDownload, "http://h/pacotes/PDV.rar?a=1&b=2");
  EXPECT_EQ(c.ListaModulos[0].DataUltimaAtualizacao, QDateTime::fromString("2024-12-01T10:00:00Z", Qt::ISODate));
  EXPECT_EQ(c.ListaModulos[1].CodSistema, "RET");
  EXPECT_EQ(c.ListaModulos[1].CodCliente, "");
  EXPECT_TRUE(c.ListaModulos[1].LinkDownload.isEmpty());
}

TEST(SoapReader, InlineValuesWithOtherPrefixesReadTheSame) {
  const QByteArray doc =
      "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
      "xmlns:q=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:t=\"http://www.w3.org/2001/XMLSchema\" "
      "xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\" xmlns:ns9=\"urn:UClassInfoCliente\" "
      "xmlns:ns4=\"urn:UClassInfoModulo\"><soapenv:Body>"
      "<ns1:FInfoClienteResponse xmlns:ns1=\"urn:URegistroIntf-IRegistro\">"
      "<return q:type=\"ns9:TInfoCliente\"><CodCliente q:type=\"t:string\"/>"
      "<CGCCPF q:type=\"t:string\">1</CGCCPF><QuantidadeBackup q:type=\"t:int\"> 7 </QuantidadeBackup>"
      "<DataUltimaConsulta q:nil=\"true\"/>"
      "<ListaModulos q:type=\"enc:Array\" enc:arrayType=\"ns4:TInfoModulo[1]\">"
      "<item q:type=\"ns4:TInfoModulo\"><CodSistema q:type=\"t:string\">PDV</CodSistema></item>"
      "</ListaModulos></return></ns1:FInfoClienteResponse></soapenv:Body></soapenv:Envelope>";
  const TInfoCliente c = TInfoCliente::fromSoap(readSoapResponse(doc));
  EXPECT_EQ(c.CodCliente(), "00000000") << "an empty customer code is kept as eight zeros";
  EXPECT_EQ(c.CGCCPF, "1");
  EXPECT_EQ(c.QuantidadeBackup, 7);
  EXPECT_FALSE(c.DataUltimaConsulta.isValid());
  ASSERT_EQ(c.ListaModulos.size(), 1);
  EXPECT_EQ(c.ListaModulos[0].CodSistema, "PDV");
}

TEST(SoapReader, ReferencesMayPointBackwardAndNest) {
  // The record comes before the answer element and its module list is
  // itself a reference.
  const QByteArray doc = envelope(
      "<a:TInfoCliente id=\"r\" xmlns:a=\"urn:UClassInfoCliente\"><CGCCPF href=\"#s\"/>"
      "<ListaModulos href=\"#l\"/></a:TInfoCliente>"
      "<x id=\"s\" xsi:type=\"xsd:string\">99</x>"
      "<ArrayOfTInfoModulo id=\"l\" SOAP-ENC:arrayType=\"b:TInfoModulo[1]\" xmlns:b=\"urn:UClassInfoModulo\">"
      "<item href=\"#m\"/></ArrayOfTInfoModulo>"
      "<b:TInfoModulo id=\"m\" xmlns:b=\"urn:UClassInfoModulo\"><CodSistema>ABC</CodSistema></b:TInfoModulo>"
      "<r:FInfoClienteResponse xmlns:r=\"urn:URegistroIntf-IRegistro\"><return href=\"#r\"/></r:FInfoClienteResponse>");
  const TInfoCliente c = TInfoCliente::fromSoap(readSoapResponse(doc));
  EXPECT_EQ(c.CGCCPF, "99");
  ASSERT_EQ(c.ListaModulos.size(), 1);
  EXPECT_EQ(c.ListaModulos[0].CodSistema, "ABC");
}

TEST(SoapReader, NilEmptyAndScalarAnswers) {
  const auto answer = [](const QByteArray& ret) {
    return readSoapResponse(envelope("<n:XResponse xmlns:n=\"urn:x\">" + ret + "</n:XResponse>"));
  };
  EXPECT_TRUE(answer("<return xsi:nil=\"true\"/>").isNil());
  EXPECT_TRUE(answer("").isNil()) << "no return element: nothing";
  EXPECT_FALSE(answer("<return xsi:type=\"n:TInfoCliente\"/>").isCompound()) << "an empty element is no record";
  EXPECT_TRUE(answer("<return xsi:type=\"xsd:boolean\">true</return>").toBool());
  EXPECT_FALSE(answer("<return xsi:type=\"xsd:boolean\">0</return>").toBool());
  EXPECT_THROW(answer("<return xsi:type=\"xsd:boolean\">talvez</return>").toBool(), SoapError);
  EXPECT_THROW(answer("<return xsi:type=\"xsd:int\">12x</return>").toInt(), SoapError);
  EXPECT_EQ(answer("<result>  </result>").toText(), "  ") << "blanks of a text survive";

  const SoapValue empty = answer(
      "<return xsi:type=\"n:TInfoCliente\"><ListaModulos xsi:type=\"SOAP-ENC:Array\" "
      "SOAP-ENC:arrayType=\"n:TInfoModulo[0]\"/></return>");
  EXPECT_TRUE(TInfoCliente::fromSoap(empty).ListaModulos.isEmpty());
}

TEST(SoapReader, ParametersRecordReads) {
  const QByteArray doc = envelope(
      "<NS1:FParametrosAtualizacaoResponse xmlns:NS1=\"urn:URegistroIntf-IRegistro\"><return href=\"#1\"/>"
      "</NS1:FParametrosAtualizacaoResponse><NS2:TParamAtualizador id=\"1\" "
      "xmlns:NS2=\"urn:UClassParametrosAtualizador\">"
      "<CaminhoOrvalto>http://a/O.rar</CaminhoOrvalto><CaminhoAtualizadorBD>http://a/BD.rar</CaminhoAtualizadorBD>"
      "</NS2:TParamAtualizador>");
  const TParamAtualizador p = TParamAtualizador::fromSoap(readSoapResponse(doc));
  EXPECT_EQ(p.CaminhoOrvalto, "http://a/O.rar");
  EXPECT_EQ(p.CaminhoAtualizadorBD, "http://a/BD.rar");
}

TEST(SoapReader, FaultBecomesAnErrorWithTheServersText) {
  const QByteArray doc = envelope(
      "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>Banco indisponível</faultstring>"
      "</SOAP-ENV:Fault>");
  try {
    readSoapResponse(doc);
    FAIL() << "a fault must throw";
  } catch (const SoapFault& f) {
    EXPECT_EQ(f.text(), "Banco indisponível");
    EXPECT_EQ(f.faultCode(), "SOAP-ENV:Server");
  }
}

TEST(SoapReader, DateTimesKeepTheirInstant) {
  EXPECT_EQ(parseXsdDateTime("2025-01-10T08:00:00-03:00"), parseXsdDateTime("2025-01-10T11:00:00Z"));
  EXPECT_EQ(parseXsdDateTime("2025-01-10T11:00:00.1234567Z").time().msec(),
            parseXsdDateTime("2025-01-10T11:00:00.123Z").time().msec());
  EXPECT_EQ(parseXsdDateTime("1899-12-30T00:00:00"), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
  EXPECT_FALSE(parseXsdDateTime("2025-02-30T00:00:00").isValid());
  EXPECT_FALSE(parseXsdDateTime("ontem").isValid());
  const QDateTime agora = QDateTime::currentDateTime();
  const QDateTime voltou = parseXsdDateTime(formatXsdDateTime(agora));
  EXPECT_EQ(voltou.toMSecsSinceEpoch(), agora.toMSecsSinceEpoch());
}

// Every broken or hostile answer ends in SoapError, quickly, without
// expanding anything.
struct Hostile {
  const char* name;
  QByteArray document;
  const char* why;  // part of the error's text
};

void PrintTo(const Hostile& h, std::ostream* out) { *out << h.name; }

class HostileAnswer : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileAnswer, EndsWithAnError) {
  try {
    readSoapResponse(GetParam().document);
    ADD_FAILURE() << "accepted";
  } catch (const SoapError& e) {
    EXPECT_TRUE(e.text().contains(QString::fromUtf8(GetParam().why))) << e.what();
  }
}

QByteArray deep(int levels) {
  return envelope("<n:XResponse xmlns:n=\"urn:x\"><return>" + QByteArray("<a>").repeated(levels) +
                  QByteArray("</a>").repeated(levels) + "</return></n:XResponse>");
}

// Each level refers twice to the next: followed naively it doubles at
// every level.
QByteArray referenceFanOut(int levels) {
  QByteArray body = "<n:XResponse xmlns:n=\"urn:x\"><return href=\"#0\"/></n:XResponse>";
  for (int i = 0; i < levels; ++i)
    body += QString("<s id=\"%1\"><a href=\"#%2\"/><b href=\"#%2\"/></s>").arg(i).arg(i + 1).toUtf8();
  body += QString("<s id=\"%1\">fim</s>").arg(levels).toUtf8();
  return envelope(body);
}

QByteArray referenceChain(int links) {
  QByteArray body = "<n:XResponse xmlns:n=\"urn:x\"><return href=\"#0\"/></n:XResponse>";
  for (int i = 0; i < links; ++i) body += QString("<s id=\"%1\"><a href=\"#%2\"/></s>").arg(i).arg(i + 1).toUtf8();
  body += QString("<s id=\"%1\">fim</s>").arg(links).toUtf8();
  return envelope(body);
}

INSTANTIATE_TEST_SUITE_P(
    SoapReader, HostileAnswer,
    ::testing::Values(
        Hostile{"truncated", kMultiRef.left(kMultiRef.size() / 2), "inválida"},
        Hostile{"empty", QByteArray(), "inválida"}, Hostile{"not_xml", QByteArray("Service Unavailable"), "inválida"},
        Hostile{"not_an_envelope", QByteArray("<html><body>erro</body></html>"), "não é um envelope"},
        Hostile{"no_body", QByteArray("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"/>"),
                "sem corpo"},
        Hostile{"empty_body", envelope(""), "não traz a resposta"},
        Hostile{"missing_id", envelope("<n:XResponse xmlns:n=\"urn:x\"><return href=\"#9\"/></n:XResponse>"),
                "inexistente #9"},
        Hostile{"external_reference",
                envelope("<n:XResponse xmlns:n=\"urn:x\"><return href=\"http://x/y\"/></n:XResponse>"),
                "referência externa"},
        Hostile{"self_cycle",
                envelope("<n:XResponse xmlns:n=\"urn:x\"><return href=\"#1\"/></n:XResponse>"
                         "<s id=\"1\"><a href=\"#1\"/></s>"),
                "circular #1"},
        Hostile{"two_step_cycle",
                envelope("<n:XResponse xmlns:n=\"urn:x\"><return href=\"#1\"/></n:XResponse>"
                         "<s id=\"1\"><a href=\"#2\"/></s><s id=\"2\"><b href=\"#1\"/></s>"),
                "circular #1"},
        Hostile{"ten_megabyte_string",
                envelope("<n:XResponse xmlns:n=\"urn:x\"><return>" + QByteArray(10 * 1024 * 1024, 'x') +
                         "</return></n:XResponse>"),
                "maior que"},
        Hostile{"deeply_nested", deep(100000), "aninhamento"},
        Hostile{"nested_past_the_limit", deep(80), "aninhamento"},
        Hostile{"reference_fan_out", referenceFanOut(30), "valores demais"},
        Hostile{"long_reference_chain", referenceChain(500), "referências aninhadas"},
        Hostile{"doctype_with_entities",
                "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>" +
                    envelope("<n:XResponse xmlns:n=\"urn:x\"><return>&b;</return></n:XResponse>"),
                "DOCTYPE"},
        Hostile{"external_entity",
                "<!DOCTYPE e [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" +
                    envelope("<n:XResponse xmlns:n=\"urn:x\"><return>&x;</return></n:XResponse>"),
                "DOCTYPE"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoapReader, ModestNestingAndSharedReferencesStillRead) {
  // Depth and references well inside the limits are plain answers.
  EXPECT_NO_THROW(readSoapResponse(deep(40)));
  EXPECT_EQ(readSoapResponse(referenceFanOut(8)).members().size(), 2);
  EXPECT_NO_THROW(readSoapResponse(referenceChain(30)));
}

const QByteArray kWsdl =
    "<?xml version=\"1.0\"?><wsdl:definitions xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" "
    "xmlns:wsdlsoap=\"http://schemas.xmlsoap.org/wsdl/soap/\" name=\"IRegistroservice\">"
    "<wsdl:service name=\"IRegistroservice\">"
    "<wsdl:port name=\"IRegistroPortHttps\" binding=\"x\"><wsdlsoap:address location=\"http://h/errado\"/></wsdl:port>"
    "<wsdl:port name=\"IRegistroPort\" binding=\"x\"><wsdlsoap:address location=\"http://h/certo\"/></wsdl:port>"
    "</wsdl:service></wsdl:definitions>";

TEST(Wsdl, TakesTheAddressOfTheNamedPort) {
  EXPECT_EQ(wsdlEndpoint(kWsdl, "IRegistroservice", "IRegistroPort"), "http://h/certo");
  EXPECT_EQ(wsdlEndpoint(kWsdl, "IRegistroservice", "IRegistroPortHttps"), "http://h/errado");
  EXPECT_THROW(wsdlEndpoint(kWsdl, "OutroServico", "IRegistroPort"), SoapError);
  EXPECT_THROW(wsdlEndpoint(kWsdl, "IRegistroservice", "IRegistroport"), SoapError);
  EXPECT_THROW(wsdlEndpoint("<html/>", "IRegistroservice", "IRegistroPort"), SoapError);
  EXPECT_THROW(wsdlEndpoint("<!DOCTYPE d>" + kWsdl, "IRegistroservice", "IRegistroPort"), SoapError);
}

}  // namespace
}  // namespace orvalto
