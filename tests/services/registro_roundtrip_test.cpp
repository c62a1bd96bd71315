// Every registration operation against the simulator, in the maker's
// multi-reference style and in the inline style, through the newer
// endpoint and, when the newer one answers negatively, the older one.
#include "registro_fixture.h"

#include "services/soap_value.h"
#include "services/versoes_clientes_intf.h"

#include <QJsonArray>

namespace orvalto::test {
namespace {

const char* const kClientes = R"({
  'customers': [ {
    'CodCliente': '000123', 'CGCCPF': '12345678000199', 'BackupAutomatico': true, 'QuantidadeBackup': 3,
    'LimiteVersoesAnteriores': '5', 'AtualizaVersao': true,
    'DataUltimaConsulta': '2025-01-10T08:00:00.000-03:00', 'Data_Agendamento': '2025-01-20T00:00:00',
    'Hora_Agendamento': '22:30',
    'ListaModulos': [
      { 'CodCliente': '000123', 'CodSistema': 'PDV', 'AtualizaVersao': true, 'VersaoAtual': '23.1',
        'TipoVersaoAtual': 'R', 'DataUltimaAtualizacao': '2024-12-01T10:00:00', 'VersaoDisponivel': '23.2',
        'TipoVersaoDisponivel': 'R', 'LinkDownload': 'http://x/pacotes/PDV.rar?v=1&t=2' },
      { 'CodCliente': '000123', 'CodSistema': 'RET', 'LinkDownload': '' } ] },
    { 'CodCliente': '', 'CGCCPF': '98765432000100', 'QuantidadeBackup': 1 } ],
  'parametros': { 'CaminhoOrvalto': 'http://x/O.rar', 'CaminhoAtualizadorBD': 'http://x/Atualizador BD.rar' }
})";

TInfoCliente clienteEsperado() {
  TInfoCliente c;
  c.setCodCliente("000123");
  c.CGCCPF = "12345678000199";
  c.BackupAutomatico = true;
  c.QuantidadeBackup = 3;
  c.LimiteVersoesAnteriores = "5";
  c.AtualizaVersao = true;
  c.DataUltimaConsulta = QDateTime::fromString("2025-01-10T11:00:00Z", Qt::ISODate);
  c.Data_Agendamento = QDateTime(QDate(2025, 1, 20), QTime(0, 0));
  c.Hora_Agendamento = "22:30";
  TInfoModulo pdv;
  pdv.CodCliente = "000123";
  pdv.CodSistema = "PDV";
  pdv.AtualizaVersao = true;
  pdv.VersaoAtual = "23.1";
  pdv.TipoVersaoAtual = "R";
  pdv.DataUltimaAtualizacao = QDateTime(QDate(2024, 12, 1), QTime(10, 0));
  pdv.VersaoDisponivel = "23.2";
  pdv.TipoVersaoDisponivel = "R";
  pdv.LinkDownload = "http://x/pacotes/PDV.rar?v=1&t=2";
  TInfoModulo ret;
  ret.CodCliente = "000123";
  ret.CodSistema = "RET";
  // The simulator sends a left-out date as the zero date.
  ret.DataUltimaAtualizacao = QDateTime(QDate(1899, 12, 30), QTime(0, 0));
  c.ListaModulos = {pdv, ret};
  return c;
}

void expectCliente(const std::optional<TInfoCliente>& got, const TInfoCliente& want) {
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->CodCliente(), want.CodCliente());
  EXPECT_EQ(got->CGCCPF, want.CGCCPF);
  EXPECT_EQ(got->BackupAutomatico, want.BackupAutomatico);
  EXPECT_EQ(got->QuantidadeBackup, want.QuantidadeBackup);
  EXPECT_EQ(got->LimiteVersoesAnteriores, want.LimiteVersoesAnteriores);
  EXPECT_EQ(got->AtualizaVersao, want.AtualizaVersao);
  EXPECT_EQ(got->DataUltimaConsulta, want.DataUltimaConsulta);
  EXPECT_EQ(got->Data_Agendamento, want.Data_Agendamento);
  EXPECT_EQ(got->Hora_Agendamento, want.Hora_Agendamento);
  ASSERT_EQ(got->ListaModulos.size(), want.ListaModulos.size());
  for (qsizetype i = 0; i < want.ListaModulos.size(); ++i)
    EXPECT_TRUE(got->ListaModulos[i] == want.ListaModulos[i]) << "module " << i;
}

