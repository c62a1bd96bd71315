// What PConfiguraServicos makes of PARALOGIN and Atualizador.ini, and how
// the bindings reach the endpoints: built-in values, an empty newer
// address, proxy, credentials, HTTPS, time limits and re-entrant events.
#include "registro_fixture.h"

#include "base/scramble.h"
#include "https_server.h"
#include "loopback_proxy.h"
#include "services/fontes_permitidas.h"
#include "services/fornecedor.h"
#include "services/http_transport.h"
#include "support/files.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QTcpServer>
#include <QTimer>

namespace orvalto::test {
namespace {

void writeAtualizadorIni(const QString& folder, const QByteArray& text) {
  writeFile(folder + "/Atualizador.ini", text);
}

quint16 closedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();  // closed again when `probe` goes
}

TEST_F(RegistroTest, WithoutTheLinkColumnTheMakersValuesBindTheNewerEndpoint) {
  testdb::Options options;
  options.withLinkWebService = false;
  recreateDatabase(options);
  auto ws = configured();
  const Fornecedor padrao = fornecedorPadrao();
  ASSERT_NE(ws->bindingNovo(), nullptr);
  EXPECT_EQ(ws->bindingNovo()->wsdlLocation(), padrao.RegistroURL + "/IRegistroPort?wsdl");
  EXPECT_TRUE(padrao.RegistroURL.endsWith(":2020/WebRegistro/services"));
  EXPECT_EQ(ws->bindingNovo()->httpOptions().userName.size(), 13);
  EXPECT_EQ(padrao.RegistroSenha.size(), 64);
  EXPECT_EQ(ws->bindingNovo()->httpOptions().password, FDecifraSenhaServico(padrao.RegistroSenha));
  EXPECT_LE(ws->bindingNovo()->httpOptions().password.size(), 32);
  EXPECT_FALSE(ws->bindingNovo()->httpOptions().password.isEmpty());

  startSim(scenario("{ 'endpoints': { 'newer': { 'user': 'wzq', 'password': 'segredo' } } }"));
  writeAtualizadorIni(exeDir_.path(), "[Fornecedor]\r\nRegistroURL=" + sim_->newerBase().toUtf8() +
                                          "\r\nRegistroUsuario=wzq\r\nRegistroSenha=" +
                                          cifra("segredo", kChaveServico).toUtf8() + "\r\n");
  ws = configured();
  EXPECT_TRUE(ws->FComunica());
  const QJsonArray calls = sim_->soapCalls("newer", "FComunica");
  ASSERT_EQ(calls.size(), 1);
  EXPECT_EQ(calls[0]["user"].toString(), "wzq");
  EXPECT_TRUE(sim_->soapCalls("older").isEmpty());
}

TEST_F(RegistroTest, AnEmptyNewerAddressFailsEveryOperationAndNeverAsksTheOlder) {
  startSim(scenario("{ 'customers': [ { 'CGCCPF': '123' } ], 'parametros': {} }"));
  setParalogin({{"LINKWEBSERVICEWZQ", ""}});
  auto ws = configured();
  EXPECT_EQ(ws->bindingNovo()->wsdlLocation(), "/IRegistroPort?wsdl");
  const std::function<void()> operacoes[] = {
      [&] { ws->FComunica(); },
      [&] { ws->FInfoCliente("123"); },
      [&] { ws->FNovasAtualizacoes("123"); },
      [&] { ws->FAtualizaDadosCliente(TInfoCliente()); },
      [&] { ws->FConfirmaAtualizacao({}); },
      [&] { ws->FParametrosAtualizacao(); },
  };
  for (const auto& operacao : operacoes) {
    try {
      operacao();
      ADD_FAILURE() << "an operation succeeded without a description";
    } catch (const WebServiceError& e) {
      EXPECT_TRUE(QString(e.what()).contains("\"/IRegistroPort?wsdl\"")) << e.what();
    }
  }
  EXPECT_TRUE(sim_->requests().isEmpty()) << "nothing reached either endpoint";
}

TEST_F(RegistroTest, LowerCaseProxyFlagMeansNoProxy) {
  startSim(scenario("{ 'endpoints': { 'newer': { 'operations': { 'FComunica': { 'result': false } } } } }"));
  const QString porta = QString::number(closedPort());
  setParalogin({{"UTILIZAPROXY", "s"}, {"PROXY", "127.0.0.1"}, {"PORTAPROXY", porta}});
  auto ws = configured();
  EXPECT_TRUE(ws->HTTPRIO().httpOptions().proxy.isEmpty());
  EXPECT_TRUE(ws->FComunica()) << "the older endpoint is reached directly";
  EXPECT_EQ(sim_->soapCalls("older", "FComunica").size(), 1);

  setParalogin({{"UTILIZAPROXY", "S"}});
  ws = configured();
  EXPECT_EQ(ws->HTTPRIO().httpOptions().proxy, "127.0.0.1:" + porta);
  EXPECT_THROW(ws->FComunica(), WebServiceError) << "a proxy that does not answer fails the older endpoint";
}

TEST_F(RegistroTest, TheOlderEndpointGoesThroughTheProxyWithItsCredentials) {
  startSim(scenario("{ 'endpoints': { 'newer': { 'operations': { 'FComunica': { 'result': false } } } } }"));
  LoopbackProxy proxy("proxyuser", "proxypass");
  setParalogin({{"UTILIZAPROXY", "S"},
                {"PROXY", "127.0.0.1"},
                {"PORTAPROXY", QString::number(proxy.port())},
                {"AUTENTICACAOPROXY", "S"},
                {"USUARIOPROXY", "proxyuser"},
                {"SENHAPROXY", cifra("proxypass", kChaveServico)}});
  auto ws = configured();
  EXPECT_TRUE(ws->FComunica());
  const QString older = sim_->baseUrl();
  EXPECT_TRUE(proxy.requestLines().contains("GET " + older + "/webRegistro.exe/wsdl/IRegistro HTTP/1.1"))
      << proxy.requestLines().join(" | ").toStdString();
  EXPECT_TRUE(proxy.requestLines().contains("POST " + older + "/webRegistro.exe/soap/IRegistro HTTP/1.1"));
  EXPECT_TRUE(proxy.proxyAuthorizations().contains("Basic " + QByteArray("proxyuser:proxypass").toBase64()));
  for (const QString& line : proxy.requestLines())
    EXPECT_FALSE(line.contains("/WebRegistro/services")) << "the newer binding has no proxy";
  EXPECT_EQ(sim_->soapCalls("newer", "FComunica").size(), 1);
}

// The proxy's account is the proxy's alone: a server that asks for
// credentials, reached directly or through the proxy, never gets it.
TEST_F(RegistroTest, ProxyCredentialsNeverGoToTheServer) {
  startSim(scenario(R"({ 'endpoints': { 'older': { 'user': 'proxyuser', 'password': 'proxypass' },
                                        'newer': { 'operations': { 'FComunica': { 'result': false } } } } })"));
  LoopbackProxy proxy("proxyuser", "proxypass");
  for (const char* usaProxy : {"N", "S"}) {
    setParalogin({{"UTILIZAPROXY", usaProxy},
                  {"PROXY", "127.0.0.1"},
                  {"PORTAPROXY", QString::number(proxy.port())},
                  {"AUTENTICACAOPROXY", "S"},
                  {"USUARIOPROXY", "proxyuser"},
                  {"SENHAPROXY", cifra("proxypass", kChaveServico)}});
    auto ws = configured();
    EXPECT_ANY_THROW(ws->FComunica()) << "the older endpoint refuses the call";
    EXPECT_TRUE(sim_->soapCalls("older").isEmpty());
    bool pediu = false;
    for (const QJsonValue& r : sim_->requests()) {
      EXPECT_TRUE(r["user"].toString().isEmpty()) << "credentials reached the server";
      pediu |= r["authorized"] == false;
    }
    EXPECT_TRUE(pediu) << "the server asked for credentials";
    sim_->reset();
  }
  EXPECT_TRUE(proxy.proxyAuthorizations().contains("Basic " + QByteArray("proxyuser:proxypass").toBase64()));
}

