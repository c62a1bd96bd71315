#include "support/chave_minisign.h"
#include "support/engine_fixture.h"
#include "support/rar_archives.h"
#include "support/vendor_sim.h"
#include "update/nome_pacote.h"
#include "update/percentual_download.h"
#include "update/verificacao_assinatura.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace orvalto;
using namespace orvalto::test;

namespace {

void writePackage(const QString& folder, const QString& name, qint64 size) {
  QFile f(QDir(folder).filePath(name));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  QByteArray block(64 * 1024, 'r');
  for (qint64 done = 0; done < size; done += block.size())
    f.write(block.left(int(qMin<qint64>(block.size(), size - done))));
}

QStringList withPrefix(const QStringList& lines, const QString& prefix) {
  QStringList out;
  for (const QString& l : lines)
    if (l.startsWith(prefix)) out.append(l);
  return out;
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

}  // namespace

TEST(PackageName, IsTheTextAfterTheLastSlashOrColon) {
  EXPECT_EQ(FNomeArquivoUrl("http://h:80/a/b/PDV.rar"), "PDV.rar");
  EXPECT_EQ(FNomeArquivoUrl("C:PDV.rar"), "PDV.rar");
  EXPECT_EQ(FNomeArquivoUrl("PDV.rar"), "PDV.rar");
  EXPECT_EQ(FNomeArquivoUrl("http://h/a/"), "");
  EXPECT_FALSE(nomePacoteSeguro("..\\..\\x.rar"));
  EXPECT_FALSE(nomePacoteSeguro(".."));
  EXPECT_TRUE(nomePacoteSeguro("PDV.rar"));
}

TEST(DownloadPercentage, WholeKilobytesRoundedHalfToEven) {
  EXPECT_EQ(percentualDownload(0, 10 * 1024), 0);
  EXPECT_EQ(percentualDownload(10 * 1024, 10 * 1024), 100);
  // 1 of 8 KiB is 12.5 %: the even neighbour 12; 3 of 8 is 37.5 %: 38.
  EXPECT_EQ(percentualDownload(1024, 8 * 1024), 12);
  EXPECT_EQ(percentualDownload(3 * 1024, 8 * 1024), 38);
  // Bytes below a whole kilobyte do not count.
  EXPECT_EQ(percentualDownload(1023, 8 * 1024), 0);
  // Under one kilobyte of total the bytes decide, never dividing by zero.
  EXPECT_EQ(percentualDownload(50, 100), 50);
  EXPECT_EQ(percentualDownload(5000, 100), 100);
  EXPECT_EQ(percentualDownload(0, 0), 0);
  // A transfer without a total measured against an earlier, smaller one.
  EXPECT_EQ(percentualDownload(900 * 1024, 300 * 1024), 100);
}

struct DownloadFixture : ::testing::Test, EngineFixture {
  VendorSim sim{QJsonObject{{"packages", QJsonObject{{"Falha.rar", QJsonObject{{"status", 404}}},
                                                     {"Cortado.rar", QJsonObject{{"truncateAt", 40000}}}}}}};
  void SetUp() override {
    for (const char* name : {"PDV.rar", "Retaguarda.rar", "Falha.rar", "Cortado.rar"})
      writePackage(sim.packagesDir(), name, 300 * 1024);
  }
};

TEST_F(DownloadFixture, ThreeFailuresOutOfFiveAreReportedAndFetchedAgainNextTime) {
  queue(sim.packageUrl("PDV.rar"), "PDV");
  queue(sim.packageUrl("Falha.rar"), "FAL");
  queue(sim.packageUrl("Retaguarda.rar"), "RET");
  queue(sim.packageUrl("Cortado.rar"), "COR");
  queue("http://127.0.0.1:1/pacotes/Inalcancavel.rar", "INA");

  EXPECT_FALSE(engine->FBaixaVersoes(false));
  const QStringList lines = logLines();
  EXPECT_EQ(withPrefix(lines, "Realizando download do arquivo ").size(), 5);
  EXPECT_EQ(withPrefix(lines, "Download do arquivo ").size(), 2);
  EXPECT_EQ(withPrefix(lines, "Erro ao realizar download de versão: ").size(), 3);
  EXPECT_EQ(withPrefix(lines, "[ERRO]:2|").size(), 1);
  EXPECT_TRUE(lines.contains("[ERRO]:2|Erro ao realizar Download de versão:  Falha.rar, Cortado.rar, Inalcancavel.rar"))
      << lines.join("\n").toStdString();
  EXPECT_EQ(console.baloes.size(), 7);
  EXPECT_TRUE(console.baloes.contains("Orvalto Atualizador|Realizando download do arquivo PDV.rar|1|10"));
  EXPECT_TRUE(console.baloes.contains("Orvalto Atualizador|Download do arquivo PDV.rar concluido.|1|10"));
  // Only whole packages are under their names; the cut one waits beside to be continued.
  EXPECT_EQ(filesIn(tmpFolder()),
            QStringList({"Cortado.rar.baixando", "Cortado.rar.baixando.retomada", "PDV.rar", "Retaguarda.rar"}));
  EXPECT_EQ(QFileInfo(tmpFolder() + "PDV.rar").size(), 300 * 1024);
  EXPECT_FALSE(console.estado.EmDownload);

  sim.reset();
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  QStringList asked;
  for (const auto& r : sim.requests("package")) asked.append(r.toObject()["name"].toString());
  EXPECT_EQ(asked, QStringList({"Falha.rar", "Cortado.rar"}));
}

// A cut transfer continues from the bytes on disk, asking for the rest of
// the same file; a server that ignores ranges, or whose file changed, sends
// it whole and the file is written again from its start.
TEST_F(DownloadFixture, ACutTransferContinuesWhereItStopped) {
  const QString noServidor = sim.packagesDir() + "/Cortado.rar";
  const QString baixado = tmpFolder() + "Cortado.rar";
  writeFile(noServidor, noise(300 * 1024, 1));
  queue(sim.packageUrl("Cortado.rar"), "COR");
  const auto cutThenServe = [&](const QJsonObject& then) {
    CnOrvalto().execute("DELETE FROM VERSOESITEM");
    QFile::remove(baixado);
    queue(sim.packageUrl("Cortado.rar"), "COR");
    sim.setScenario(QJsonObject{{"packages", QJsonObject{{"Cortado.rar", QJsonObject{{"truncateAt", 100000}}}}}});
    EXPECT_FALSE(engine->FBaixaVersoes(false));
    EXPECT_EQ(QFileInfo(baixado + ".baixando").size(), 100000);
    sim.setScenario(QJsonObject{{"packages", QJsonObject{{"Cortado.rar", then}}}});
    sim.reset();
    EXPECT_TRUE(engine->FBaixaVersoes(false));
    EXPECT_EQ(readFile(baixado), readFile(noServidor));
    EXPECT_EQ(filesIn(tmpFolder()), QStringList({"Cortado.rar"}));
    const QJsonArray pedidos = sim.requests("package");
    EXPECT_EQ(pedidos.size(), 1);
    return pedidos.isEmpty() ? QJsonObject() : pedidos[0].toObject();
  };

  QJsonObject pedido = cutThenServe({});
  EXPECT_EQ(pedido["headers"].toObject()["Range"].toString(), "bytes=100000-");
  EXPECT_EQ(pedido["status"].toInt(), 206);
  EXPECT_FALSE(pedido["headers"].toObject()["If-Range"].toString().isEmpty());

  pedido = cutThenServe({{"ignoreRanges", true}});
  EXPECT_EQ(pedido["headers"].toObject()["Range"].toString(), "bytes=100000-");
  EXPECT_EQ(pedido["status"].toInt(), 200);

  // Changed on the server between the attempts.
  QFile::remove(baixado);
  CnOrvalto().execute("DELETE FROM VERSOESITEM");
  queue(sim.packageUrl("Cortado.rar"), "COR");
  sim.setScenario(QJsonObject{{"packages", QJsonObject{{"Cortado.rar", QJsonObject{{"truncateAt", 100000}}}}}});
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  writeFile(noServidor, noise(300 * 1024 + 7, 2));
  sim.setScenario({});
  sim.reset();
  EXPECT_TRUE(engine->FBaixaVersoes(false));
  EXPECT_EQ(readFile(baixado), readFile(noServidor));
  EXPECT_EQ(sim.requests("package")[0].toObject()["status"].toInt(), 200);

  // Every byte arrived but the program stopped before the rename: the server
  // refuses a range past the end, and the transfer starts again whole.
  QFile::remove(baixado);
  CnOrvalto().execute("DELETE FROM VERSOESITEM");
  queue(sim.packageUrl("Cortado.rar"), "COR");
  sim.setScenario(QJsonObject{{"packages", QJsonObject{{"Cortado.rar", QJsonObject{{"truncateAt", 100000}}}}}});
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  QFile::remove(baixado + ".baixando");
  ASSERT_TRUE(QFile::copy(noServidor, baixado + ".baixando"));
  sim.setScenario({});
  sim.reset();
  EXPECT_TRUE(engine->FBaixaVersoes(false));
  EXPECT_EQ(readFile(baixado), readFile(noServidor));
  QList<int> statuses;
  for (const auto& r : sim.requests("package")) statuses << r.toObject()["status"].toInt();
  EXPECT_EQ(statuses, QList<int>({416, 200}));
}

TEST_F(DownloadFixture, PresentPackagesAreNotFetchedAgainAndSameNamesOnce) {
  queue(sim.packageUrl("PDV.rar"), "PDV");
  queue(sim.packageUrl("PDV.rar"), "PD2");
  ASSERT_TRUE(engine->FBaixaVersoes(false));
  EXPECT_EQ(sim.requests("package").size(), 1);
  sim.reset();
  EXPECT_TRUE(engine->FBaixaVersoes(false));
  EXPECT_EQ(sim.requests("package").size(), 0);
}

TEST_F(DownloadFixture, ProgressGoesToTheRequestingTerminalAndTheLog) {
  console.estado.IPSolicitante = "10.1.1.7";
  bool sawDownloadFlag = false;
  console.aoEnviar = [&] { sawDownloadFlag |= console.estado.EmDownload; };
  queue(sim.packageUrl("PDV.rar"));
  ASSERT_TRUE(engine->FBaixaVersoes(true));
  ASSERT_FALSE(console.mensagens.isEmpty());
  for (const QString& m : console.mensagens) {
    EXPECT_TRUE(m.startsWith("10.1.1.7|[PROGRESSO]:")) << m.toStdString();
    EXPECT_TRUE(m.endsWith("0|")) << m.toStdString();
  }
  EXPECT_TRUE(console.mensagens.contains("10.1.1.7|[PROGRESSO]:100|"));
  EXPECT_TRUE(sawDownloadFlag);
  EXPECT_TRUE(logLines().contains("DOWNLOAD EM : 100% CONEXAO: T"));
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_EQ(ui.progressTotal, 300 * 1024);
}

TEST_F(DownloadFixture, EmptyQueueAndMissingVersionsFolder) {
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  EXPECT_TRUE(logLines().contains("[ERRO]:Nao existem versoes disponivels para download"));
  CnOrvalto().execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = '/no/such/folder/'");
  queue(sim.packageUrl("PDV.rar"));
  const int before = logLines().size();
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  EXPECT_EQ(logLines().size(), before);  // no line for a folder that cannot be made
}

TEST_F(DownloadFixture, AddressesThatWouldEscapeTheFolderAreRefused) {
  queue("http://127.0.0.1:1/..\\..\\fora.rar");
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  EXPECT_EQ(filesIn(tmpFolder()), QStringList());
  EXPECT_EQ(filesIn(versionsFolder()), QStringList());
  queue(sim.packageUrl(""));  // ends with "/": no name at all
  EXPECT_FALSE(engine->FBaixaVersoes(false));
}

TEST_F(DownloadFixture, KeepAliveGoesOutElevenTimesInTheFirstCycle) {
  int conecta = 0;
  for (int tick = 0; tick < 106; ++tick) engine->Indicador().Timer1Timer();
  for (const QString& m : console.mensagens) conecta += m.endsWith("[CONECTA]:0|");
  EXPECT_EQ(conecta, 11);
  EXPECT_EQ(engine->Indicador().StaticTextLoading(), "|");
}

// Only http and https from the allowed servers (here the maker's domain and
// 127.0.0.1), at the first address and at every redirect: a link to a file
// of this machine, to another name of the simulator ("localhost") or a
// redirect there fails like any transfer, naming the address and the
// reason, and nothing is fetched from it.
TEST_F(DownloadFixture, AddressesOutsideTheAllowedSourcesAreNeverReached) {
  const QString base = QString("http://localhost:%1/pacotes/").arg(sim.httpPort());
  sim.setScenario(
      QJsonObject{{"packages", QJsonObject{{"Desvio.rar", QJsonObject{{"redirect", base + "Alvo.rar"}}},
                                           {"Volta.rar", QJsonObject{{"redirect", sim.packageUrl("PDV.rar")}}}}}});
  writePackage(sim.packagesDir(), "Alvo.rar", 1000);
  const QString banco = location.section(':', 1);
  queue(QUrl::fromLocalFile(banco).toString(), "BAN");
  queue(base + "Alvo.rar", "ALV");
  queue(sim.packageUrl("Desvio.rar"), "DES");
  queue(sim.packageUrl("Volta.rar"), "VOL");

  EXPECT_FALSE(engine->FBaixaVersoes(false));
  const QStringList lines = logLines();
  const QString erro = "Erro ao realizar download de versão: Endereço recusado: ";
  EXPECT_TRUE(lines.contains(erro + QUrl::fromLocalFile(banco).toString() +
                             " (esquema \"file\" não permitido; só http e https)"))
      << lines.join("\n").toStdString();
  EXPECT_TRUE(lines.contains(erro + base + "Alvo.rar (servidor \"localhost\" fora de HostsPermitidos)"));
  EXPECT_TRUE(lines.contains(erro + base +
                             "Alvo.rar (servidor \"localhost\" fora de HostsPermitidos; redirecionado de " +
                             sim.packageUrl("Desvio.rar") + ")"))
      << lines.join("\n").toStdString();
  // An allowed redirect is followed.
  EXPECT_EQ(filesIn(tmpFolder()), QStringList({"Volta.rar"}));
  EXPECT_EQ(QFileInfo(tmpFolder() + "Volta.rar").size(), 300 * 1024);
  QStringList asked;
  for (const auto& r : sim.requests("package")) asked.append(r.toObject()["name"].toString());
  asked.sort();
  EXPECT_EQ(asked, QStringList({"Desvio.rar", "PDV.rar", "Volta.rar"}));
}

// A link planted at a transfer's temporary name is removed, never written
// through: neither the file it points at nor a file at its dangling target
// changes or appears.
TEST_F(DownloadFixture, LinksAtTheTemporaryNamesAreNotFollowed) {
  QTemporaryDir fora;
  QFile vitima(fora.filePath("vitima"));
  ASSERT_TRUE(vitima.open(QIODevice::WriteOnly));
  vitima.write("intacto");
  vitima.close();
  QDir().mkpath(tmpFolder());
  ASSERT_TRUE(QFile::link(vitima.fileName(), tmpFolder() + "PDV.rar.baixando"));
  ASSERT_TRUE(QFile::link(fora.filePath("criado"), tmpFolder() + "Retaguarda.rar.baixando"));
  console.estado.EmDownload = true;  // no clean-up of leftovers first: the transfer itself must not follow them
  queue(sim.packageUrl("PDV.rar"), "PDV");
  queue(sim.packageUrl("Retaguarda.rar"), "RET");

  EXPECT_TRUE(engine->FBaixaVersoes(false)) << logLines().join("\n").toStdString();
  EXPECT_EQ(QFileInfo(tmpFolder() + "PDV.rar").size(), 300 * 1024);
  EXPECT_EQ(QFileInfo(tmpFolder() + "Retaguarda.rar").size(), 300 * 1024);
  ASSERT_TRUE(vitima.open(QIODevice::ReadOnly));
  EXPECT_EQ(vitima.readAll(), "intacto");
  EXPECT_FALSE(QFileInfo::exists(fora.filePath("criado")));
}

// The maker signs: the simulator publishes "<package>.minisig" made by the
// minisign tool with the maker's key; the test plants the bad ones.
struct SignatureFixture : ::testing::Test, EngineFixture {
  ChaveMinisign fabricante, alheia;
  VendorSim sim{QJsonObject{{"packages", QJsonObject{{"SemAssinatura.rar", QJsonObject{{"unsigned", true}}}}}},
                {},
                fabricante.secreta()};

