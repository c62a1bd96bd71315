// The built program itself, serving terminals: as a service, and on a
// desktop that has no notification area.
#include "platform/system.h"
#include "support/installation.h"
#include "support/product_db.h"
#include "support/qt_app.h"
#include "support/terminal_connect.h"
#include "support/tray_form_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <unistd.h>
#include <csignal>

using namespace orvalto;
using namespace orvalto::test;

namespace {

// A deadline, not a pause: under a loaded machine (other tests growing
// databases on the same server) a start can take far longer than usual.
constexpr int kEspera = 60000;

quint16 portaLivre() {
  QTcpServer s;
  s.listen(QHostAddress::Any, 0);
  return s.serverPort();
}

// A copy of the program under a name of its own (copies run by other tests,
// or by this test in another test program on the machine, must not count as
// "already open"), with its Caminho.ini.
class Programa {
 public:
  explicit Programa(const QString& nome) : exe_(dir_.filePath(QString("%1-%2").arg(nome).arg(::getpid()))) {
    ensureQtApp();
    playGuardian();
    if (!QFile::copy(QDir(ORVALTO_BIN_DIR).filePath("orvalto-atualizador"), exe_))
      throw std::runtime_error("cannot copy the program");
    writeCaminhoIni(dir_.path(), sharedTrayDatabase("app_tests"));
    processo_.setWorkingDirectory(dir_.path());
    // Its own process group, so that a wrapper and its children end together.
    processo_.setChildProcessModifier([] { ::setpgid(0, 0); });
  }
  ~Programa() { para(); }

  void inicia(const QString& programa, const QStringList& argumentos, const QProcessEnvironment& ambiente) {
    processo_.setProcessEnvironment(ambiente);
    processo_.start(programa, argumentos);
    ASSERT_TRUE(processo_.waitForStarted(kEspera));
  }
  QString para() {
    if (processo_.state() != QProcess::NotRunning) {
      ::kill(-static_cast<pid_t>(processo_.processId()), SIGTERM);
      if (!processo_.waitForFinished(kEspera)) {
        ::kill(-static_cast<pid_t>(processo_.processId()), SIGKILL);
        processo_.waitForFinished(kEspera);
      }
    }
    saida_ += QString::fromUtf8(processo_.readAllStandardError());
    return saida_;
  }
  bool terminou() const { return processo_.state() == QProcess::NotRunning; }
  int codigo() const { return processo_.exitCode(); }
  QString exe() const { return exe_; }
  QString pasta() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QString exe_;
  QProcess processo_;
  QString saida_;
};

QProcessEnvironment ambienteSemDesktop() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  return env;
}

TEST(ProgramaReal, HeadlessServesTheGivenPortAndLogsEachTerminal) {
  Programa p("orvalto-term-headless");
  const quint16 porta = portaLivre();
  p.inicia(p.exe(), {"--headless", "--port", QString::number(porta)}, ambienteSemDesktop());
  EXPECT_TRUE(answersIdleStatus(porta, std::chrono::milliseconds(kEspera)));
  p.para();
  QDir pasta(p.pasta());
  const QStringList logs = pasta.entryList({"ATLZ*.log"});
  ASSERT_EQ(logs.size(), 1);
  QFile log(pasta.filePath(logs.first()));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(log.readAll().contains(" - ServerClientConnect\r\n"));
}

// Started as the service manager starts it: SYSTEMD_EXEC_PID is the
// program's own pid (the shell hands its pid on through exec).
void iniciaComoServico(Programa& p, const QString& exe, quint16 porta) {
  p.inicia(
      "/bin/sh",
      {"-c", "export SYSTEMD_EXEC_PID=$$; exec \"$0\" \"$@\"", exe, "--headless", "--port", QString::number(porta)},
      ambienteSemDesktop());
}

TEST(ProgramaReal, UnderTheServiceManagerLinesReachTheJournalWithTheirLevelAndFailedStartsEndWithAFailure) {
  Programa servico("orvalto-term-diario");
  const quint16 porta = portaLivre();
  iniciaComoServico(servico, servico.exe(), porta);
  ASSERT_TRUE(answersIdleStatus(porta, std::chrono::milliseconds(kEspera))) << servico.para().toStdString();

  // A second copy says why in the journal and fails.
  Programa segunda("orvalto-term-diario-2");
  QProcess copia;
  copia.setProcessEnvironment(ambienteSemDesktop());
  copia.start("/bin/sh", {"-c", "export SYSTEMD_EXEC_PID=$$; exec \"$0\" --headless", servico.exe()});
  ASSERT_TRUE(copia.waitForFinished(kEspera));
  EXPECT_EQ(copia.exitCode(), 1);
  EXPECT_TRUE(QString::fromUtf8(copia.readAllStandardError())
                  .contains(QString::fromUtf8("<4>Alerta: O aplicativo de atualização já está aberto.\n")));

  // A database that cannot be opened: an error line, and a failure status.
  writeCaminhoIni(segunda.pasta(), segunda.pasta() + "/nenhum.fdb");
  iniciaComoServico(segunda, segunda.exe(), portaLivre());
  QString semBanco;
  ASSERT_TRUE(waitUntil([&] { return segunda.terminou(); }, std::chrono::milliseconds(kEspera)));
  semBanco = segunda.para();
  EXPECT_EQ(segunda.codigo(), 1);
  EXPECT_TRUE(semBanco.contains(QString::fromUtf8("<3>Falha ao iniciar: o banco de dados")));

  const QString diario = servico.para();
  EXPECT_TRUE(diario.contains("<6>ServerClientConnect\n")) << diario.toStdString();
  // Nothing reaches the journal without its level.
  for (const QString& linha : diario.split('\n', Qt::SkipEmptyParts))
    EXPECT_TRUE(linha.startsWith("<3>") || linha.startsWith("<4>") || linha.startsWith("<6>")) << linha.toStdString();
  // The day file is as it always was.
  const QStringList logs = QDir(servico.pasta()).entryList({"ATLZ*.log"});
  ASSERT_EQ(logs.size(), 1);
  QFile log(QDir(servico.pasta()).filePath(logs.first()));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(log.readAll().contains(" - ServerClientConnect\r\n"));
}

TEST(ProgramaReal, ADesktopWithoutTrayRunsHeadlessOnItsOwn) {
  const QString xvfbRun = QStandardPaths::findExecutable("xvfb-run");
  if (xvfbRun.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
  Programa p("orvalto-term-xvfb");
  const quint16 porta = portaLivre();
  QProcessEnvironment env = ambienteSemDesktop();
  p.inicia(xvfbRun, {"-a", p.exe(), "--port", QString::number(porta)}, env);
  EXPECT_TRUE(answersIdleStatus(porta, std::chrono::milliseconds(kEspera)));
  EXPECT_TRUE(p.para().contains("sem área de notificação: executando sem janelas"));
}

}  // namespace

namespace {

TEST(ProgramaTerminal, RefusesAPortOutsideTheTcpRange) {
  // 70000 would otherwise wrap to port 4464 and talk to whatever is there.
  QProcess terminal;
  terminal.start(QDir(ORVALTO_BIN_DIR).filePath("orvalto-terminal"), {"--port", "70000", "[STATUS]"});
  ASSERT_TRUE(terminal.waitForFinished(kEspera));
  EXPECT_EQ(terminal.exitCode(), 2);
  EXPECT_TRUE(terminal.readAllStandardError().contains("invalid value for --port"));
}

}  // namespace