TEST_F(RegistroTest, AMissingColumnEndsTheConfigurationOnlyWhereItIsRead) {
  db_->execute("ALTER TABLE PARALOGIN DROP PROXY");
  setParalogin({{"UTILIZAPROXY", "N"}});
  EXPECT_NO_THROW(configured()) << "PROXY is read only when the proxy is used";
  setParalogin({{"UTILIZAPROXY", "S"}});
  try {
    configured();
    ADD_FAILURE() << "configured without PROXY";
  } catch (const WebServiceError& e) {
    EXPECT_EQ(QString(e.what()), "qryPesquisa: Field 'PROXY' not found");
  }
  setParalogin({{"UTILIZAPROXY", "N"}});
  db_->execute("ALTER TABLE PARALOGIN DROP SENHAWEBSERVICEWZQ");
  EXPECT_THROW(configured(), WebServiceError) << "with LINKWEBSERVICEWZQ its password column must exist";
}

TEST_F(RegistroTest, WithoutASettingsRowTheAddressesAreTheSuffixes) {
  db_->execute("DELETE FROM PARALOGIN");
  auto ws = configured();
  EXPECT_EQ(ws->HTTPRIO().wsdlLocation(), "/webRegistro.exe/wsdl/IRegistro");
  EXPECT_EQ(ws->bindingNovo()->wsdlLocation(), "/IRegistroPort?wsdl");
  EXPECT_THROW(ws->FComunica(), WebServiceError);
}