// The record as the simulator read it from our request.
void expectSentCliente(const QJsonObject& sent, const TInfoCliente& want) {
  EXPECT_EQ(sent["CodCliente"].toString(), want.CodCliente());
  EXPECT_EQ(sent["CGCCPF"].toString(), want.CGCCPF);
  EXPECT_EQ(sent["BackupAutomatico"].toString(), want.BackupAutomatico ? "true" : "false");
  EXPECT_EQ(sent["QuantidadeBackup"].toString(), QString::number(want.QuantidadeBackup));
  EXPECT_EQ(sent["LimiteVersoesAnteriores"].toString(), want.LimiteVersoesAnteriores);
  EXPECT_EQ(parseXsdDateTime(sent["DataUltimaConsulta"].toString()), want.DataUltimaConsulta);
  EXPECT_EQ(parseXsdDateTime(sent["Data_Agendamento"].toString()), want.Data_Agendamento);
  EXPECT_EQ(sent["Hora_Agendamento"].toString(), want.Hora_Agendamento);
  const QJsonArray modulos = sent["ListaModulos"].toArray();
  ASSERT_EQ(modulos.size(), want.ListaModulos.size());
  for (qsizetype i = 0; i < modulos.size(); ++i) {
    EXPECT_EQ(modulos[i]["CodSistema"].toString(), want.ListaModulos[i].CodSistema);
    EXPECT_EQ(modulos[i]["LinkDownload"].toString(), want.ListaModulos[i].LinkDownload);
  }
}

QJsonObject withStyles(QJsonObject s, const QString& style, const QJsonObject& newer = {}) {
  QJsonObject novo = newer;
  novo["style"] = style;
  s["endpoints"] = QJsonObject{{"older", QJsonObject{{"style", style}}}, {"newer", novo}};
  return s;
}

class RegistroRoundTrip : public RegistroTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // Runs every operation and checks what came back and what was sent to
  // `endpoint`.
  void everyOperation(const QString& endpoint);
};

void RegistroRoundTrip::everyOperation(const QString& endpoint) {
  auto ws = configured();
  EXPECT_TRUE(ws->FComunica());
  expectCliente(ws->FInfoCliente("12345678000199"), clienteEsperado());
  expectCliente(ws->FNovasAtualizacoes("12345678000199"), clienteEsperado());
  EXPECT_EQ(ws->FNovasAtualizacoes("98765432000100")->CodCliente(), "00000000");
  EXPECT_FALSE(ws->FNovasAtualizacoes("00000000000000").has_value()) << "an unknown tax number is no record";
  const std::optional<TParamAtualizador> p = ws->FParametrosAtualizacao();
  ASSERT_TRUE(p.has_value());
  EXPECT_EQ(p->CaminhoOrvalto, "http://x/O.rar");
  EXPECT_EQ(p->CaminhoAtualizadorBD, "http://x/Atualizador BD.rar");

  TInfoCliente enviado = clienteEsperado();
  enviado.CGCCPF = "11.222.333/0001-44 & <filial>";
  enviado.Hora_Agendamento = "00:15";
  EXPECT_TRUE(ws->FAtualizaDadosCliente(enviado));
  const QJsonArray atualiza = sim_->soapCalls(endpoint, "FAtualizaDadosCliente");
  ASSERT_EQ(atualiza.size(), 1);
  expectSentCliente(atualiza[0]["parameters"]["VInfoCliente"].toObject(), enviado);
  EXPECT_EQ(atualiza[0]["types"]["VInfoCliente"].toString(), "{urn:UClassInfoCliente}TInfoCliente");
  EXPECT_EQ(atualiza[0]["soapAction"].toString(), "\"urn:URegistroIntf-IRegistro#FAtualizaDadosCliente\"");
  EXPECT_EQ(atualiza[0]["contentType"].toString(), "text/xml; charset=utf-8");
  EXPECT_EQ(atualiza[0]["namespace"].toString(), "urn:URegistroIntf-IRegistro");

  TInfoModulo a, b;
  a.CodCliente = "000123";
  a.CodSistema = "PDV";
  b.CodCliente = "000123";
  b.CodSistema = "RET";
  EXPECT_TRUE(ws->FConfirmaAtualizacao({a, b}));
  const QJsonArray confirma = sim_->soapCalls(endpoint, "FConfirmaAtualizacao");
  ASSERT_EQ(confirma.size(), 1);
  const QJsonArray modulos = confirma[0]["parameters"]["VModulosAtualizados"].toArray();
  ASSERT_EQ(modulos.size(), 2);
  EXPECT_EQ(modulos[0]["CodSistema"].toString(), "PDV");
  EXPECT_EQ(modulos[1]["CodSistema"].toString(), "RET");
  EXPECT_EQ(modulos[1]["CodCliente"].toString(), "000123");
  EXPECT_EQ(confirma[0]["types"]["VModulosAtualizados"].toString(), "{urn:UClassInfoModulo}TInfoModulo[2]");

  const QJsonArray info = sim_->soapCalls(endpoint, "FInfoCliente");
  ASSERT_FALSE(info.isEmpty());
  EXPECT_EQ(info[0]["parameters"]["VCGCCPF"].toString(), "12345678000199");
  EXPECT_EQ(info[0]["types"]["VCGCCPF"].toString(), "{http://www.w3.org/2001/XMLSchema}string");
}

