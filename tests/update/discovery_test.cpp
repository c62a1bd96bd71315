#include "services/dm_web_service.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/qt_app.h"
#include "support/vendor_sim.h"
#include "update/busca_novas_versoes.h"
#include "update/descoberta_versoes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

QJsonObject modulo(const QString& sistema, const QString& link, const QString& cliente = "000123") {
  return {{"CodCliente", cliente}, {"CodSistema", sistema}, {"LinkDownload", link}};
}

QJsonObject customer(const QString& cgc, const QString& data, const QString& hora, bool backup, int quantidade,
                     const QJsonArray& modulos) {
  return {{"CodCliente", "000123"},
          {"CGCCPF", cgc},
          {"BackupAutomatico", backup},
          {"QuantidadeBackup", quantidade},
          {"Data_Agendamento", data},
          {"Hora_Agendamento", hora},
          {"DataUltimaConsulta", "2025-01-10T08:00:00"},
          {"ListaModulos", modulos}};
}

QJsonObject customers(const QJsonArray& list) { return QJsonObject{{"customers", list}}; }

struct DiscoveryFixture : ::testing::Test, EngineFixture {
  VendorSim sim;
  SharedWebService servicos;

  void SetUp() override {
    for (const char* name : {"PDV.rar", "RET.rar"})
      writeFile(QDir(sim.packagesDir()).filePath(name), QByteArray(4096, 'p'));
    CnOrvalto().execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?",
                        {sim.olderBase(), sim.newerBase()});
  }
  void filial(const QString& codigo, const QString& cgc) {
    CnOrvalto().execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES (?, ?)", {codigo, cgc});
  }
  QueryResult cab() { return CnOrvalto().query("SELECT * FROM VERSOESCAB"); }
  QStringList fila() {
    QStringList rows;
    for (const auto& r :
         CnOrvalto().query("SELECT CODSISTEMA, CODCLIENTE, VERSAOAATUALIZAR FROM VERSOESITEM ORDER BY 1").rows)
      rows.append(r[0].toString() + "|" + r[1].toString() + "|" + FNomeArquivo(r[2].toString()));
    return rows;
  }
  static QString FNomeArquivo(const QString& url) { return url.section('/', -1); }
};

}  // namespace

TEST_F(DiscoveryFixture, TwoCompaniesAreAskedStoredQueuedReportedAndDownloaded) {
  filial("001", "11111111000111");
  filial("002", "");
  filial("003", "33333333000133");
  sim.setScenario(customers({customer("11111111000111", "2030-05-01T00:00:00", "22:30", true, 3,
                                      {modulo("PDV", sim.packageUrl("PDV.rar")), modulo("SEM", "")}),
                             customer("33333333000133", "2030-06-01T00:00:00", "21:00", false, 5,
                                      {modulo("RET", sim.packageUrl("RET.rar"))})}));

  ASSERT_TRUE(engine->fBuscaNovaVersaoCliente(servicos));
  EXPECT_FALSE(Descoberta().EmBusca);

  QStringList asked;
  for (const auto& c : sim.soapCalls("newer", "FInfoCliente"))
    asked.append(c.toObject()["parameters"].toObject()["VCGCCPF"].toString());
  EXPECT_EQ(asked, QStringList({"11111111000111", "33333333000133"}));
  EXPECT_EQ(sim.soapCalls("newer", "FNovasAtualizacoes").size(), 2);

  const QueryResult row = cab();
  EXPECT_EQ(row.value(0, "ATUALIZARBASE").toString(), "S");
  EXPECT_EQ(row.value(0, "FAZERBACKUP").toString(), "N");  // the last company's setting
  EXPECT_EQ(row.value(0, "NUMEROBACKUP").toInt(), 5) << logLines().join("\n").toStdString();
  EXPECT_EQ(row.value(0, "DT_AGENDAMENTO").toDateTime(), QDateTime(QDate(2030, 6, 1), QTime(0, 0)));
  EXPECT_EQ(row.value(0, "HR_AGENDAMENTO").toString(), "21:00");
  EXPECT_EQ(fila(), QStringList({"PDV|000123|PDV.rar", "RET|000123|RET.rar"}));

  // The report: the last record, once for every company row, empty tax number included.
  const QJsonArray reports = sim.soapCalls("newer", "FAtualizaDadosCliente");
  ASSERT_EQ(reports.size(), 3);
  QStringList cgcs;
  for (const auto& r : reports) {
    const QJsonObject info = r.toObject()["parameters"].toObject()["VInfoCliente"].toObject();
    cgcs.append(info["CGCCPF"].toString());
    EXPECT_EQ(info["Hora_Agendamento"].toString(), "21:00");
    EXPECT_EQ(info["QuantidadeBackup"].toString(), "5");
  }
  EXPECT_EQ(cgcs, QStringList({"11111111000111", "", "33333333000133"}));

  EXPECT_TRUE(QFile::exists(tmpFolder() + "PDV.rar"));
  EXPECT_TRUE(QFile::exists(tmpFolder() + "RET.rar"));
}