TEST_F(RegistroTest, ConfiguringAgainReadsTheSettingsAgain) {
  startSim({});
  const QString link = sim_->newerBase();
  setParalogin({{"LINKWEBSERVICEWZQ", ""}});
  auto ws = configured();
  EXPECT_THROW(ws->FComunica(), WebServiceError);
  setParalogin({{"LINKWEBSERVICEWZQ", link}});
  PConfiguraServicos(*ws, *db_, exeDir_.path());
  EXPECT_TRUE(ws->FComunica());
}

TEST_F(RegistroTest, HttpsCertificateErrorsAreIgnored) {
  SelfSignedHttpsServer server;
  const QString base = QString("https://127.0.0.1:%1").arg(server.port());
  server.getBody =
      "<definitions xmlns=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\">"
      "<service name=\"IRegistroservice\"><port name=\"IRegistroPort\"><soap:address location=\"" +
      base.toUtf8() + "/IRegistroPort\"/></port></service></definitions>";
  server.postBody =
      "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
      "<n:FComunicaResponse xmlns:n=\"urn:URegistroIntf-IRegistro\"><return>true</return></n:FComunicaResponse>"
      "</e:Body></e:Envelope>";
  setParalogin({{"LINKWEBSERVICEWZQ", base}});
  EXPECT_TRUE(configured()->FComunica());
  EXPECT_EQ(server.answered, 2);
}

TEST_F(RegistroTest, ASilentServerEndsTheCallAtTheTimeLimit) {
  startSim(scenario("{ 'endpoints': { 'newer': { 'operations': { 'FComunica': { 'delayMs': 2500 } } } } }"));
  TDmWebService ws;
  ws.setTempoLimiteMs(500);
  PConfiguraServicos(ws, *db_, exeDir_.path());
  try {
    ws.FComunica();
    ADD_FAILURE() << "answered";
  } catch (const WebServiceError& e) {
    EXPECT_TRUE(QString(e.what()).startsWith("Tempo esgotado")) << e.what();
  }
}

// Events handled while a call waits may release the shared instance and
// configure a new one; the call in progress finishes on its own bindings.
TEST_F(RegistroTest, EventsDuringACallMayReleaseAndReconfigureTheSharedClient) {
  startSim(scenario("{ 'endpoints': { 'newer': { 'operations': { 'FComunica': { 'delayMs': 1500 } } } } }"));
  SharedWebService shared;
  std::shared_ptr<TDmWebService> ws = shared.acquire();
  EXPECT_EQ(shared.acquire(), ws) << "one instance while the reference holds it";
  PConfiguraServicos(*ws, *db_, exeDir_.path());
  std::shared_ptr<TDmWebService> outro;
  bool nestedAnswer = false;
  QTimer::singleShot(200, [&] {
    shared.release();
    outro = shared.acquire();
    PConfiguraServicos(*ws, *db_, exeDir_.path());
    sim_->setScenario({});
    PConfiguraServicos(*outro, *db_, exeDir_.path());
    nestedAnswer = outro->FComunica();
  });
  EXPECT_TRUE(ws->FComunica());
  EXPECT_TRUE(nestedAnswer) << "the nested call ran inside the outer one's wait";
  EXPECT_NE(outro, ws);
  EXPECT_EQ(shared.current(), outro);
  shared.release();
  EXPECT_EQ(shared.current(), nullptr);
}

// When the program is told to end, every event loop leaves, the wait for
// an answer too: the exchange cut short is a failure, not an answer.
TEST_F(RegistroTest, TheProgramsEndDuringACallFailsIt) {
  startSim(scenario("{ 'endpoints': { 'newer': { 'operations': { 'FComunica': { 'delayMs': 1500 } } } } }"));
  auto ws = configured();
  QTimer::singleShot(300, [] { QCoreApplication::exit(); });
  try {
    ws->FComunica();
    ADD_FAILURE() << "answered";
  } catch (const WebServiceError& e) {
    EXPECT_TRUE(QString(e.what()).contains("interrompida")) << e.what();
  }
  // Event loops run again only after the application's own loop has run.
  QTimer::singleShot(0, [] { QCoreApplication::exit(); });
  QCoreApplication::exec();
  EXPECT_TRUE(sim_->soapCalls("older").isEmpty());
}

TEST(FDecifraSenhaServico, UsesTheServiceKey) {
  EXPECT_EQ(FDecifraSenhaServico(""), "");
  const QString stored = cifra("segredo", kChaveServico);
  EXPECT_EQ(FDecifraSenhaServico(stored), "segredo");
  EXPECT_NE(FDecifraSenha(stored), "segredo") << "the connection key is another";
  EXPECT_EQ(FDecifraSenhaServico(stored + "K"), "segredo") << "an odd last character ends the text";
}

