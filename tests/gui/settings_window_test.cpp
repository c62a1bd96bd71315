// The settings in the tray window, as the administrator sees and uses them,
// over the real behaviour and a product database of each test's own.
#include "app/configura_locais.h"
#include "base/scramble.h"
#include "configuracoes/servidor_designado.h"
#include "gui/campos_configuracoes.h"
#include "gui/configura_locais_window.h"
#include "gui/senha_alcada_dialog.h"
#include "gui/widget_interaction.h"
#include "gui_app.h"
#include "services/dm_web_service.h"
#include "support/product_db.h"
#include "support/product_users.h"
#include "support/tray_form_fixture.h"
#include "update/configura_servicos.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace orvalto;
using namespace orvalto::test;

namespace {

class JanelaDeConfiguracoes : public ::testing::Test {
 protected:
  void SetUp() override {
    location = freshDatabase();
    db = connectTo(location);
    addProductUser(*db, "ADMIN", "CHAVE9");
    addProductUser(*db, "JOAO", "J1");
    addProductUser(*db, "MESTRE", "M1");
    folder = std::make_unique<TrayFolder>(location);
    form = std::make_unique<TfrmConfiguraLocais>(folder->ctx, 0);
    janela = std::make_unique<ConfiguraLocaisWindow>(*form, bandeja);
    form->Formulario().deRede = [](const QString& pasta) { return pasta.startsWith("//"); };
  }
  void TearDown() override {
    janela.reset();
    form.reset();
  }

  CamposConfiguracoes& campos() { return janela->campos(); }
  ScriptedInteraction& ui() { return folder->scripted; }
  QString ultimaMensagem() const {
    const auto m = folder->scripted.messages();
    return m.isEmpty() ? QString() : m.last().text;
  }
  QString valor(const QString& sql) { return db->query(sql).rows.value(0).value(0).toString(); }

  void abreAtiva() {
    janela->abre();
    ASSERT_TRUE(janela->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(janela.get()));
  }
  void digita(QLineEdit* campo, const QString& texto) {
    campo->setFocus();
    campo->selectAll();
    QTest::keyClicks(campo, texto);
  }
  // Answers the password dialog when it opens; `ok` false cancels it.
  void respondeSenha(const QString& usuario, const QString& senha, bool ok = true) {
    whenModalOpens([=](QWidget* modal) {
      auto* dialogo = qobject_cast<TFSenhaAlcada*>(modal);
      ASSERT_NE(dialogo, nullptr);
      QTest::keyClicks(dialogo->EdUsuario, usuario);
      QTest::keyClicks(dialogo->EdSenha, senha);
      (ok ? dialogo->BtOk : dialogo->BtCancelar)->click();
    });
  }

