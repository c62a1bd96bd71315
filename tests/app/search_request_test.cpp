// A workstation's "[BUSCAR]" end to end: through the TCP port to the
// registration service (the vendor simulator), the product database and the
// package folder.
#include "app/configura_locais.h"
#include "support/files.h"
#include "support/product_db.h"
#include "support/qt_app.h"
#include "support/terminal_connect.h"
#include "support/tray_form_fixture.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

QJsonObject scenario(const VendorSim& sim) {
  const QJsonArray modulos{
      QJsonObject{{"CodCliente", "000123"}, {"CodSistema", "PDV"}, {"LinkDownload", sim.packageUrl("PDV.rar")}},
      QJsonObject{{"CodCliente", "000123"}, {"CodSistema", "RET"}, {"LinkDownload", sim.packageUrl("RET.rar")}}};
  const QJsonObject cliente{{"CodCliente", "000123"},
                            {"CGCCPF", "12345678000199"},
                            {"BackupAutomatico", false},
                            {"QuantidadeBackup", 4},
                            {"Data_Agendamento", "2031-02-03T00:00:00"},
                            {"Hora_Agendamento", "00:15"},
                            {"DataUltimaConsulta", "2026-01-01T00:00:00"},
                            {"ListaModulos", modulos}};
  // The second package comes slowly, so that the test can ask during it.
  const QJsonObject lento{{"bytesPerSecond", 256 * 1024}};
  return {{"customers", QJsonArray{cliente}}, {"packages", QJsonObject{{"RET.rar", lento}}}};
}

}  // namespace

TEST(SearchRequest, BuscarAsksTheServiceStoresQueuesAndDownloadsWhileServingStatus) {
  ensureQtApp();
  testdb::Options options;
  options.filiais = {{"001", "12345678000199"}, {"002", ""}};
  const QString location = freshDatabase(options);
  TrayFolder folder(location);
  QTemporaryDir versoes;
  VendorSim sim;
  writeFile(QDir(sim.packagesDir()).filePath("PDV.rar"), QByteArray(64 * 1024, 'x'));
  writeFile(QDir(sim.packagesDir()).filePath("RET.rar"), QByteArray(512 * 1024, 'x'));
  sim.setScenario(scenario(sim));

  TfrmConfiguraLocais form(folder.ctx, 0);
  {
    auto db = connectTo(location);
    db->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?", {sim.olderBase(), sim.newerBase()});
    db->execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?", {versoes.path() + "/"});
  }
  auto requester = connectTerminal(form.Server().porta(), "127.0.0.3");
  auto searcher = connectTerminal(form.Server().porta(), "127.0.0.1");
  auto watcher = connectTerminal(form.Server().porta(), "127.0.0.2");
  ASSERT_TRUE(requester && searcher && watcher);

  // An accepted update request names the addressee of the progress
  // messages; the run itself is not what this test is about.
  atendeNoLugar(form, &TerminalServer::atualizacaoPedida, [] {});
  requester->envia("[ATUALIZAR]");
  ASSERT_TRUE(waitUntil([&] { return form.IPSolicitante == "127.0.0.3"; }, 5s));
  searcher->envia("[CONFIGCLI]CODEMP:001|RAZEMP:Loja Modelo Ltda|NOMEMP:Centro|CGCEMP:12345678000199|");
  // Read on its own, before the search request is sent.
  ASSERT_TRUE(waitUntil([&] { return form.Server().empresa().CodEmpresa == "001"; }, 5s));

  // While the download runs, the watcher asks for the status once.
  bool asked = false;
  QTimer probe;
  probe.setInterval(5);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!form.EmDownload || asked) return;
    asked = true;
    watcher->envia("[STATUS]");
  });
  probe.start();
  searcher->envia("[BUSCAR]");
  ASSERT_TRUE(waitUntil([&] { return QFile::exists(versoes.filePath("TMP/RET.rar")) && !form.EmDownload; }, 60s));
  ASSERT_TRUE(waitUntil([&] { return watcher->recebido().contains("[STATUS]:2|"); }, 5s));

  // Asked once per company with a tax number; reported once per company row.
  EXPECT_EQ(sim.soapCalls("newer", "FInfoCliente").size(), 1);
  EXPECT_EQ(sim.soapCalls("newer", "FAtualizaDadosCliente").size(), 2);
  auto db = connectTo(location);
  const QueryResult cab = db->query("SELECT * FROM VERSOESCAB");
  EXPECT_EQ(cab.value(0, "FAZERBACKUP").toString(), "N");
  EXPECT_EQ(cab.value(0, "NUMEROBACKUP").toInt(), 4);
  EXPECT_EQ(cab.value(0, "DT_AGENDAMENTO").toDateTime().date(), QDate(1889, 12, 31));
  EXPECT_EQ(cab.value(0, "HR_AGENDAMENTO").toString(), "");
  EXPECT_EQ(db->query("SELECT * FROM VERSOESITEM").rows.size(), 2);
  EXPECT_EQ(QFileInfo(versoes.filePath("TMP/PDV.rar")).size(), 64 * 1024);
  EXPECT_EQ(QFileInfo(versoes.filePath("TMP/RET.rar")).size(), 512 * 1024);

  // Progress reaches the requester of the update only.
  EXPECT_TRUE(requester->recebido().contains("[PROGRESSO]:100|"));
  EXPECT_FALSE(searcher->recebido().contains("[PROGRESSO]"));
  EXPECT_FALSE(watcher->recebido().contains("[PROGRESSO]"));
  EXPECT_EQ(form.Server().empresa().CodEmpresa, "001");
}

