// "Testar Conexão": the registration service asked with the stored settings,
// the search that follows, and the three answers the administrator sees.
#include "app/configura_locais.h"
#include "support/product_db.h"
#include "support/qt_app.h"
#include "support/tray_form_fixture.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

using namespace orvalto;
using namespace orvalto::test;

namespace {

struct TesteDeConexao : ::testing::Test {
  void SetUp() override {
    ensureQtApp();
    testdb::Options options;
    options.filiais = {{"001", "12345678000199"}};
    location = freshDatabase(options);
    folder = std::make_unique<TrayFolder>(location);
    form = std::make_unique<TfrmConfiguraLocais>(folder->ctx, 0);
    connectTo(location)->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?",
                                 {sim.olderBase(), sim.newerBase()});
  }

  QString ultimaMensagem() const {
    const auto mensagens = folder->scripted.messages();
    return mensagens.isEmpty() ? QString() : mensagens.last().text;
  }

  QString location;
  VendorSim sim;
  std::unique_ptr<TrayFolder> folder;
  std::unique_ptr<TfrmConfiguraLocais> form;
};

TEST_F(TesteDeConexao, AnsweredRefusedOrUnreachableAndTheSearchFollowsAnAnswer) {
  sim.setScenario({{"customers", QJsonArray{QJsonObject{{"CGCCPF", "12345678000199"}}}}});
  form->Formulario().btTestarClick();
  EXPECT_EQ(ultimaMensagem(), "Conectado com sucesso ao WebService.");
  EXPECT_EQ(sim.soapCalls("newer", "FComunica").size(), 1);
  EXPECT_EQ(sim.soapCalls("newer", "FNovasAtualizacoes").size(), 1);  // the search ran
  EXPECT_EQ(form->ServicoWeb().current(), nullptr);                   // and released the client

  const QJsonObject recusa{{"operations", QJsonObject{{"FComunica", QJsonObject{{"result", false}}}}}};
  sim.setScenario({{"endpoints", QJsonObject{{"newer", recusa}, {"older", recusa}}}});
  sim.reset();
  form->Formulario().btTestarClick();
  EXPECT_EQ(ultimaMensagem(), QString::fromUtf8("Não houve comunicação com o WebService da WZQ. Motivo desconhecido."));
  EXPECT_EQ(folder->scripted.messages().last().caption, "Aviso");
  EXPECT_EQ(sim.soapCalls("newer", "FNovasAtualizacoes").size(), 1);  // searched all the same

  connectTo(location)->execute("UPDATE PARALOGIN SET LINKWEBSERVICEWZQ = ''");
  sim.reset();
  form->Formulario().btTestarClick();
  EXPECT_TRUE(
      ultimaMensagem().startsWith(QString::fromUtf8("Não houve comunicação com o WebService da WZQ. Motivo:\r")))
      << ultimaMensagem().toStdString();
  EXPECT_TRUE(sim.soapCalls("older").isEmpty());
  EXPECT_TRUE(sim.soapCalls("newer").isEmpty());  // nor searched after the error
}

}  // namespace