TEST(Fornecedor, AtualizadorIniReplacesTheKeysItHas) {
  QTemporaryDir dir;
  const Fornecedor padrao = fornecedorPadrao();
  EXPECT_EQ(lerFornecedor(dir.path()).RegistroURL, padrao.RegistroURL) << "no file: the built-in values";
  EXPECT_EQ(padrao.SmtpPorta, 25);
  writeAtualizadorIni(dir.path(),
                      "[fornecedor]\r\nregistrourl=http://127.0.0.1:1/x\r\nSmtpPorta=2525\r\nEmailSuporte=\r\n"
                      "AutoAtualizacaoURL=http://127.0.0.1:1/downloadsversao/Orvalto.rar\r\n"
                      "[Outra]\r\nSmtpHost=nao.deve.valer\r\n");
  const Fornecedor f = lerFornecedor(dir.path());
  EXPECT_EQ(f.RegistroURL, "http://127.0.0.1:1/x");
  EXPECT_EQ(f.SmtpPorta, 2525);
  EXPECT_EQ(f.EmailSuporte, "") << "a present key wins even when empty";
  EXPECT_EQ(f.AutoAtualizacaoURL, "http://127.0.0.1:1/downloadsversao/Orvalto.rar");
  EXPECT_EQ(f.SmtpHost, padrao.SmtpHost);
  EXPECT_EQ(f.RegistroUsuario, padrao.RegistroUsuario);
  writeAtualizadorIni(dir.path(), "[Fornecedor]\r\nSmtpPorta=vinte\r\n");
  EXPECT_EQ(lerFornecedor(dir.path()).SmtpPorta, 25);
}

TEST(FontesPermitidas, TheMakersDomainAndTheServersOfAtualizadorIniUnlessTheListSaysOtherwise) {
  QTemporaryDir dir;
  const auto permite = [&](const QString& url) {
    return FontesPermitidas::daInstalacao(dir.path()).motivoRecusa(QUrl(url)).isEmpty();
  };
  const Fornecedor padrao = fornecedorPadrao();
  for (const QString& url : {padrao.RegistroURL, padrao.AutoAtualizacaoURL, padrao.LogoURL})
    EXPECT_TRUE(permite(url)) << url.toStdString();
  EXPECT_TRUE(permite("https://DOWNLOAD.Orvalto.com.br./x.rar"));
  for (const char* url :
       {"http://evilorvalto.com.br/x", "http://orvalto.com.br@evil.test/x", "ftp://download.orvalto.com.br/x",
        "file:///var/lib/ORVALTO.FDB", "http://127.0.0.1/x", "x.rar"})
    EXPECT_FALSE(permite(url)) << url;

  writeAtualizadorIni(dir.path(),
                      "[Fornecedor]\r\nRegistroURL=http://10.0.0.5:8080/ws\r\nSmtpHost=mail.cliente.test\r\n");
  for (const char* url :
       {"http://10.0.0.5/x", "http://[::ffff:10.0.0.5]/x", "http://mail.cliente.test/x", "http://www.orvalto.com.br/"})
    EXPECT_TRUE(permite(url)) << url;
  EXPECT_FALSE(permite("http://10.0.0.6/x"));

  // The list replaces the rule, the maker's domain included.
  writeAtualizadorIni(dir.path(), "[Seguranca]\r\nHostsPermitidos= espelho.test, *.cliente.test,::1\r\n");
  for (const char* url : {"http://espelho.test/x", "http://a.b.cliente.test/x", "http://[::1]:8080/x"})
    EXPECT_TRUE(permite(url)) << url;
  for (const char* url : {"http://cliente.test/x", "http://download.orvalto.com.br/x", "http://127.0.0.1/x"})
    EXPECT_FALSE(permite(url)) << url;
}

// A web service address outside the allowed sources is never contacted:
// the call fails with the address and the reason.
TEST_F(RegistroTest, AWebServiceOutsideTheAllowedSourcesIsNeverContacted) {
  startSim({});
  HttpTransport http;
  const QString wsdl = QString("http://localhost:%1/qualquer?wsdl").arg(sim_->httpPort());
  const HttpResult r = http.get(QUrl(wsdl));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Endereço recusado: " + wsdl + " (servidor \"localhost\" fora de HostsPermitidos)");
  const HttpResult p = http.post(QUrl("file:///etc/passwd"), "x", {});
  EXPECT_FALSE(p.ok);
  EXPECT_TRUE(p.errorText.startsWith("Endereço recusado: file:///etc/passwd")) << p.errorText.toStdString();
  EXPECT_EQ(sim_->requests().size(), 0);
}

}  // namespace
}  // namespace orvalto::test