// A workstation's "[ATUALIZAR]" that arrives while a search waits for the
// registration service is accepted and served after it: the run never
// shares the connection with the search, and "[STATUS]" is answered
// meanwhile.
TEST(SearchRequest, AnUpdateAskedForDuringASearchRunsWhenTheSearchHasEnded) {
  ensureQtApp();
  testdb::Options options;
  options.filiais = {{"001", "12345678000199"}};
  const QString location = freshDatabase(options);
  TrayFolder folder(location);
  QTemporaryDir versoes, backups;
  VendorSim sim;
  const QJsonObject cliente{
      {"CodCliente", "000123"}, {"CGCCPF", "12345678000199"}, {"QuantidadeBackup", 4}, {"ListaModulos", QJsonArray{}}};
  sim.setScenario(
      {{"customers", QJsonArray{cliente}},
       {"parametros", QJsonObject{{"CaminhoOrvalto", sim.packageUrl("Orvalto.rar")}}},
       {"endpoints",
        QJsonObject{
            {"newer", QJsonObject{{"operations", QJsonObject{{"FInfoCliente", QJsonObject{{"delayMs", 1500}}}}}}}}}});
  TfrmConfiguraLocais form(folder.ctx, 0);
  connectTo(location)->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?",
                               {sim.olderBase(), sim.newerBase()});
  connectTo(location)->execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?, CAMINHOLOCALBACKUP = ?",
                               {versoes.path() + "/", backups.path() + "/"});
  auto searcher = connectTerminal(form.Server().porta(), "127.0.0.1");
  auto requester = connectTerminal(form.Server().porta(), "127.0.0.3");
  ASSERT_TRUE(searcher && requester);
  searcher->envia("[CONFIGCLI]CODEMP:001|RAZEMP:Loja Modelo Ltda|NOMEMP:Centro|CGCEMP:12345678000199|");
  ASSERT_TRUE(waitUntil([&] { return form.Server().empresa().CodEmpresa == "001"; }, 5s));

  // The search runs inside this thread's event handling: the requests go
  // from a timer while it waits for the service's answer.
  const QString aceita = "FAtualizacao: atualização aceita; começa ao fim da busca de versões em andamento.";
  QTimer probe;
  probe.setInterval(20);
  int passo = 0;
  bool respondidaAntesDaAtualizacao = false;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (passo == 0 && sim.soapCalls("newer", "FInfoCliente").size() == 1) {
      requester->envia("[ATUALIZAR]");
      passo = 1;
    } else if (passo == 1 && !folder.logLines().filter(aceita).isEmpty()) {
      searcher->envia("[STATUS]");
      passo = 2;
    } else if (passo == 2 && searcher->recebido().contains("[STATUS]:0|")) {
      respondidaAntesDaAtualizacao = folder.logLines().filter("FAtualizacao: Iniciando Processo").isEmpty();
      passo = 3;
      probe.stop();
    }
  });
  probe.start();
  searcher->envia("[BUSCAR]");
  ASSERT_TRUE(waitUntil([&] { return passo == 3; }, 20s)) << folder.logLines().join("\n").toStdString();
  EXPECT_TRUE(respondidaAntesDaAtualizacao);

  const QString fim = "FAtualizacao: PROCESSO FINALIZADO.";
  ASSERT_TRUE(waitUntil([&] { return !folder.logLines().filter(fim).isEmpty(); }, 30s))
      << folder.logLines().join("\n").toStdString();
  EXPECT_FALSE(requester->recebido().contains("[ERRO]")) << requester->recebido().toStdString();
  // The run began after the search had ended (its last line).
  const QStringList linhas = folder.logLines();
  const auto primeira = [&](const QString& texto) {
    for (qsizetype i = 0; i < linhas.size(); ++i)
      if (linhas[i].contains(texto)) return i;
    return qsizetype(-1);
  };
  const qsizetype inicio = primeira("FAtualizacao: Iniciando Processo de Atualização.");
  ASSERT_GE(inicio, 0);
  EXPECT_LT(primeira("Nao existem versoes disponivels para download"), inicio) << linhas.join("\n").toStdString();
  EXPECT_EQ(folder.logLines().filter(fim).size(), 1);
}
