#include "base/version.h"
#include "support/engine_fixture.h"
#include "support/product_db.h"
#include "support/qt_app.h"
#include "support/relogio_fixo.h"
#include "support/vendor_sim.h"
#include "update/envio_versao_diaria.h"
#include "update/transmite_versao_cliente.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

struct RelatorioVersao : ::testing::Test, EngineFixture {
  QJsonObject cenario;
  std::unique_ptr<VendorSim> sim;
  RelogioFixo relogio{QDateTime(QDate(2025, 12, 8), QTime(9, 0))};
  std::unique_ptr<EnvioVersaoDiaria> envio;

  void inicia() {
    sim = std::make_unique<VendorSim>(cenario);
    CnOrvalto().execute("UPDATE PARALOGIN SET WSWZQVERSAOCLIENTE = ?", {sim->historyWsdlUrl()});
    envio = std::make_unique<EnvioVersaoDiaria>(
        ctx, [this]() -> TfrmAtualizador& { return *engine; }, relogio.relogio());
  }
  void clientes(const QStringList& codigos) {
    auto db = connectTo(location);
    for (const QString& c : codigos) db->execute("INSERT INTO SENHAINSTALACAO (CODCLIENTE) VALUES (?)", {c});
  }
  QJsonArray chamadas() const { return sim->soapCalls("history", "SincronizaVersao"); }
  QStringList diaGravado() const {
    QStringList dias;
    auto db = connectTo(location);
    for (const auto& r : db->query("SELECT CAMPODATE FROM PARADIV WHERE ID_DESCRICAO = 'DT_ENVIO_VERSAO_ATZ'").rows)
      dias.append(r[0].toDate().toString("yyyy-MM-dd"));
    return dias;
  }
  // The worker has finished: its call, if any, reached the simulator.
  bool terminou() {
    return waitUntil([this] { return envio->emAndamento() == 0; }, 10s);
  }
};

TEST_F(RelatorioVersao, OneReportADayWithTheFirstCustomerCode) {
  inicia();
  clientes({"", "000777", "000888"});

  envio->PEnviaVersaoDiaria();
  ASSERT_TRUE(terminou());
  ASSERT_EQ(chamadas().size(), 1);
  const QJsonObject p = chamadas()[0].toObject()["parameters"].toObject();
  EXPECT_EQ(p["pCodCliente"].toString(), "000777");
  EXPECT_EQ(p["pModulo"].toString(), "ATZ");
  EXPECT_EQ(p["pVersao"].toString(), QString(VersaoAtualizador).toUpper());
  EXPECT_EQ(p["pMaquina"].toString(), FNomeMaquina());
  EXPECT_EQ(diaGravado(), QStringList{"2025-12-08"});

  // Later ticks of the same day send nothing.
  envio->PEnviaVersaoDiaria();
  envio->PEnviaVersaoDiaria();
  EXPECT_EQ(envio->emAndamento(), 0);
  ASSERT_TRUE(terminou());
  EXPECT_EQ(chamadas().size(), 1);

  // The next day's report goes out with a worker of its own.
  relogio.avancaDias(1);
  envio->PEnviaVersaoDiaria();
  ASSERT_TRUE(terminou());
  EXPECT_EQ(chamadas().size(), 2);
  EXPECT_EQ(diaGravado(), QStringList{"2025-12-09"});
}

TEST_F(RelatorioVersao, NothingSentOrRecordedWithoutACustomerCode) {
  inicia();
  clientes({"", ""});
  envio->PEnviaVersaoDiaria();
  envio->PEnviaVersaoDiaria();
  EXPECT_EQ(envio->emAndamento(), 0);
  EXPECT_TRUE(diaGravado().isEmpty());
  EXPECT_EQ(sim->requests("wsdl").size(), 0);
  // The connection is closed after each attempt.
  EXPECT_FALSE(CnOrvalto().connected());
}

TEST_F(RelatorioVersao, ASilentServiceNeitherDelaysTheTickNorTheProgramEnd) {
  cenario = QJsonObject{
      {"endpoints",
       QJsonObject{{"history",
                    QJsonObject{{"operations", QJsonObject{{"SincronizaVersao", QJsonObject{{"delayMs", 4000}}}}}}}}}};
  inicia();
  clientes({"000123"});
  envio->PEnviaVersaoDiaria();
  // The tick returned with the day recorded while the worker still waits.
  EXPECT_EQ(diaGravado(), QStringList{"2025-12-08"});
  ASSERT_TRUE(waitUntil([this] { return chamadas().size() == 1; }, 10s, 50ms));
  EXPECT_EQ(envio->emAndamento(), 1);
  // The answer comes after 4 s: only abandoning ends the worker within 2 s.
  EXPECT_TRUE(envio->abandonaRelatorios(2000));
}

TEST_F(RelatorioVersao, ASettingsTableWithoutTheAddressStopsTheTickAndRecordsNothing) {
  inicia();
  clientes({"000123"});
  connectTo(location)->execute("ALTER TABLE PARALOGIN DROP WSWZQVERSAOCLIENTE");
  EXPECT_ANY_THROW(envio->PEnviaVersaoDiaria());
  EXPECT_TRUE(diaGravado().isEmpty());
  EXPECT_FALSE(CnOrvalto().connected());
}

TEST(NomeMaquina, UpperCasedOrTheFixedTextWhenTooLong) {
  EXPECT_EQ(nomeMaquinaRelatado("caixa-01.loja"), "CAIXA-01.LOJA");
  EXPECT_EQ(nomeMaquinaRelatado(QString(30, 'a')), QString(30, 'A'));
  EXPECT_EQ(nomeMaquinaRelatado(QString(31, 'a')), kErroNomeMaquina);
  EXPECT_EQ(nomeMaquinaRelatado(""), kErroNomeMaquina);
}

}  // namespace