  void SetUp() override {
    for (const char* name : {"PDV.rar", "Ruim.rar", "Alheio.rar", "SemAssinatura.rar", "Legado.rar"})
      writePackage(sim.packagesDir(), name, 100 * 1024);
    // A signature of another file, and one by a key nobody trusts.
    planta("Outro.bin", "outro conteúdo");
    planta("Ruim.rar.minisig", fabricante.assina(sim.packagesDir() + "/Outro.bin"));
    planta("Alheio.rar.minisig", alheia.assina(sim.packagesDir() + "/Alheio.rar"));
    planta("Legado.rar.minisig", fabricante.assina(sim.packagesDir() + "/Legado.rar", true));
  }
  void planta(const QString& name, const QByteArray& text) {
    QFile f(QDir(sim.packagesDir()).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  void configura(const QByteArray& seguranca) {
    QFile f(exeDir.filePath("Atualizador.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Seguranca]\r\n" + seguranca);
  }
  int rowsOf(const QString& name) {
    return CnOrvalto()
        .query("SELECT COUNT(*) FROM VERSOESITEM WHERE VERSAOAATUALIZAR = ?", {sim.packageUrl(name)})
        .rows.first()
        .first()
        .toInt();
  }
  bool logged(const QString& text) const {
    for (const QString& l : logLines())
      if (l.contains(text)) return true;
    return false;
  }
};

TEST_F(SignatureFixture, GoodSignaturesInstallBadOnesAreRefusedAndUnsignedOnesOnceASignatureWasSeen) {
  configura("ChavesPublicas=" + alheia.publica().left(10) + "," + fabricante.publica() + "\r\n");
  queue(sim.packageUrl("SemAssinatura.rar"), "SEM");
  queue(sim.packageUrl("PDV.rar"), "PDV");
  queue(sim.packageUrl("Ruim.rar"), "RUI");
  queue(sim.packageUrl("Alheio.rar"), "ALH");
  queue(sim.packageUrl("Legado.rar"), "LEG");
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  // Nobody had signed before it: the unsigned package is taken, with a line
  // saying so.
  EXPECT_TRUE(logged("Pacote SemAssinatura.rar aceito sem assinatura (sem assinatura)"));
  EXPECT_TRUE(logged("ChavesPublicas: ignorado, não é uma chave minisign"));
  EXPECT_TRUE(logged("Assinatura do pacote PDV.rar confere"));
  EXPECT_TRUE(logged("Assinatura do pacote Legado.rar confere"));
  EXPECT_TRUE(logged("pacote Ruim.rar recusado: assinatura não confere com o arquivo"));
  EXPECT_TRUE(logged("pacote Alheio.rar recusado: chave"));
  EXPECT_TRUE(logLines().contains("[ERRO]:2|Erro ao realizar Download de versão:  Ruim.rar, Alheio.rar"));

  // After a valid signature, fetched again, the same unsigned package is refused.
  QFile::remove(tmpFolder() + "SemAssinatura.rar");
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  EXPECT_TRUE(logged("pacote SemAssinatura.rar recusado: sem assinatura"));
  const QStringList lines = logLines();
  EXPECT_TRUE(lines.contains("[ERRO]:2|Erro ao realizar Download de versão:  SemAssinatura.rar, Ruim.rar, Alheio.rar"))
      << lines.join("\n").toStdString();
  // Refused packages leave nothing behind and stay queued for the next run.
  EXPECT_EQ(filesIn(tmpFolder()), QStringList({"Legado.rar", "PDV.rar"}));
  EXPECT_EQ(rowsOf("Ruim.rar"), 1);
  EXPECT_EQ(rowsOf("SemAssinatura.rar"), 1);
  EXPECT_TRUE(QFileInfo::exists(exeDir.filePath(kArquivoEstadoAssinaturas)));
}

TEST_F(SignatureFixture, RequiredSignaturesRefuseUnsignedPackagesFromTheStart) {
  configura("ChavesPublicas=" + fabricante.publica() + "\r\nAssinatura=exigir\r\n");
  queue(sim.packageUrl("SemAssinatura.rar"), "SEM");
  queue(sim.packageUrl("PDV.rar"), "PDV");
  EXPECT_FALSE(engine->FBaixaVersoes(false));
  EXPECT_TRUE(logged("pacote SemAssinatura.rar recusado: sem assinatura"));
  EXPECT_EQ(filesIn(tmpFolder()), QStringList({"PDV.rar"}));
  EXPECT_EQ(sim.requests("signature").size(), 2);
}
