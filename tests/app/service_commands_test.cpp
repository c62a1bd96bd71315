// The shell commands beside the built program running as a service, on the
// real database and the vendor simulator: --estado [--json] before and
// after runs and with the service gone, --atualizar and --buscar through
// the service's port, --testar-conexao against the simulator and a dead
// address.
#include "support/installation.h"
#include "support/product_db.h"
#include "support/rar_archives.h"
#include "support/terminal_connect.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <unistd.h>

using namespace orvalto;
using namespace orvalto::test;

namespace {

std::string tudo(const CommandResult& r) {
  return QString("exit %1\n%2\n%3").arg(r.exitCode).arg(r.out, r.err).toStdString();
}

class ComandosDoServico : public ::testing::Test {
 protected:
  void SetUp() override {
    testdb::Options options;
    options.filiais = {{"001", "12345678000199"}};
    location = freshDatabase(options);
    writeCaminhoIni(inst.folder(), location);
    const QJsonObject smtp{{"user", "notifica@fabricante.test"}, {"password", "senha1234"}};
    sim = std::make_unique<VendorSim>(QJsonObject{{"smtp", smtp}});
    writeFile(inst.filePath("Atualizador.ini"),
              QString("[Fornecedor]\r\nSmtpHost=127.0.0.1\r\nSmtpPorta=%1\r\nSmtpUsuario=notifica@fabricante.test\r\n"
                      "SmtpSenha=senha1234\r\nEmailSuporte=suporte@fabricante.test\r\n")
                  .arg(sim->smtpPort())
                  .toUtf8());
  }

  // The service up (its tables made), then the installation's settings, a
  // queued module and its package at the maker's.
  void instalacaoComServico() {
    QProcessEnvironment guardiao;
    guardiao.insert("ORVALTO_GUARDIAN", "fbguard");
    inst.start({"--headless"}, guardiao);
    ASSERT_TRUE(answersIdleStatus(inst.port(), std::chrono::seconds(60))) << inst.stop().toStdString();
    auto db = connectTo(location);
    db->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?", {sim->olderBase(), sim->newerBase()});
    db->execute(
        "UPDATE VERSOESCAB SET CAMINHOVERSOES = ?, CAMINHOLOCALBACKUP = ?, ATUALIZARBASE = 'N', NUMEROBACKUP = 3",
        {versoes.path() + "/", backups.path() + "/"});
    enfileira();
    for (const char* nome : {"PDV.exe", "Retaguarda.exe"}) writeFile(pacote.filePath(nome), QByteArray("nova ") + nome);
    runRar(pacote.path(), {"a", "-m0", sim->packagesDir() + "/Modulos.rar", "PDV.exe", "Retaguarda.exe"});
  }

  void enfileira() {
    connectTo(location)->execute(
        "INSERT INTO VERSOESITEM (CODSISTEMA, CODCLIENTE, VERSAOAATUALIZAR) VALUES ('PDV', '000123', ?)",
        {sim->packageUrl("Modulos.rar")});
  }

  CommandResult roda(QStringList args) {
    if (args.first() != "--testar-conexao") args << "--port" << QString::number(inst.port());
    return inst.runCommand(args);
  }

  QJsonObject estado(int codigoEsperado) {
    const CommandResult s = roda({"--estado", "--json"});
    EXPECT_EQ(s.exitCode, codigoEsperado) << tudo(s);
    QJsonParseError erro;
    const QJsonDocument doc = QJsonDocument::fromJson(s.out.toUtf8(), &erro);
    EXPECT_TRUE(doc.isObject()) << tudo(s);
    return doc.object();
  }

  static bool ehData(const QJsonValue& v) { return QDateTime::fromString(v.toString(), Qt::ISODate).isValid(); }