TEST_F(DiscoveryFixture, NoScheduleIsStoredAsTheLastDayOf1889AndReportedAs0015) {
  filial("001", "11111111000111");
  CnOrvalto().execute("UPDATE VERSOESCAB SET DT_AGENDAMENTO = '2099-01-01', HR_AGENDAMENTO = '23:59'");
  sim.setScenario(customers({customer("11111111000111", "2025-02-03T00:00:00", "00:15", true, 2, {})}));
  ASSERT_TRUE(engine->fBuscaNovaVersaoCliente(servicos));
  const QueryResult row = cab();
  EXPECT_EQ(row.value(0, "DT_AGENDAMENTO").toDateTime(), dataSemAgendamento());
  EXPECT_EQ(row.value(0, "HR_AGENDAMENTO").toString(), "");
  EXPECT_EQ(row.value(0, "FAZERBACKUP").toString(), "S");
  const QJsonObject info =
      sim.soapCalls("newer", "FAtualizaDadosCliente")[0].toObject()["parameters"].toObject()["VInfoCliente"].toObject();
  EXPECT_EQ(info["Hora_Agendamento"].toString(), "00:15");
  EXPECT_TRUE(info["Data_Agendamento"].toString().startsWith("2025-02-03"));
}

TEST_F(DiscoveryFixture, AnEarlierOrEqualScheduleIsNotAdoptedButTheBackupSettingsAre) {
  filial("001", "11111111000111");
  CnOrvalto().execute("UPDATE VERSOESCAB SET DT_AGENDAMENTO = '2030-05-01', HR_AGENDAMENTO = '22:30'");
  sim.setScenario(customers({customer("11111111000111", "2030-05-01T00:00:00", "22:30", true, 7, {})}));
  ASSERT_TRUE(engine->fBuscaNovaVersaoCliente(servicos));
  const QueryResult row = cab();
  EXPECT_EQ(row.value(0, "HR_AGENDAMENTO").toString(), "22:30");
  EXPECT_EQ(row.value(0, "NUMEROBACKUP").toInt(), 7);
}

TEST_F(DiscoveryFixture, LaterScheduleRules) {
  CnOrvalto().execute("UPDATE VERSOESCAB SET DT_AGENDAMENTO = '2030-05-01', HR_AGENDAMENTO = '22:30'");
  const QDateTime dia(QDate(2030, 5, 1), QTime(0, 0));
  EXPECT_TRUE(Descoberta().FAgendamentoPosterior("00:00", dia.addDays(1)));
  EXPECT_FALSE(Descoberta().FAgendamentoPosterior("23:59", dia.addDays(-1)));
  EXPECT_TRUE(Descoberta().FAgendamentoPosterior("23:00", dia));
  EXPECT_TRUE(Descoberta().FAgendamentoPosterior("22:31", dia));
  EXPECT_FALSE(Descoberta().FAgendamentoPosterior("22:30", dia));
  EXPECT_FALSE(Descoberta().FAgendamentoPosterior("21:59", dia));
  EXPECT_FALSE(Descoberta().FAgendamentoPosterior("", dia));
  EXPECT_THROW(Descoberta().FAgendamentoPosterior("xx:30", dia), std::exception);
  CnOrvalto().execute("UPDATE VERSOESCAB SET HR_AGENDAMENTO = ''");
  EXPECT_TRUE(Descoberta().FAgendamentoPosterior("", dia));
}