  QString location;
  std::unique_ptr<FbConnection> db;
  WidgetInteraction bandeja;
  std::unique_ptr<TrayFolder> folder;
  std::unique_ptr<TfrmConfiguraLocais> form;
  std::unique_ptr<ConfiguraLocaisWindow> janela;
  QTemporaryDir backup, versoes;
};

TEST_F(JanelaDeConfiguracoes, OpeningClaimsTheServerAndShowsTheStoredSettings) {
  db->execute(
      "UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = ?, CAMINHOVERSOES = ?, "
      "USUARIOSATUALIZAVERSAO = 'MESTRE,JOAO,,MARIA', USAPROXY = 'S'",
      {backup.path() + "/", versoes.path() + "/"});
  db->execute(
      "UPDATE PARALOGIN SET PROXY = '10.0.0.1', PORTAPROXY = '3128', AUTENTICACAOPROXY = 'S', "
      "USUARIOPROXY = 'ana', SENHAPROXY = ?",
      {cifra("abc", kChaveServico)});
  janela->abre();
  EXPECT_TRUE(janela->isVisible());
  EXPECT_TRUE(ui().shown().isEmpty());  // an empty designation is claimed without a question
  EXPECT_EQ(valor("SELECT NOMESERVIDOR FROM VERSOESCAB"), FNomeComputador());
  EXPECT_EQ(form->ModoGravacao, "A");

  EXPECT_EQ(campos().CAMINHOLOCALBACKUP->text(), backup.path() + "/");
  EXPECT_EQ(campos().CAMINHOVERSOES->text(), versoes.path() + "/");
  EXPECT_TRUE(campos().ChkProxy->isChecked());
  EXPECT_TRUE(campos().edtIpProxy->isEnabled() && campos().lbIPProxy->isEnabled());
  EXPECT_EQ(campos().edtIpProxy->text(), "10.0.0.1");
  EXPECT_EQ(campos().EdtPortaProxy->text(), "3128");
  EXPECT_TRUE(campos().chkUsaAutenticacao->isChecked());
  EXPECT_EQ(campos().EdtUsuario->text(), "ANA");
  EXPECT_EQ(campos().EdtSenha->text(), "abc");
  EXPECT_EQ(campos().EdtSenha->echoMode(), QLineEdit::Password);

  // MARIA is no user: JOAO, ADMIN and MESTRE are ticked; the built-in two
  // are greyed and keep their tick.
  QListWidget* lista = janela->cklistUsuariosAtualiza();
  ASSERT_EQ(lista->count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(lista->item(i)->checkState(), Qt::Checked) << i;
    EXPECT_EQ(bool(lista->item(i)->flags() & Qt::ItemIsEnabled), lista->item(i)->text() == "JOAO") << i;
  }
  lista->item(0)->setCheckState(Qt::Unchecked);  // ADMIN
  lista->item(1)->setCheckState(Qt::Unchecked);  // JOAO
  EXPECT_EQ(lista->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(form->Formulario().cklistUsuariosAtualiza.FRetornaUsuariosSelecionados(), "ADMIN,MESTRE");
}

TEST_F(JanelaDeConfiguracoes, TakingOverTheServerIsAskedEveryTimeUntilAccepted) {
  db->execute("UPDATE VERSOESCAB SET NOMESERVIDOR = 'OUTRA', CAMINHOVERSOES = ?", {versoes.path() + "/"});
  janela->abre();  // no answer queued: No
  EXPECT_FALSE(janela->isVisible());
  ASSERT_EQ(ui().shown().size(), 1);
  EXPECT_EQ(ui().shown().first().kind, "question");
  EXPECT_EQ(ui().shown().first().text, QString::fromUtf8("Existe um servidor configurado na rede na máquina OUTRA.\r"
                                                         "Deseja definir este computador (") +
                                           FNomeComputador() + ") como novo servidor?");
  EXPECT_EQ(valor("SELECT NOMESERVIDOR FROM VERSOESCAB"), "OUTRA");
  EXPECT_EQ(campos().CAMINHOVERSOES->text(), versoes.path() + "/");  // loaded all the same

  ui().queueAnswer(true);
  janela->abre();
  EXPECT_TRUE(janela->isVisible());
  EXPECT_EQ(ui().shown().size(), 2);
  EXPECT_EQ(valor("SELECT NOMESERVIDOR FROM VERSOESCAB"), FNomeComputador());
}

TEST_F(JanelaDeConfiguracoes, AFolderFieldIsCheckedWhenLeftWithEnterNotWithTab) {
  abreAtiva();
  QLineEdit* campo = campos().CAMINHOLOCALBACKUP;
  digita(campo, " " + backup.path() + "/nada ");
  QTest::keyClick(campo, Qt::Key_Tab);
  EXPECT_TRUE(ui().messages().isEmpty());
  EXPECT_NE(QApplication::focusWidget(), campo);

  campo->setFocus();
  QTest::keyClick(campo, Qt::Key_Return);
  EXPECT_EQ(ultimaMensagem(), QString::fromUtf8("Caminho para armazenamento de backup’s não foi encontrado."));
  EXPECT_EQ(campo->text(), backup.path() + "/nada");
  EXPECT_EQ(campo->palette().color(QPalette::Text), QColor(Qt::red));
  EXPECT_EQ(QApplication::focusWidget(), campo);
  QTest::keyClick(campo, Qt::Key_Backspace);  // any change turns the text black again
  EXPECT_EQ(campo->palette().color(QPalette::Text), QColor(Qt::black));

  digita(campo, "  " + backup.path() + " ");
  QTest::keyClick(campo, Qt::Key_Return);
  EXPECT_EQ(campo->text(), backup.path() + "/");  // trimmed, case kept, separator added
  EXPECT_EQ(QApplication::focusWidget(), campos().CAMINHOVERSOES);
  EXPECT_EQ(ui().messages().size(), 1);

  // A double click picks the folder.
  ui().queueFolder(versoes.path() + "/");
  QTest::mouseDClick(campos().CAMINHOVERSOES, Qt::LeftButton);
  EXPECT_EQ(campos().CAMINHOVERSOES->text(), versoes.path());
}

TEST_F(JanelaDeConfiguracoes, TheProxySwitchesOpenAndClearTheirFields) {
  abreAtiva();
  EXPECT_FALSE(campos().edtIpProxy->isEnabled() || campos().chkUsaAutenticacao->isEnabled());
  campos().ChkProxy->click();
  EXPECT_TRUE(campos().edtIpProxy->isEnabled() && campos().EdtPortaProxy->isEnabled() &&
              campos().lbPorta->isEnabled() && campos().chkUsaAutenticacao->isEnabled());
  EXPECT_FALSE(campos().EdtUsuario->isEnabled());
  digita(campos().edtIpProxy, "10.0.0.2");
  digita(campos().EdtPortaProxy, "8080");
  campos().chkUsaAutenticacao->click();
  EXPECT_TRUE(campos().EdtUsuario->isEnabled() && campos().lbSenha->isEnabled());
  digita(campos().EdtUsuario, "ana");
  digita(campos().EdtSenha, "0123456789");
  EXPECT_EQ(campos().EdtUsuario->text(), "ANA");
  EXPECT_EQ(campos().EdtSenha->text(), "012345678");

  campos().chkUsaAutenticacao->click();
  EXPECT_TRUE(campos().EdtUsuario->text().isEmpty() && campos().EdtSenha->text().isEmpty());
  EXPECT_FALSE(campos().EdtUsuario->isEnabled());
  campos().chkUsaAutenticacao->click();
  digita(campos().EdtUsuario, "ana");
  campos().ChkProxy->click();
  EXPECT_FALSE(campos().chkUsaAutenticacao->isChecked() || campos().chkUsaAutenticacao->isEnabled());
  for (QLineEdit* c : {campos().edtIpProxy, campos().EdtPortaProxy, campos().EdtUsuario, campos().EdtSenha})
    EXPECT_TRUE(c->text().isEmpty() && !c->isEnabled()) << c->objectName().toStdString();
  EXPECT_FALSE(campos().lbIPProxy->isEnabled() || campos().lbUsuario->isEnabled());
}

TEST_F(JanelaDeConfiguracoes, SavingAsksForTheAdministratorAndInsertsTheRowOnce) {
  db->execute("DELETE FROM VERSOESCAB");
  db->execute("UPDATE PARALOGIN SET PROXY = 'antigo'");
  abreAtiva();
  EXPECT_EQ(form->ModoGravacao, "I");
  digita(campos().CAMINHOLOCALBACKUP, backup.path());
  digita(campos().CAMINHOVERSOES, versoes.path());

  janela->btGravar()->click();  // the versions folder is local: No
  EXPECT_EQ(ui().shown().last().kind, "question");
  EXPECT_EQ(QApplication::focusWidget(), campos().CAMINHOVERSOES);
  ui().queueAnswer(true);
  respondeSenha("admin", "chave9", false);
  janela->btGravar()->click();  // cancelled: nothing saved, nothing said
  EXPECT_EQ(ui().shown().last().kind, "question");
  EXPECT_EQ(valor("SELECT COUNT(*) FROM VERSOESCAB"), "0");

  campos().ChkProxy->click();
  digita(campos().edtIpProxy, "127.0.0.1");
  digita(campos().EdtPortaProxy, "3128");
  campos().chkUsaAutenticacao->click();
  digita(campos().EdtUsuario, "ana");
  digita(campos().EdtSenha, "s3gredo");
  for (int vez = 0; vez < 2; ++vez) {
    ui().queueAnswer(true);
    respondeSenha("admin", "chave9");
    janela->btGravar()->click();
    EXPECT_EQ(ultimaMensagem(), "Dados gravados com sucesso!");
  }
  EXPECT_EQ(form->ModoGravacao, "A");
  const QueryResult cab = db->query("SELECT * FROM VERSOESCAB");
  ASSERT_EQ(cab.rows.size(), 1);
  EXPECT_EQ(cab.value(0, "CAMINHOLOCALBACKUP").toString(), backup.path() + "/");
  EXPECT_EQ(cab.value(0, "CAMINHOVERSOES").toString(), versoes.path() + "/");
  EXPECT_EQ(cab.value(0, "USUARIOSATUALIZAVERSAO").toString(), "ADMIN,MESTRE");
  EXPECT_EQ(cab.value(0, "USAPROXY").toString(), "S");
  EXPECT_EQ(cab.value(0, "USAATUALIZADORONLINE").toString(), "S");

  // The service client reads what the form saved.
  TDmWebService cliente;
  PConfiguraServicos(cliente, *db, folder->path());
  EXPECT_EQ(cliente.HTTPRIO().httpOptions().proxy, "127.0.0.1:3128");
  EXPECT_EQ(cliente.HTTPRIO().httpOptions().proxyUserName, "ANA");
  EXPECT_EQ(cliente.HTTPRIO().httpOptions().proxyPassword, "s3gredo");
  EXPECT_NE(valor("SELECT SENHAPROXY FROM PARALOGIN"), "s3gredo");

  // With the proxy off only the switch changes in PARALOGIN.
  campos().ChkProxy->click();
  ui().queueAnswer(true);
  respondeSenha("admin", "chave9");
  janela->btGravar()->click();
  EXPECT_EQ(valor("SELECT USAPROXY FROM VERSOESCAB"), "N");
  EXPECT_EQ(valor("SELECT UTILIZAPROXY FROM PARALOGIN"), "N");
  EXPECT_EQ(valor("SELECT PROXY FROM PARALOGIN"), "127.0.0.1");
  EXPECT_FALSE(folder->logLines().join('\n').contains("s3gredo"));
}

class DialogoDeSenha : public JanelaDeConfiguracoes {
 protected:
  void SetUp() override {
    JanelaDeConfiguracoes::SetUp();
    db->execute("INSERT INTO CADUSUA (USUARIO, SENHA) VALUES ('QUEBRADO', '12')");
    cn.setParams(location, testdb::kUser, testdb::kPassword);
    dialogo = std::make_unique<TFSenhaAlcada>(cn, folder->ctx);
    dialogo->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialogo.get()));
  }
  // Types over whatever the fields hold, as a person would.
  void tenta(const QString& usuario, const QString& senha) {
    for (auto [campo, texto] : {std::pair{dialogo->EdUsuario, usuario}, {dialogo->EdSenha, senha}}) {
      campo->selectAll();
      QTest::keyClick(campo, Qt::Key_Delete);
      QTest::keyClicks(campo, texto);
    }
    dialogo->BtOk->click();
  }