  QString location;
  Installation inst{QString("orvtest-estado-%1").arg(::getpid())};
  std::unique_ptr<VendorSim> sim;
  QTemporaryDir versoes, backups, pacote;
};

TEST_F(ComandosDoServico, EstadoFollowsTheRunsThatAtualizarAsksTheServiceFor) {
  instalacaoComServico();
  if (HasFatalFailure()) return;

  // Before any run: every key, nothing known of runs and searches.
  QJsonObject e = estado(0);
  EXPECT_EQ(e.keys(), QStringList({"agendamento", "backups", "banco", "fila", "pastas", "servico", "servidorDesignado",
                                   "ultimaAtualizacao", "ultimaBusca", "versao"}));
  EXPECT_EQ(e["servico"].toObject(), QJsonObject({{"respondendo", true}, {"porta", inst.port()}}));
  EXPECT_EQ(e["fila"].toArray(),
            QJsonArray({QJsonObject{{"sistema", "PDV"}, {"endereco", sim->packageUrl("Modulos.rar")}}}));
  EXPECT_EQ(e["ultimaAtualizacao"].toObject(),
            QJsonObject({{"inicio", QJsonValue::Null}, {"fim", QJsonValue::Null}, {"resultado", QJsonValue::Null}}));
  for (const char* nulo : {"ultimaBusca", "agendamento", "servidorDesignado"}) EXPECT_TRUE(e[nulo].isNull()) << nulo;
  EXPECT_EQ(e["backups"].toArray(), QJsonArray());
  EXPECT_EQ(e["banco"].toString(), location);
  const QJsonObject pastas = e["pastas"].toObject();
  EXPECT_EQ(pastas["backup"]["caminho"].toString(), backups.path() + "/");
  EXPECT_GT(pastas["versoes"]["livreBytes"].toDouble(), 0);

  // A run asked for from the shell, told in words, and what it leaves.
  CommandResult s = roda({"--atualizar"});
  EXPECT_EQ(s.exitCode, 0) << tudo(s);
  EXPECT_TRUE(s.out.contains("1/5: download das versões\n")) << tudo(s);
  EXPECT_TRUE(s.out.contains("3/5: cópia de segurança do banco\n")) << tudo(s);
  EXPECT_TRUE(s.out.endsWith("Atualização concluída com sucesso.\n")) << tudo(s);
  e = estado(0);
  const QJsonObject ok = e["ultimaAtualizacao"].toObject();
  EXPECT_EQ(ok["resultado"].toString(), "ok");
  EXPECT_TRUE(ehData(ok["inicio"]) && ehData(ok["fim"])) << QJsonDocument(ok).toJson().toStdString();
  EXPECT_EQ(e["fila"].toArray(), QJsonArray());
  const QJsonArray copias = e["backups"].toArray();
  ASSERT_EQ(copias.size(), 1);
  EXPECT_TRUE(copias[0]["arquivo"].toString().startsWith("BkpOrvalto_"));
  EXPECT_EQ(copias[0]["bytes"].toDouble(), QFileInfo(location.section(':', 1)).size());

  // A run that stops at a stage: the stage named, the tag kept, a failure
  // for the monitor.
  connectTo(location)->execute("UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = '/nao/existe/'");
  enfileira();
  s = roda({"--atualizar"});
  EXPECT_EQ(s.exitCode, 1) << tudo(s);
  EXPECT_TRUE(
      s.out.contains("Falha na verificação das pastas — a pasta de backup ou a de versões não foi "
                     "informada ou não existe. [ERRO]:1|"))
      << tudo(s);
  const QJsonObject falhou = estado(1)["ultimaAtualizacao"].toObject();
  EXPECT_EQ(falhou["resultado"].toString(), "[ERRO]:1|");
  EXPECT_LE(falhou["inicio"].toString(), falhou["fim"].toString());

  // A search through the port; its end is kept too.
  s = roda({"--buscar"});
  EXPECT_EQ(s.exitCode, 0) << tudo(s);
  EXPECT_TRUE(s.out.contains("Busca de novas versões concluída.\nFila: 1 versão(ões) a atualizar:\n    PDV "))
      << tudo(s);
  EXPECT_TRUE(ehData(estado(1)["ultimaBusca"]));

  // The service gone: critical, in words too.
  inst.stop();
  s = roda({"--estado"});
  EXPECT_EQ(s.exitCode, 2) << tudo(s);
  EXPECT_TRUE(s.out.startsWith(QString("Serviço: NÃO responde na porta %1\n").arg(inst.port()))) << tudo(s);
  EXPECT_TRUE(s.out.contains("Última atualização: de ")) << tudo(s);
}

TEST_F(ComandosDoServico, TestarConexaoAsksTheRegistrationServiceWithTheStoredSettings) {
  auto db = connectTo(location);
  db->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?", {sim->olderBase(), sim->newerBase()});
  CommandResult s = roda({"--testar-conexao"});
  EXPECT_EQ(s.exitCode, 0) << tudo(s);
  EXPECT_EQ(s.out, "Conectado com sucesso ao WebService.\n");
  EXPECT_EQ(sim->soapCalls("newer", "FComunica").size(), 1);
  EXPECT_TRUE(sim->soapCalls("newer", "FNovasAtualizacoes").isEmpty());  // the service searches, not this

  const QString morto = QString("http://127.0.0.1:%1").arg(freePort());
  db->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?", {morto, morto});
  s = roda({"--testar-conexao"});
  EXPECT_EQ(s.exitCode, 1) << tudo(s);
  EXPECT_TRUE(s.err.startsWith("Não houve comunicação com o WebService da WZQ. Motivo: ")) << tudo(s);
}

}  // namespace
