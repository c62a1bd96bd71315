// The built program killed (SIGKILL) in the middle of an update run and
// started again: what it was writing never stays behind as a finished
// file, and the next "[ATUALIZAR]" completes. Stopped (SIGTERM) during a
// run, it ends it quietly or carries it through; a hung structure updater
// is ended at its limit.
#include "support/installation.h"
#include "support/product_db.h"
#include "support/rar_archives.h"
#include "support/terminal_connect.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <unistd.h>
#include <csignal>
#include <functional>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

// The structure updater the package brings: on its first run only it notes
// its process id and sleeps; it hangs with a child; it waits until the
// test lets it go.
enum class Estrutura { DormePrimeiraVez, Trava, EsperaLiberacao };

// The run's observable moments where the program is killed.
enum class Ponto { Download, Backup, Estrutura, Extracao, Instalacao };

const char* nomeDo(Ponto p) {
  switch (p) {
    case Ponto::Download: return "download";
    case Ponto::Backup: return "backup";
    case Ponto::Estrutura: return "structure updater";
    case Ponto::Extracao: return "extraction";
    case Ponto::Instalacao: return "installation";
  }
  return "";
}

QStringList arquivosSob(const QString& pasta) {
  QStringList nomes;
  for (QDirIterator it(pasta, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
    nomes << QDir(pasta).relativeFilePath(it.next());
  nomes.sort();
  return nomes;
}

// An installation with a queued package (a slow download), a structure
// update asked for, a product database and the maker's services.
class Cenario {
 public:
  explicit Cenario(bool bancoGrande, Estrutura estrutura = Estrutura::DormePrimeiraVez)
      : inst_(QString("atlz-kill-%1").arg(::getpid())), estrutura_(estrutura) {
    location_ = freshDatabase();
    if (bancoGrande) cresceBanco();
    tamanhoBanco_ = QFileInfo(location_.section(':', 1)).size();
    writeCaminhoIni(inst_.folder(), location_);
    // The simulator stands in for the maker at 127.0.0.1.
    writeFile(inst_.filePath("Atualizador.ini"), "[Seguranca]\r\nHostsPermitidos=127.0.0.1\r\n");
    montaPacotes();
    writeFile(versoes_.filePath("PDV.exe"), "versão antiga");
    writeFile(versoes_.filePath("Leia.txt"), "de antes");
  }
  ~Cenario() { encerraAtualizadorBD(); }

  // Starts the program and, once it serves terminals, points the tables it
  // created at the folders and the simulator.
  void inicia() {
    inst_.start();
    ASSERT_TRUE(answersIdleStatus(inst_.port(), 60s)) << inst_.stop().toStdString();
    if (configurado_) return;
    auto db = connectTo(location_);
    db->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?", {sim_.olderBase(), sim_.newerBase()});
    db->execute(
        "UPDATE VERSOESCAB SET CAMINHOVERSOES = ?, CAMINHOLOCALBACKUP = ?, ATUALIZARBASE = 'S', NUMEROBACKUP = 5",
        {versoes_.path() + "/", backups_.path() + "/"});
    db->execute("INSERT INTO VERSOESITEM (CODSISTEMA, CODCLIENTE, VERSAOAATUALIZAR) VALUES ('PDV', '000123', ?)",
                {sim_.packageUrl("Modulos.rar")});
    configurado_ = true;
  }

  // Asks for the update and kills the program as soon as `chegou` holds;
  // false when the run ended first.
  bool mataQuando(const std::function<bool()>& chegou) {
    auto t = connectTerminal(inst_.port(), "127.0.0.3");
    if (!t) return false;
    t->envia("[ATUALIZAR]");
    // Looked at every millisecond: some moments last only a few.
    waitUntil([&] { return chegou() || t->recebido().contains("[ATUALIZANDO]:5|"); }, 60s, 1ms);
    const bool aTempo = chegou() && !t->recebido().contains("[ATUALIZANDO]:5|");
    ::kill(static_cast<pid_t>(inst_.process().processId()), SIGKILL);
    inst_.process().waitForFinished(10000);
    encerraAtualizadorBD();
    return aTempo;
  }

  // A whole run from a new terminal: what it received.
  QString atualiza() {
    auto t = connectTerminal(inst_.port(), "127.0.0.3");
    if (!t) return "no connection";
    t->envia("[ATUALIZAR]");
    waitUntil([&] { return logTem("FAtualizacao: PROCESSO FINALIZADO."); }, 90s, 50ms);
    t->envia("[STATUS]");
    t->aguardaRecebido("[STATUS]:0|", 5s);
    return t->recebido();
  }

  // The killed program's attachment is gone from the server.
  bool semConexoes() {
    return waitUntil(
        [&] {
          // A new transaction each time: the monitoring snapshot is per transaction.
          return connectTo(location_)
                     ->query(
                         "SELECT COUNT(*) AS N FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 AND "
                         "MON$ATTACHMENT_ID <> CURRENT_CONNECTION")
                     .value(0, "N")
                     .toInt() == 0;
        },
        10s, 50ms);
  }

  bool logTem(const QString& texto) const {
    QFile log(inst_.filePath("ATLZ" + QDate::currentDate().toString("ddMMyyyy") + ".log"));
    return log.open(QIODevice::ReadOnly) && QString::fromLatin1(log.readAll()).contains(texto);
  }
  bool haEm(const QString& pasta, const QString& padrao) const {
    return !QDir(pasta).entryList({padrao}, QDir::Files).isEmpty();
  }

  QString versoes() const { return versoes_.path(); }
  QString tmp() const { return versoes_.filePath("TMP"); }
  QString backups() const { return backups_.path(); }
  qint64 tamanhoBanco() const { return tamanhoBanco_; }
  QString estruturaRodando() const { return trabalho_.filePath("AtualizadorBD.pid"); }
  QString liberaEstrutura() const { return trabalho_.filePath("libera"); }
  pid_t pidEstrutura() const { return pid_t(readFile(estruturaRodando()).trimmed().toInt()); }
  VendorSim& sim() { return sim_; }
  int naFila() { return connectTo(location_)->query("SELECT * FROM VERSOESITEM").rows.size(); }

  // The failure mails go to the simulator; `extra` adds lines to the
  // [Atualizacao] section.
  void configura(const QString& extra, int bytesPorSegundo = 8 << 20) {
    writeFile(inst_.filePath("Atualizador.ini"),
              QString("[Fornecedor]\r\nSmtpHost=127.0.0.1\r\nSmtpPorta=%1\r\nSmtpUsuario=notifica@fabricante.test\r\n"
                      "SmtpSenha=senha1234\r\nEmailSuporte=suporte@fabricante.test\r\n[Atualizacao]\r\n%2\r\n")
                  .arg(sim_.smtpPort())
                  .arg(extra)
                  .toUtf8());
    sim_.setScenario(cenarioSim(bytesPorSegundo));
  }
  QByteArray doPacote(const QString& nome) const { return readFile(trabalho_.filePath(nome)); }
  Installation& instalacao() { return inst_; }

 private:
  // Blobs are stored uncompressed: the file grows by what is written.
  void cresceBanco() {
    auto db = connectTo(location_);
    db->execute("CREATE TABLE LASTRO (D BLOB SUB_TYPE 0)");
    db->execute(
        "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 2000) DO BEGIN "
        "INSERT INTO LASTRO VALUES (CAST(LPAD('', 32000, GEN_UUID()) AS BLOB SUB_TYPE 0)); "
        "I = I + 1; END END");
  }

  // Modulos.rar: two executables, one large enough for its copy to take a
  // while; AtualizadorBD.rar: a structure updater that, on its first run
  // only, notes its process id and sleeps.
  void montaPacotes() {
    writeFile(trabalho_.filePath("PDV.exe"), noise(8 << 20, 3));
    writeFile(trabalho_.filePath("Fiscal.exe"), "Fiscal 2.0");
    runRar(trabalho_.path(), {"a", "-m0", sim_.packagesDir() + "/Modulos.rar", "PDV.exe", "Fiscal.exe"});
    const QString marca = estruturaRodando();
    QString script;
    switch (estrutura_) {
      case Estrutura::DormePrimeiraVez:
        script = "[ -e '%1' ] && exit 0\necho $$ > '%1.novo' && mv '%1.novo' '%1'\nexec sleep 30\n";
        break;
      case Estrutura::Trava: script = "sleep 600 &\necho $! > '%1.novo' && mv '%1.novo' '%1'\nwait\n"; break;
      case Estrutura::EsperaLiberacao:
        script = "echo $$ > '%1.novo' && mv '%1.novo' '%1'\nwhile [ ! -e '%2' ]; do sleep 0.05; done\n";
        break;
    }
    writeFile(trabalho_.filePath("AtualizadorBD.exe"),
              ("#!/bin/sh\n" + script.replace("%1", marca).replace("%2", liberaEstrutura())).toUtf8(), 0755);
    runRar(trabalho_.path(), {"a", sim_.packagesDir() + "/AtualizadorBD.rar", "AtualizadorBD.exe"});
    sim_.setScenario(cenarioSim(8 << 20));
  }

  static QJsonObject cenarioSim(int bytesPorSegundo) {
    return QJsonObject{{"parametros", QJsonObject{{"CaminhoAtualizadorBD", "${BASE}/pacotes/AtualizadorBD.rar"}}},
                       {"packages", QJsonObject{{"Modulos.rar", QJsonObject{{"bytesPerSecond", bytesPorSegundo}}}}},
                       {"smtp", QJsonObject{{"user", "notifica@fabricante.test"}, {"password", "senha1234"}}}};
  }

  // The structure updater outlives a killed program: its sleep ends here.
  void encerraAtualizadorBD() {
    QFile marca(estruturaRodando());
    if (!marca.open(QIODevice::ReadOnly)) return;
    const pid_t pid = pid_t(marca.readAll().trimmed().toInt());
    // Only while that process is still the structure updater: an ended
    // one's id may already belong to another program (the database server).
    QFile linha(QString("/proc/%1/cmdline").arg(pid));
    if (pid > 1 && linha.open(QIODevice::ReadOnly) && linha.readAll().contains("AtualizadorBD")) ::kill(pid, SIGKILL);
  }

  Installation inst_;
  Estrutura estrutura_;
  VendorSim sim_;
  QTemporaryDir versoes_, backups_, trabalho_;
  QString location_;
  qint64 tamanhoBanco_ = 0;
  bool configurado_ = false;
};

}  // namespace

TEST(KilledRun, RestartingLeavesNoHalfWrittenFileAndTheNextRunCompletes) {
  for (Ponto ponto : {Ponto::Download, Ponto::Backup, Ponto::Estrutura, Ponto::Extracao, Ponto::Instalacao}) {
    SCOPED_TRACE(nomeDo(ponto));
    Cenario c(ponto == Ponto::Backup);
    if (ponto != Ponto::Estrutura) writeFile(c.estruturaRodando(), "0");  // it has run: it ends at once
    ASSERT_NO_FATAL_FAILURE(c.inicia());

    const std::function<bool()> chegou = [&, ponto] {
      switch (ponto) {
        case Ponto::Download: return c.haEm(c.tmp(), "*.baixando");
        case Ponto::Backup: return c.haEm(c.backups(), "*.copiando");
        case Ponto::Estrutura: return QFileInfo::exists(c.estruturaRodando());
        case Ponto::Extracao: return c.logTem("Descompactando arquivo ");
        case Ponto::Instalacao: return c.logTem("Renomeando versão antiga para OLD.");
      }
      return false;
    };
    EXPECT_TRUE(c.mataQuando(chegou)) << "the run ended before it could be killed";
    ASSERT_TRUE(c.semConexoes());

    ASSERT_NO_FATAL_FAILURE(c.inicia());
    // The killed run began and never ended: a failure for a monitor.
    const CommandResult estado =
        c.instalacao().runCommand({"--estado", "--json", "--port", QString::number(c.instalacao().port())});
    EXPECT_EQ(QJsonDocument::fromJson(estado.out.toUtf8())["ultimaAtualizacao"]["resultado"].toString(), "interrompida")
        << estado.out.toStdString() << estado.err.toStdString();
    EXPECT_EQ(estado.exitCode, 1);
    const QString recebido = c.atualiza();
    EXPECT_TRUE(recebido.contains("[ATUALIZANDO]:5|")) << recebido.toStdString();
    EXPECT_FALSE(recebido.contains("[ERRO]")) << recebido.toStdString();

    // The executables as packed, the replaced one under its dated name,
    // what was there before, the structure updater's CAMINHO.DIR; nothing
    // left in TMP. A run killed after installing Fiscal.exe leaves it to be
    // installed again: its first copy then takes the dated name too.
    const QString dia = QDate::currentDate().toString("dd-MM-yyyy");
    const QString datado = "PDV_OLD-" + dia + ".exe";
    QStringList esperados{"CAMINHO.DIR", "Fiscal.exe", "Leia.txt", "PDV.exe", datado};
    if (QFileInfo::exists(c.versoes() + "/Fiscal_OLD-" + dia + ".exe")) {
      esperados.insert(2, "Fiscal_OLD-" + dia + ".exe");
      EXPECT_EQ(readFile(c.versoes() + "/Fiscal_OLD-" + dia + ".exe"), c.doPacote("Fiscal.exe"));
    }
    EXPECT_EQ(arquivosSob(c.versoes()).join(" ").toStdString(), esperados.join(" ").toStdString());
    EXPECT_TRUE(readFile(c.versoes() + "/PDV.exe") == c.doPacote("PDV.exe"));
    EXPECT_EQ(readFile(c.versoes() + "/Fiscal.exe"), c.doPacote("Fiscal.exe"));
    EXPECT_EQ(readFile(c.versoes() + "/" + datado), "versão antiga");

    // Only whole backups, each at least the size of the database it copied.
    const QStringList copias = arquivosSob(c.backups());
    EXPECT_FALSE(copias.isEmpty());
    for (const QString& nome : copias) {
      EXPECT_TRUE(QRegularExpression("^BkpOrvalto_\\d{12}\\.FB$").match(nome).hasMatch()) << nome.toStdString();
      EXPECT_GE(QFileInfo(c.backups() + "/" + nome).size(), c.tamanhoBanco()) << nome.toStdString();
    }
    c.instalacao().stop();
  }
}

TEST(StoppedRun, AHungStructureUpdaterIsEndedAtItsLimitAndTheDatabasePutBack) {
  Cenario c(false, Estrutura::Trava);
  c.configura("LimiteAtualizadorBD=0.02");  // 1.2 s
  ASSERT_NO_FATAL_FAILURE(c.inicia());
  const QString recebido = c.atualiza();
  EXPECT_TRUE(recebido.contains("[ATUALIZANDO]:3|")) << recebido.toStdString();
  EXPECT_TRUE(recebido.endsWith("[ERRO]:4|[STATUS]:0|")) << recebido.toStdString();
  EXPECT_TRUE(c.logTem("passou do limite de 0.02 minutos (LimiteAtualizadorBD)"));
  EXPECT_TRUE(c.logTem("\" restaurado de \"" + c.backups() + "/BkpOrvalto_"));
  // The child the hung program started is gone with it.
  const pid_t filho = c.pidEstrutura();
  ASSERT_GT(filho, 1);
  EXPECT_TRUE(waitUntil([&] { return ::kill(filho, 0) != 0; }, 10s));
  EXPECT_TRUE(waitUntil([&] { return c.sim().mails().size() == 1; }, 20s));
  c.instalacao().stop();
}

TEST(StoppedRun, AStopBeforeTheStructureUpdateEndsTheRunQuietlyAndOneAfterCarriesItThrough) {
  {
    SCOPED_TRACE("during the download");
    Cenario c(false);
    c.configura({}, 512 << 10);  // 16 s for the package
    ASSERT_NO_FATAL_FAILURE(c.inicia());
    auto t = connectTerminal(c.instalacao().port(), "127.0.0.3");
    ASSERT_TRUE(t);
    t->envia("[ATUALIZAR]");
    ASSERT_TRUE(waitUntil([&] { return c.haEm(c.tmp(), "*.baixando"); }, 60s));
    ::kill(static_cast<pid_t>(c.instalacao().process().processId()), SIGTERM);
    ASSERT_TRUE(c.instalacao().process().waitForFinished(10000));
    EXPECT_EQ(c.instalacao().process().exitCode(), 0);
    EXPECT_TRUE(c.logTem("FAtualizacao: Atualização interrompida: o programa está sendo encerrado"));
    EXPECT_FALSE(t->recebido().contains("[ERRO]")) << t->recebido().toStdString();
    EXPECT_EQ(c.naFila(), 1);
    EXPECT_TRUE(arquivosSob(c.backups()).isEmpty());
    EXPECT_TRUE(c.sim().mails().isEmpty());
  }
  {
    SCOPED_TRACE("during the structure update");
    Cenario c(false, Estrutura::EsperaLiberacao);
    c.configura({});
    ASSERT_NO_FATAL_FAILURE(c.inicia());
    auto t = connectTerminal(c.instalacao().port(), "127.0.0.3");
    ASSERT_TRUE(t);
    t->envia("[ATUALIZAR]");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(c.estruturaRodando()); }, 60s));
    ::kill(static_cast<pid_t>(c.instalacao().process().processId()), SIGTERM);
    writeFile(c.liberaEstrutura(), "");
    EXPECT_TRUE(t->aguardaRecebido("[ATUALIZANDO]:5|", 60s)) << t->recebido().toStdString();
    ASSERT_TRUE(c.instalacao().process().waitForFinished(20000));
    EXPECT_EQ(c.instalacao().process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(c.instalacao().process().exitCode(), 0);
    EXPECT_FALSE(t->recebido().contains("[ERRO]")) << t->recebido().toStdString();
    EXPECT_TRUE(c.logTem("FAtualizacao: Processo Concluido com Sucesso."));
    EXPECT_EQ(c.naFila(), 0);
    EXPECT_TRUE(c.sim().mails().isEmpty());
  }
}