  FbConnection cn;
  std::unique_ptr<TFSenhaAlcada> dialogo;
};

TEST_F(DialogoDeSenha, RefusesAnUnknownUserAWrongPasswordAndAnyoneButTheAdministrator) {
  EXPECT_EQ(dialogo->windowTitle(), "Senha para configurar locais");
  EXPECT_EQ(dialogo->size(), QSize(260, 101));

  tenta("ninguem", "x");
  EXPECT_EQ(ultimaMensagem(), QString::fromUtf8("Usuário não cadastrado!"));
  EXPECT_TRUE(dialogo->EdUsuario->text().isEmpty());
  EXPECT_EQ(dialogo->EdSenha->text(), "X");
  EXPECT_EQ(QApplication::focusWidget(), dialogo->EdUsuario);

  tenta("joao", "j2");
  EXPECT_EQ(ultimaMensagem(), QString::fromUtf8("Senha inválida!"));
  EXPECT_EQ(dialogo->EdUsuario->text(), "JOAO");
  EXPECT_TRUE(dialogo->EdSenha->text().isEmpty());
  EXPECT_EQ(QApplication::focusWidget(), dialogo->EdSenha);

  tenta("mestre", "m1");
  EXPECT_EQ(ultimaMensagem(), QString::fromUtf8("Usuario não é administrador!"));
  EXPECT_TRUE(dialogo->EdUsuario->text().isEmpty() && dialogo->EdSenha->text().isEmpty());

  tenta("quebrado", "x");  // a stored password that does not decode
  EXPECT_TRUE(ultimaMensagem().startsWith("BtOkClick: ")) << ultimaMensagem().toStdString();
  EXPECT_TRUE(dialogo->isVisible());
  EXPECT_FALSE(dialogo->confirmado());

  tenta("admin", "chave9  ");  // trailing blanks match
  EXPECT_TRUE(dialogo->confirmado()) << ultimaMensagem().toStdString();
  EXPECT_FALSE(dialogo->isVisible());
}

