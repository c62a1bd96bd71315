// The settings on the command line, through the built program against the
// real database: what it prints, what it refuses (and leaves untouched) and
// what it saves, read back by the settings form.
#include "base/scramble.h"
#include "configuracoes/formulario_configuracoes.h"
#include "configuracoes/servidor_designado.h"
#include "db/transactions.h"
#include "services/dm_web_service.h"
#include "support/installation.h"
#include "support/product_db.h"
#include "support/product_users.h"
#include "support/scripted_interaction.h"
#include "update/configura_servicos.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <unistd.h>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

struct Resultado {
  int codigo = -1;
  QString saida;
  QString erros;
};

// The settings form of the installation, on a connection of its own,
// loaded as the window loads it.
struct FormularioNaInstalacao {
  FormularioNaInstalacao(const Installation& inst, const QString& location)
      : ctx{inst.folder(), inst.exeName(), nullptr, &ui}, origem(connectTo(location)) {
    form.PCarregaConfiguracoes();
  }
  ScriptedInteraction ui;
  AppContext ctx;
  std::unique_ptr<FbConnection> origem;
  QString modo;
  quint16 tecla = 0;
  FormularioConfiguracoes form{{ctx, [this]() -> const FbConnection& { return *origem; }, nullptr, {}}, modo, tecla};
};

class LinhaDeComando : public ::testing::Test {
 protected:
  void SetUp() override {
    location = freshDatabase();
    writeCaminhoIni(inst.folder(), location);
    db = connectTo(location);
    // What a started updater leaves: its tables, with the row of settings.
    db->execute(
        "CREATE TABLE VERSOESCAB (CAMINHOLOCALBACKUP VARCHAR(255), CAMINHOVERSOES VARCHAR(255), "
        "USUARIOSATUALIZAVERSAO VARCHAR(255), NOMESERVIDOR VARCHAR(255), USAPROXY VARCHAR(1))");
    db->execute("INSERT INTO VERSOESCAB VALUES (?, ?, 'ADMIN,MESTRE', 'SRV01', 'N')",
                {backup.path() + "/", versoes.path() + "/"});
    addProductUser(*db, "ADMIN", "CHAVE9");  // the product keeps passwords in upper case
    addProductUser(*db, "Joao", "x");
    addProductUser(*db, "MESTRE", "MESTRE");
  }

  Resultado roda(const QStringList& args, const QByteArray& entrada = {}, const QString& pasta = {}) {
    QProcess p;
    p.setWorkingDirectory(pasta);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(inst.exePath(), args);
    EXPECT_TRUE(p.waitForStarted(10000));
    p.write(entrada);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
  }

  QString location;
  Installation inst{QString("orvtest-config-%1").arg(::getpid())};
  QTemporaryDir backup, versoes;
  std::unique_ptr<FbConnection> db;
};

TEST_F(LinhaDeComando, PrintsEverySettingBesideARunningUpdater) {
  db->execute(
      "UPDATE PARALOGIN SET PROXY = '10.1.1.1', PORTAPROXY = '8080', AUTENTICACAOPROXY = 'S', "
      "USUARIOPROXY = 'ANA', SENHAPROXY = ?",
      {cifra("oculta", kChaveServico)});
  NamedProcess guardiao(QString("orvtest-guarda-%1").arg(::getpid()));
  QProcessEnvironment env;
  env.insert("ORVALTO_GUARDIAN", QString("orvtest-guarda-%1").arg(::getpid()));
  const quint16 porta = freePort();
  inst.start({"--headless", "--port", QString::number(porta)}, env);
  ASSERT_TRUE(waitUntil(
      [&] {
        QTcpSocket s;
        s.connectToHost("127.0.0.1", porta);
        return s.waitForConnected(200);
      },
      30s, 50ms));

  const Resultado r = roda({"--configuracao"});
  EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
  EXPECT_EQ(r.saida.split('\n', Qt::SkipEmptyParts),
            QStringList({"CAMINHOLOCALBACKUP=" + backup.path() + "/", "CAMINHOVERSOES=" + versoes.path() + "/",
                         "USAPROXY=N", "PROXY=10.1.1.1", "PORTAPROXY=8080", "AUTENTICACAOPROXY=S", "USUARIOPROXY=ANA",
                         "SENHAPROXY=********", "USUARIOSATUALIZAVERSAO=ADMIN,MESTRE", "NOMESERVIDOR=SRV01"}));
  EXPECT_EQ(inst.process().state(), QProcess::Running);
  EXPECT_TRUE(roda({"--help"}).erros.contains("--configura NOME=valor"));
}