TEST_P(RegistroRoundTrip, ThroughTheNewerEndpoint) {
  startSim(withStyles(scenario(kClientes), GetParam()));
  everyOperation("newer");
  EXPECT_TRUE(sim_->soapCalls("older", "FComunica").isEmpty()) << "a positive answer is not asked twice";
  // The endpoint comes from the description's port of that exact name,
  // though another port of the service is listed first.
  const QJsonArray calls = sim_->soapCalls("newer");
  ASSERT_FALSE(calls.isEmpty());
  for (const QJsonValue& call : calls) EXPECT_EQ(call["path"].toString(), "/WebRegistro/services/IRegistroPort");
}

TEST_P(RegistroRoundTrip, ThroughTheOlderEndpointWhenTheNewerAnswersNegatively) {
  const QJsonObject negative = scenario(R"({
    'customers': [], 'parametros': null,
    'operations': { 'FComunica': { 'result': false }, 'FAtualizaDadosCliente': { 'result': false },
                    'FConfirmaAtualizacao': { 'result': false } } })");
  startSim(withStyles(scenario(kClientes), GetParam(), negative));
  everyOperation("older");
  for (const char* op :
       {"FComunica", "FNovasAtualizacoes", "FParametrosAtualizacao", "FAtualizaDadosCliente", "FConfirmaAtualizacao"})
    EXPECT_FALSE(sim_->soapCalls("newer", op).isEmpty()) << op << ": the newer endpoint is asked first";
  const QJsonArray calls = sim_->soapCalls("older");
  ASSERT_FALSE(calls.isEmpty());
  EXPECT_EQ(calls[0]["path"].toString(), "/webRegistro.exe/soap/IRegistro");
}

INSTANTIATE_TEST_SUITE_P(Estilos, RegistroRoundTrip, ::testing::Values("multiref", "inline"));

TEST_F(RegistroTest, DeclaredOperationsAndTheVersionHistoryServiceTravel) {
  startSim(scenario(kClientes));
  auto novo = std::make_shared<SoapBinding>();
  novo->setWsdl(sim_->newerBase() + "/IRegistroPort?wsdl", kServicoRegistro, kPortaRegistro);
  IRegistroSacWZQ registro(novo);
  EXPECT_TRUE(registro.GravaClienteVersoesSrvCab("000123", "12345678000199"));
  EXPECT_TRUE(registro.CancelarAgendamentoCliente(clienteEsperado()));
  const QJsonArray grava = sim_->soapCalls("newer", "GravaClienteVersoesSrvCab");
  ASSERT_EQ(grava.size(), 1);
  EXPECT_EQ(grava[0]["parameters"]["pCGCCPF"].toString(), "12345678000199");
  const QJsonArray cancela = sim_->soapCalls("newer", "CancelarAgendamentoCliente");
  ASSERT_EQ(cancela.size(), 1);
  expectSentCliente(cancela[0]["parameters"]["VInfoCliente"].toObject(), clienteEsperado());

  auto historico = std::make_shared<SoapBinding>();
  historico->setWsdl(sim_->historyWsdlUrl(), kServicoVersoesClientes, kPortaVersoesClientes);
  IwebVersoesClientes versoes(historico);
  EXPECT_TRUE(versoes.SincronizaVersao("000123", "ATZ", "V.23.07AD0", "SERVIDOR"));
  EXPECT_TRUE(versoes.SincronizaIdBd("2025.01.10", "42", "000123"));
  const QJsonArray sincroniza = sim_->soapCalls("history");
  ASSERT_EQ(sincroniza.size(), 2);
  EXPECT_EQ(sincroniza[0]["operation"].toString(), "SincronizaVersao");
  EXPECT_EQ(sincroniza[0]["parameters"]["pMaquina"].toString(), "SERVIDOR");
  EXPECT_EQ(sincroniza[0]["parameters"]["pVersao"].toString(), "V.23.07AD0");
  EXPECT_EQ(sincroniza[1]["operation"].toString(), "SincronizaIdBd");
  EXPECT_EQ(sincroniza[1]["soapAction"].toString(),
            "\"urn:webVersoesClientesIntf-IwebVersoesClientes#SincronizaVersao\"")
      << "one fixed action for every operation of the history service";
}

}  // namespace
}  // namespace orvalto::test