TEST_F(DialogoDeSenha, EscClearsTheFieldsAndThenCloses) {
  QTest::keyClicks(dialogo->EdUsuario, "admin");
  dialogo->EdUsuario->setFocus();
  QTest::keyClick(dialogo->EdUsuario, Qt::Key_Return);  // Enter moves on
  EXPECT_EQ(QApplication::focusWidget(), dialogo->EdSenha);
  QTest::keyClick(dialogo->EdSenha, Qt::Key_Escape);
  EXPECT_TRUE(dialogo->isVisible());
  EXPECT_TRUE(dialogo->EdUsuario->text().isEmpty() && dialogo->EdSenha->text().isEmpty());
  QTest::keyClick(dialogo->EdSenha, Qt::Key_Escape);
  EXPECT_FALSE(dialogo->isVisible());
  EXPECT_FALSE(dialogo->confirmado());
}

// Every field with its label on a real X server (run under xvfb-run as a
// CTest entry of its own, tests/CMakeLists.txt); with ORVALTO_SCREENSHOT
// set, the window is saved there.
TEST_F(JanelaDeConfiguracoes, ShowsEveryFieldWithItsLabelOnAnXServer) {
  addProductUser(*db, "CAIXA1", "C");
  addProductUser(*db, "GERENTE", "G");
  db->execute(
      "UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = '/srv/orvalto/copias/', "
      "CAMINHOVERSOES = '/srv/orvalto/versoes/', USAPROXY = 'S', USUARIOSATUALIZAVERSAO = 'GERENTE'");
  db->execute(
      "UPDATE PARALOGIN SET PROXY = '192.168.0.1', PORTAPROXY = '3128', AUTENTICACAOPROXY = 'S', "
      "USUARIOPROXY = 'PROXYUSER', SENHAPROXY = ?",
      {cifra("abc", kChaveServico)});
  janela->abre();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(janela.get()));
  const QStringList rotulos{QString::fromUtf8("Caminho para armazenamento de backup’s"),
                            QString::fromUtf8("Caminho para armazenamento de versões"),
                            "IP do Proxy",
                            "Porta",
                            "Usuario:",
                            "Senha:",
                            "Usuarios que podem atualizar:",
                            QString::fromUtf8("( ! ) Salve as alterações antes de testar a conexão.")};
  for (const QString& texto : rotulos) {
    QLabel* achado = nullptr;
    for (QLabel* l : janela->findChildren<QLabel*>())
      if (l->text() == texto) achado = l;
    ASSERT_NE(achado, nullptr) << texto.toStdString();
    EXPECT_TRUE(achado->isVisible() && janela->rect().contains(achado->geometry().translated(
                                           achado->parentWidget()->mapTo(janela.get(), QPoint()))))
        << texto.toStdString();
  }
  for (QWidget* w : std::initializer_list<QWidget*>{campos().ChkProxy, campos().chkUsaAutenticacao, campos().btTestar,
                                                    janela->btGravar(), janela->cklistUsuariosAtualiza()})
    EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
  if (const QString arquivo = qEnvironmentVariable("ORVALTO_SCREENSHOT"); !arquivo.isEmpty())
    EXPECT_TRUE(janela->grab().save(arquivo));
}

}  // namespace