TEST_F(DiscoveryFixture, QueueRowsOfAnotherCustomerAreUpdatedNeverDuplicated) {
  filial("001", "11111111000111");
  queue("http://old/PDV-velho.rar", "PDV", "999");
  queue("http://old/FIS.rar", "FIS", "000123");
  sim.setScenario(customers({customer("11111111000111", "2030-05-01T00:00:00", "22:30", true, 1,
                                      {modulo("PDV", sim.packageUrl("PDV.rar")), modulo("FIS", "")})}));
  ASSERT_TRUE(engine->fBuscaNovaVersaoCliente(servicos));
  EXPECT_EQ(fila(), QStringList({"FIS|000123|FIS.rar", "PDV|999|PDV-velho.rar"}));
}

TEST_F(DiscoveryFixture, AServiceErrorStopsTheSearchAndKeepsEarlierCompanies) {
  filial("001", "11111111000111");
  filial("002", "22222222000122");
  // The second customer's answer cannot be read: its date is no date.
  sim.setScenario(customers(
      {customer("11111111000111", "2030-05-01T00:00:00", "22:30", true, 3, {modulo("PDV", sim.packageUrl("PDV.rar"))}),
       customer("22222222000122", "amanhã", "21:00", false, 5, {modulo("RET", sim.packageUrl("RET.rar"))})}));
  EXPECT_FALSE(engine->fBuscaNovaVersaoCliente(servicos));
  EXPECT_FALSE(Descoberta().EmBusca);
  EXPECT_FALSE(CnOrvalto().inTransaction());
  EXPECT_EQ(fila(), QStringList({"PDV|000123|PDV.rar"}));
  bool logged = false;
  for (const QString& l : logLines()) logged |= l.startsWith("fBuscaNovaVersaoCliente : ");
  EXPECT_TRUE(logged);
  EXPECT_EQ(sim.soapCalls("newer", "FAtualizaDadosCliente").size(), 0);
  EXPECT_FALSE(QFile::exists(tmpFolder() + "PDV.rar"));
}

TEST_F(DiscoveryFixture, WithoutTaxNumbersNothingIsAskedButTheQueueIsStillFetched) {
  filial("001", "");
  queue(sim.packageUrl("PDV.rar"));
  ASSERT_TRUE(engine->fBuscaNovaVersaoCliente(servicos));
  EXPECT_EQ(sim.soapCalls("newer").size() + sim.soapCalls("older").size(), 0);
  EXPECT_TRUE(QFile::exists(tmpFolder() + "PDV.rar"));
}

TEST_F(DiscoveryFixture, ANestedSearchIsRefused) {
  Descoberta().EmBusca = true;
  EXPECT_FALSE(engine->fBuscaNovaVersaoCliente(servicos));
  EXPECT_TRUE(Descoberta().EmBusca);
  EXPECT_EQ(sim.requests().size(), 0);
}

TEST_F(DiscoveryFixture, ASearchAskedForDuringAnotherRunsAfterItOnce) {
  EstadoTerminais estado;
  BuscaNovasVersoes busca(
      ctx, [this]() -> TfrmAtualizador& { return *engine; }, servicos, estado);
  filial("001", "11111111000111");
  QJsonObject scenario = customers({customer("11111111000111", "2030-05-01T00:00:00", "22:30", true, 1, {})});
  const QJsonObject atraso{{"FInfoCliente", QJsonObject{{"delayMs", 300}}}};
  scenario["endpoints"] = QJsonObject{{"newer", QJsonObject{{"operations", atraso}}}};
  sim.setScenario(scenario);
  // Two requests arrive while the first search waits for the service.
  QTimer::singleShot(100, [&] {
    busca.FBuscaNovasVersoes();
    busca.FBuscaNovasVersoes();
  });
  busca.FBuscaNovasVersoes();
  ASSERT_TRUE(waitUntil([&] { return sim.soapCalls("newer", "FInfoCliente").size() == 2; }, 20s, 50ms));
  ASSERT_TRUE(waitUntil([&] { return !busca.pendente() && !busca.emAndamento(); }, 20s));
  // A further search would have been queued by now: it runs, to its end,
  // before a call posted after it.
  ASSERT_TRUE(runPostedEvents());
  EXPECT_FALSE(busca.emAndamento());
  EXPECT_EQ(sim.soapCalls("newer", "FInfoCliente").size(), 2);
  EXPECT_EQ(logLines().count("FBuscaNovasVersoes: busca adiada até o fim da busca ou atualização em andamento."), 1);
}
