// Which endpoint answers: the newer first, the older only after a negative
// answer, both for the customer query, and never the older after an error
// of the newer.
#include "registro_fixture.h"

#include "base/scramble.h"

#include <QJsonArray>

namespace orvalto::test {
namespace {

// One customer per endpoint, told apart by their codes.
QJsonObject clientes(const char* novo, const char* antigo) {
  QJsonObject s = scenario("{ 'endpoints': { 'newer': {}, 'older': {} } }");
  QJsonObject endpoints = s["endpoints"].toObject();
  const auto lista = [](const char* momento, const char* codigo) {
    if (!momento) return QJsonArray();
    return QJsonArray{QJsonObject{{"CodCliente", codigo}, {"CGCCPF", "123"}, {"DataUltimaConsulta", momento}}};
  };
  endpoints["newer"] = QJsonObject{{"customers", lista(novo, "NOVO")}};
  endpoints["older"] = QJsonObject{{"customers", lista(antigo, "ANTIGO")}};
  s["endpoints"] = endpoints;
  return s;
}

struct Escolha {
  const char* name;
  const char* novo;    // DataUltimaConsulta of the newer endpoint's record; null: no record
  const char* antigo;  // the same for the older endpoint
  const char* vence;   // CodCliente of the answer; null: no record
};

void PrintTo(const Escolha& e, std::ostream* out) { *out << e.name; }

class FInfoClienteEscolha : public RegistroTest, public ::testing::WithParamInterface<Escolha> {};

TEST_P(FInfoClienteEscolha, KeepsTheMoreRecentAnswer) {
  const Escolha& e = GetParam();
  startSim(clientes(e.novo, e.antigo));
  const std::optional<TInfoCliente> c = configured()->FInfoCliente("123");
  if (!e.vence) {
    EXPECT_FALSE(c.has_value());
  } else {
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->CodCliente(), e.vence);
  }
  EXPECT_EQ(sim_->soapCalls("newer", "FInfoCliente").size(), 1);
  EXPECT_EQ(sim_->soapCalls("older", "FInfoCliente").size(), 1) << "both endpoints are always asked";
}

INSTANTIATE_TEST_SUITE_P(
    Registro, FInfoClienteEscolha,
    ::testing::Values(Escolha{"only_newer", "2025-01-10T08:00:00", nullptr, "NOVO"},
                      Escolha{"only_older", nullptr, "2025-01-10T08:00:00", "ANTIGO"},
                      Escolha{"older_later", "2025-01-10T08:00:00", "2025-01-10T08:00:01", "ANTIGO"},
                      Escolha{"newer_later", "2025-01-11T08:00:00", "2025-01-10T23:59:59", "NOVO"},
                      Escolha{"same_moment", "2025-01-10T08:00:00", "2025-01-10T08:00:00", "NOVO"},
                      // The same instant written with two offsets is a tie.
                      Escolha{"same_instant_other_offset", "2025-01-10T11:00:00Z", "2025-01-10T08:00:00-03:00", "NOVO"},
                      Escolha{"neither", nullptr, nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistroTest, FComunicaFallsBackOnlyOnFalse) {
  startSim(scenario("{ 'endpoints': { 'newer': { 'operations': { 'FComunica': { 'result': false } } } } }"));
  auto ws = configured();
  EXPECT_TRUE(ws->FComunica()) << "the older endpoint's answer is the result";
  EXPECT_EQ(sim_->soapCalls("newer", "FComunica").size(), 1);
  EXPECT_EQ(sim_->soapCalls("older", "FComunica").size(), 1);

  sim_->setScenario(
      scenario("{ 'endpoints': { 'newer': { 'operations': { 'FComunica': { 'result': false } } },"
               "                 'older': { 'operations': { 'FComunica': { 'result': false } } } } }"));
  EXPECT_FALSE(ws->FComunica());
}

// An error of the newer endpoint ends the operation: the older one is not
// asked, whatever the operation.
class NewerEndpointError : public RegistroTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(NewerEndpointError, NeverFallsBack) {
  const QString op = GetParam();
  startSim(scenario(R"({ 'customers': [ { 'CGCCPF': '123' } ], 'parametros': {},
    'endpoints': { 'newer': { 'operations': {
      'FComunica': { 'fault': 'Banco indisponível' }, 'FInfoCliente': { 'fault': 'Banco indisponível' },
      'FNovasAtualizacoes': { 'fault': 'Banco indisponível' }, 'FAtualizaDadosCliente': { 'fault': 'Banco indisponível' },
      'FConfirmaAtualizacao': { 'fault': 'Banco indisponível' },
      'FParametrosAtualizacao': { 'httpStatus': 503 } } } } })"));
  auto ws = configured();
  try {
    if (op == "FComunica") ws->FComunica();
    if (op == "FInfoCliente") ws->FInfoCliente("123");
    if (op == "FNovasAtualizacoes") ws->FNovasAtualizacoes("123");
    if (op == "FAtualizaDadosCliente") ws->FAtualizaDadosCliente(TInfoCliente());
    if (op == "FConfirmaAtualizacao") ws->FConfirmaAtualizacao({});
    if (op == "FParametrosAtualizacao") ws->FParametrosAtualizacao();
    ADD_FAILURE() << "the error was swallowed";
  } catch (const WebServiceError& e) {
    if (op == "FParametrosAtualizacao")
      EXPECT_TRUE(QString(e.what()).contains("Service Unavailable")) << e.what();
    else
      EXPECT_EQ(QString(e.what()), "Banco indisponível");
  }
  EXPECT_EQ(sim_->soapCalls("newer", op).size(), 1);
  EXPECT_TRUE(sim_->soapCalls("older").isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Registro, NewerEndpointError,
                         ::testing::Values("FComunica", "FInfoCliente", "FNovasAtualizacoes", "FAtualizaDadosCliente",
                                           "FConfirmaAtualizacao", "FParametrosAtualizacao"));

TEST_F(RegistroTest, AnErrorOfTheOlderEndpointFailsTheCustomerQuery) {
  startSim(scenario(R"({ 'customers': [ { 'CGCCPF': '123' } ],
    'endpoints': { 'older': { 'operations': { 'FInfoCliente': { 'fault': 'Fora do ar' } } } } })"));
  auto ws = configured();
  EXPECT_THROW(ws->FInfoCliente("123"), WebServiceError) << "the newer endpoint's record is not enough";
}

TEST_F(RegistroTest, RefusedCredentialsOfTheNewerEndpointAreAnError) {
  startSim(scenario("{ 'endpoints': { 'newer': { 'user': 'wzq', 'password': 'segredo' } } }"));
  setParalogin({{"USUARIOWEBSERVICEWZQ", "wzq"}, {"SENHAWEBSERVICEWZQ", cifra("errada", kChaveServico)}});
  auto ws = configured();
  EXPECT_THROW(ws->FComunica(), WebServiceError);
  EXPECT_TRUE(sim_->soapCalls("older").isEmpty());

  setParalogin({{"SENHAWEBSERVICEWZQ", cifra("segredo", kChaveServico)}});
  PConfiguraServicos(*ws, *db_, exeDir_.path());
  EXPECT_TRUE(ws->FComunica()) << "the stored password is unscrambled with the service key";
  const QJsonArray calls = sim_->soapCalls("newer", "FComunica");
  ASSERT_EQ(calls.size(), 1);
  EXPECT_EQ(calls[0]["user"].toString(), "wzq");
}

}  // namespace
}  // namespace orvalto::test