TEST_F(LinhaDeComando, ARefusedValueChangesNothing) {
  ASSERT_EQ(roda({"--configuracao"}).codigo, 0);  // the tables gain their columns once
  const QString antes = settingsRows(*db);
  const QString pasta = backup.path();
  struct Caso {
    QStringList args;
    QByteArray senha;
    QString mensagem;
  };
  const QList<Caso> casos{
      {{"--configura", "CAMINHOVERSOES=" + pasta}, "chave9\n", "Deseja gravar o caminho informado? [Não]"},
      {{"--configura", "CAMINHOLOCALBACKUP=" + pasta + "/nada"}, "chave9\n", "backup’s não foi encontrado."},
      {{"--configura", "CAMINHOLOCALBACKUP= "}, "chave9\n", "backup’s não pode ficar em branco."},
      {{"--configura", "USUARIOSATUALIZAVERSAO=joao,NINGUEM"}, "chave9\n", "NINGUEM"},
      {{"--configura", "PROXY=10.0.0.9"}, "chave9\n", "USAPROXY=S"},
      {{"--configura", "USAPROXY=S", "SENHAPROXY=segredo"}, "chave9\n", "AUTENTICACAOPROXY=S"},
      {{"--configura", "USAPROXY=talvez"}, "chave9\n", "informe S ou N"},
      {{"--configura", "USAPROXY=S", "PROXY= "}, "chave9\n", "PROXY: Informe o endereço do proxy."},
      {{"--configura", "USAPROXY=S", "PROXY=10.0.0.9", "PORTAPROXY=70000"}, "chave9\n", "entre 1 e 65535"},
      {{"--configura", "CAMINHOLOCALBACKUP=" + pasta}, "errada\n", "Senha inválida!"},
      {{"--configura", "CAMINHOLOCALBACKUP=" + pasta}, "", "Nenhuma senha informada."},
      {{"--configura", "USAPROXY=S", "AUTENTICACAOPROXY=S", "SENHAPROXY=-"},
       "",
       "SENHAPROXY: nenhuma senha informada."},
  };
  for (const Caso& c : casos) {
    const Resultado r = roda(c.args, c.senha);
    EXPECT_EQ(r.codigo, 1) << c.args.join(' ').toStdString();
    EXPECT_TRUE(r.erros.contains(c.mensagem)) << r.erros.toStdString();
    EXPECT_FALSE(r.erros.contains("segredo"));
  }
  EXPECT_EQ(roda({"--configura", "NOMESERVIDOR=OUTRO"}).codigo, 2);
  // This computer, but another one holds the designation and no --sim.
  EXPECT_EQ(roda({"--configura", "NOMESERVIDOR=" + FNomeComputador()}, "chave9\n").codigo, 1);
  EXPECT_EQ(roda({"--configura", "CAMINHO=x"}).codigo, 2);
  EXPECT_EQ(settingsRows(*db), antes);
}

TEST_F(LinhaDeComando, AnAcceptedChangeIsWhatTheFormAndTheServiceClientRead) {
  db->execute("DELETE FROM VERSOESCAB");  // a first save inserts the row
  QDir(backup.path()).mkdir("copias");
  const QStringList args{"--configura",
                         "CAMINHOVERSOES=" + versoes.path(),
                         "--sim",
                         "CAMINHOLOCALBACKUP=copias",
                         "USUARIOSATUALIZAVERSAO=joao",
                         "USAPROXY=S",
                         "PROXY=127.0.0.1",
                         "PORTAPROXY=3128",
                         "AUTENTICACAOPROXY=S",
                         "USUARIOPROXY=ana",
                         "SENHAPROXY=-"};
  // The proxy password comes first on standard input, off the command line;
  // the backup folder is named from where the command runs.
  Resultado r = roda(args, "segredo9\nchave9\n", backup.path());
  ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
  EXPECT_EQ(r.saida, "Dados gravados com sucesso!\n");
  EXPECT_FALSE(r.erros.contains("segredo9"));
  // The folders' file systems are recorded beside the program for the
  // update to compare.
  QFile registro(inst.folder() + "/PastasRegistradas.txt");
  ASSERT_TRUE(registro.open(QIODevice::ReadOnly));
  const QByteArray registrado = registro.readAll();
  EXPECT_TRUE(registrado.contains("versoes\t") && registrado.contains(versoes.path().toUtf8())) << registrado.data();
  EXPECT_TRUE(registrado.contains("backup\t")) << registrado.data();
  r = roda({"--configura", "USAPROXY=N"}, "chave9\n");  // the second save updates the one row
  ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
  EXPECT_EQ(db->query("SELECT COUNT(*) FROM VERSOESCAB").rows.first().first().toInt(), 1);
  EXPECT_EQ(db->query("SELECT UTILIZAPROXY, PROXY FROM PARALOGIN").rows.first(), QVariantList({"N", "127.0.0.1"}));
  r = roda({"--configura", "USAPROXY=S"}, "chave9\n");
  ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();

  FormularioNaInstalacao aberto(inst, location);
  FormularioConfiguracoes& form = aberto.form;
  const QString& modo = aberto.modo;
  const std::unique_ptr<FbConnection>& origem = aberto.origem;
  EXPECT_EQ(modo, "A");
  EXPECT_EQ(form.CAMINHOLOCALBACKUP.texto, backup.path() + "/copias/");
  EXPECT_EQ(form.CAMINHOVERSOES.texto, versoes.path() + "/");
  EXPECT_TRUE(form.ChkProxy && form.chkUsaAutenticacao);
  EXPECT_EQ(form.edtIpProxy.texto, "127.0.0.1");
  EXPECT_EQ(form.EdtPortaProxy.texto, "3128");
  EXPECT_EQ(form.EdtUsuario.texto, "ANA");
  EXPECT_EQ(form.EdtSenha.texto, "segredo9");
  EXPECT_EQ(form.cklistUsuariosAtualiza.FRetornaUsuariosSelecionados(), "ADMIN,Joao,MESTRE");

  TDmWebService cliente;
  PConfiguraServicos(cliente, *origem, inst.folder());
  EXPECT_EQ(cliente.HTTPRIO().httpOptions().proxy, "127.0.0.1:3128");
  EXPECT_EQ(cliente.HTTPRIO().httpOptions().proxyUserName, "ANA");
  EXPECT_EQ(cliente.HTTPRIO().httpOptions().proxyPassword, "segredo9");
  for (const QString& arquivo : QDir(inst.folder()).entryList({"*.log"})) {
    QFile log(inst.filePath(arquivo));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().contains("segredo9"));
  }
}

TEST_F(LinhaDeComando, ASaveKeepsWhatItDoesNotTouch) {
  // The product turned the proxy on in PARALOGIN by itself; the stored
  // password is longer than the window's field.
  const QString senhaLonga = "abcdefghij0123456789";
  db->execute(
      "UPDATE PARALOGIN SET UTILIZAPROXY = 'S', PROXY = '10.1.1.1', PORTAPROXY = '8080', "
      "AUTENTICACAOPROXY = 'S', USUARIOPROXY = 'ANA', SENHAPROXY = ?",
      {cifra(senhaLonga, kChaveServico)});
  ASSERT_EQ(roda({"--configuracao"}).codigo, 0);  // the tables gain their columns once
  const auto paralogin = [&] { return settingsRows(*db).section("PARALOGIN: ", 1); };
  const QString antes = paralogin();
  QDir(backup.path()).mkdir("outra");
  Resultado r = roda({"--configura", "CAMINHOLOCALBACKUP=" + backup.path() + "/outra"}, "chave9\n");
  ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
  EXPECT_EQ(paralogin(), antes);

  // The window: a load and a save that changes the proxy's port keep the
  // password whole; one that changes only a folder leaves PARALOGIN alone.
  db->execute("UPDATE VERSOESCAB SET USAPROXY = 'S'");
  FormularioNaInstalacao aberto(inst, location);
  FormularioConfiguracoes& form = aberto.form;
  EXPECT_EQ(form.EdtSenha.texto, senhaLonga);
  const auto grava = [&] {
    auto cn = connectTo(location);
    PIniciaTransacao(*cn);
    form.PGravaConfiguracoes(*cn);
    PConfirmaTransacao(*cn);
  };
  const QString comProxyLigado = paralogin();
  form.digita(CampoFormulario::CAMINHOVERSOES, versoes.path());
  grava();
  EXPECT_EQ(paralogin(), comProxyLigado);
  form.digita(CampoFormulario::EdtPortaProxy, "3128");
  grava();
  EXPECT_EQ(FDecifraSenhaServico(db->query("SELECT SENHAPROXY FROM PARALOGIN").value(0, "SENHAPROXY").toString()),
            senhaLonga);
  EXPECT_EQ(db->query("SELECT PORTAPROXY FROM PARALOGIN").value(0, "PORTAPROXY").toString(), "3128");
}

TEST_F(LinhaDeComando, NomeServidorDesignatesThisComputerWithSim) {
  const Resultado r = roda({"--configura", "NOMESERVIDOR=" + FNomeComputador().toLower(), "--sim"}, "chave9\n");
  ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
  EXPECT_TRUE(r.erros.contains("SRV01")) << r.erros.toStdString();  // the question, answered
  EXPECT_EQ(db->query("SELECT NOMESERVIDOR FROM VERSOESCAB").value(0, "NOMESERVIDOR").toString(), FNomeComputador());
}

}  // namespace
