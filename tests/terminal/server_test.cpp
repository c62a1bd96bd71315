// The terminal protocol over real sockets, against the tray window's
// behaviour with its real database.
#include "app/configura_locais.h"
#include "platform/codepage.h"
#include "support/qt_app.h"
#include "support/terminal_connect.h"
#include "support/tray_form_fixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <stdexcept>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;
using orvalto::terminal::TerminalClient;

namespace {

constexpr std::chrono::milliseconds kEspera = 10s;

const QRegularExpression kRespostaStatus(QStringLiteral(R"(\[STATUS\]:\d\|)"));

// What `t` received, without its last status reply.
QString semUltimoStatus(const TerminalClient& t) {
  QString texto = t.recebido();
  QRegularExpressionMatch ultimo;
  for (auto it = kRespostaStatus.globalMatch(texto); it.hasNext();) ultimo = it.next();
  if (ultimo.hasMatch()) texto.remove(ultimo.capturedStart(), ultimo.capturedLength());
  return texto;
}

// Sends "[STATUS]" from `t` and waits for the reply. The server serves a
// connection's reads in order, on one thread, so once the reply is in,
// whatever it had to send about earlier input has arrived too. The reply
// goes to every connection from t's address: `tambem` are the others to
// wait on. Returns, per connection (t first), what it received besides it.
QStringList confirma(TerminalClient& t, const QList<TerminalClient*>& tambem = {}) {
  const QList<TerminalClient*> todos = QList<TerminalClient*>{&t} + tambem;
  QList<qsizetype> antes;
  for (const TerminalClient* c : todos) antes.append(c->recebido().count(kRespostaStatus));
  t.envia("[STATUS]");
  EXPECT_TRUE(waitUntil(
      [&] {
        for (int i = 0; i < todos.size(); ++i)
          if (todos[i]->recebido().count(kRespostaStatus) <= antes[i]) return false;
        return true;
      },
      kEspera))
      << "no reply to [STATUS]; got: " << t.recebido().toStdString();
  QStringList resto;
  for (const TerminalClient* c : todos) resto.append(semUltimoStatus(*c));
  return resto;
}

class Protocolo : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureQtApp();
    folder = std::make_unique<TrayFolder>(sharedTrayDatabase("terminal_tests"));
    form = std::make_unique<TfrmConfiguraLocais>(folder->ctx, 0);
    port = form->Server().porta();
    ASSERT_TRUE(form->Server().ativo());
  }
  void TearDown() override { form.reset(); }

  std::unique_ptr<TerminalClient> terminal(const QString& origem = "127.0.0.1") {
    const int antes = form->Server().conexoes();
    auto t = connectTerminal(port, origem);
    EXPECT_TRUE(t) << "no connection from " << origem.toStdString();
    waitUntil([&] { return form->Server().conexoes() > antes; }, kEspera);
    return t;
  }

  // Sends and waits for exactly `resposta` (nothing more) to arrive.
  static void pergunta(TerminalClient& t, const QString& requisicao, const QString& resposta) {
    t.limpa();
    t.envia(requisicao);
    EXPECT_TRUE(t.aguardaRecebido(resposta, kEspera)) << "got: " << t.recebido().toStdString();
    EXPECT_EQ(confirma(t).first(), resposta);
  }

  // Sends `requisicao` and waits until the server has handled its read:
  // every read sets ComandoRecebido, so a mark left there shows when.
  void entrega(TerminalClient& t, const QByteArray& requisicao) {
    static const QString marca = QStringLiteral("(nenhuma leitura)");
    form->ComandoRecebido = marca;
    t.enviaBytes(requisicao);
    ASSERT_TRUE(waitUntil([&] { return form->ComandoRecebido != marca; }, kEspera));
  }

  std::unique_ptr<TrayFolder> folder;
  std::unique_ptr<TfrmConfiguraLocais> form;
  quint16 port = 0;
};

TEST_F(Protocolo, StatusTellsIdleRunAndDownloadWithTheRunWinning) {
  auto t = terminal();
  pergunta(*t, "[STATUS]", "[STATUS]:0|");
  form->EmDownload = true;
  pergunta(*t, "[STATUS]", "[STATUS]:2|");
  form->EmAtualizacao = true;
  pergunta(*t, "[STATUS]", "[STATUS]:1|");
  form->EmDownload = false;
  pergunta(*t, "[STATUS]", "[STATUS]:1|");
  form->EmAtualizacao = false;
  pergunta(*t, "[STATUS]", "[STATUS]:0|");
  EXPECT_EQ(form->ComandoRecebido, "[STATUS]");
}

TEST_F(Protocolo, AcceptedUpdateRunsAfterTheReadAndServesEveryoneMeanwhile) {
  auto solicitante = terminal("127.0.0.2");
  auto outro = terminal("127.0.0.3");
  bool rodou = false;
  atendeNoLugar(*form, &TerminalServer::atualizacaoPedida, [&] {
    // What the update run does: mark itself, talk to its requester and let
    // the event loop serve the terminals between its steps.
    rodou = true;
    EXPECT_EQ(form->IPSolicitante, "127.0.0.2");
    form->EmAtualizacao = true;
    form->SendMessage("[ATUALIZANDO]:1|");
    outro->envia("[STATUS]");
    auto novo = connectTerminal(port, "127.0.0.4");
    ASSERT_TRUE(novo);
    // The requester's own connection is served during its run: the run
    // does not execute inside that connection's read.
    solicitante->envia("[ATUALIZAR]");
    waitUntil(
        [&] {
          return outro->recebido() == "[STATUS]:1|" && novo->recebido() == "[ERRO]:0" &&
                 solicitante->recebido() == "[ATUALIZANDO]:1|[ERRO]:0";
        },
        kEspera);
    EXPECT_EQ(novo->recebido(), "[ERRO]:0");
    form->SendMessage("[ATUALIZANDO]:5|");
    form->EmAtualizacao = false;
  });
  solicitante->envia("[ATUALIZAR]");
  ASSERT_TRUE(waitUntil([&] { return rodou && !form->EmAtualizacao; }, kEspera));
  ASSERT_TRUE(solicitante->aguardaRecebido("[ATUALIZANDO]:5|", kEspera));
  EXPECT_EQ(solicitante->recebido(), "[ATUALIZANDO]:1|[ERRO]:0[ATUALIZANDO]:5|");
  EXPECT_EQ(outro->recebido(), "[STATUS]:1|");  // run messages go to the requester only
  EXPECT_EQ(form->IPSolicitante, "127.0.0.2");  // kept after the run
}

TEST_F(Protocolo, SecondUpdateBeforeTheRunStartsIsRefused) {
  int execucoes = 0;
  atendeNoLugar(*form, &TerminalServer::atualizacaoPedida, [&] { ++execucoes; });
  auto t = terminal();
  auto outro = terminal("127.0.0.5");
  // Both requests wait in the system before the server looks: both are
  // read in one pass, before the queued run gets its turn.
  t->envia("[ATUALIZAR]");
  ASSERT_TRUE(t->terminaEscrita(kEspera));
  outro->envia("[ATUALIZAR]");
  ASSERT_TRUE(outro->terminaEscrita(kEspera));
  waitUntil([&] { return execucoes > 0 && outro->recebido() == "[ERRO]:0"; }, kEspera);
  confirma(*t);  // a second run would have been queued before this read
  EXPECT_EQ(execucoes, 1);
}

TEST_F(Protocolo, UpdateDuringARunIsRefusedOnThatConnectionOnly) {
  auto a = terminal("127.0.0.6");
  auto b = terminal("127.0.0.6");
  bool chamado = false;
  atendeNoLugar(*form, &TerminalServer::atualizacaoPedida, [&] { chamado = true; });
  form->EmAtualizacao = true;
  a->envia("[ATUALIZAR]");
  ASSERT_TRUE(a->aguardaRecebido("[ERRO]:0", kEspera));
  const QStringList recebidos = confirma(*a, {b.get()});
  EXPECT_EQ(recebidos[0], "[ERRO]:0");
  EXPECT_EQ(recebidos[1], "");
  EXPECT_FALSE(chamado);
  EXPECT_TRUE(form->IPSolicitante.isEmpty());
}

TEST_F(Protocolo, ConnectionDuringARunGetsTheRefusalAtOnce) {
  form->EmAtualizacao = true;
  auto t = terminal();
  ASSERT_TRUE(t->aguardaRecebido("[ERRO]:0", kEspera));
  EXPECT_EQ(confirma(*t).first(), "[ERRO]:0");  // no trailing "|"
}

TEST_F(Protocolo, EveryConnectionFromAnAddressGetsItsMessages) {
  auto a1 = terminal("127.0.0.7");
  auto a2 = terminal("127.0.0.7");
  auto longe = terminal("127.0.0.8");
  a1->envia("[STATUS]");
  ASSERT_TRUE(a2->aguardaRecebido("[STATUS]:0|", kEspera));
  ASSERT_TRUE(a1->aguardaRecebido("[STATUS]:0|", kEspera));
  form->SendMessage("[PROGRESSO]:50|", "127.0.0.7");
  ASSERT_TRUE(a1->aguardaRecebido("[PROGRESSO]:50|", kEspera));
  ASSERT_TRUE(a2->aguardaRecebido("[PROGRESSO]:50|", kEspera));
  // No requester yet: the default address reaches nobody.
  form->SendMessage("[CONECTA]:0|");
  const QStringList recebidos = confirma(*a1, {a2.get()});
  EXPECT_EQ(recebidos[0], "[STATUS]:0|[PROGRESSO]:50|");
  EXPECT_EQ(recebidos[1], "[STATUS]:0|[PROGRESSO]:50|");
  EXPECT_EQ(confirma(*longe).first(), "");
}

TEST_F(Protocolo, ConfigCliSetsTheCompanyWithoutReplyAndReadsWindows1252) {
  auto t = terminal();
  t->envia("[CONFIGCLI]CODEMP:001|RAZEMP:Loja Modelo Ltda|NOMEMP:Centro|CGCEMP:99|");
  ASSERT_TRUE(waitUntil([&] { return form->Server().empresa().CodEmpresa == "001"; }, kEspera));
  const DadosEmpresa& e = form->Server().empresa();
  EXPECT_EQ(e.RazaoEmpresa, "Loja Modelo Ltda");
  EXPECT_EQ(e.NomeEmpresa, "Centro");
  EXPECT_EQ(e.CnpjEmpresa, "99");
  EXPECT_EQ(form->ComandoRecebido, "[CONFIGCLI]");

  t->enviaBytes("[CONFIGCLI]CODEMP:002|RAZEMP:Padaria S\xE3o Jo\xE3o|NOMEMP:Concei\xE7\xE3o|CGCEMP:12|");
  ASSERT_TRUE(waitUntil([&] { return form->Server().empresa().CodEmpresa == "002"; }, kEspera));
  EXPECT_EQ(form->Server().empresa().RazaoEmpresa, QString::fromUtf8("Padaria São João"));
  EXPECT_EQ(form->Server().empresa().NomeEmpresa, QString::fromUtf8("Conceição"));
  EXPECT_EQ(confirma(*t).first(), "");
}

TEST_F(Protocolo, MessagesLeaveAsWindows1252WithoutTerminator) {
  auto t = terminal("127.0.0.9");
  form->SendMessage(QString::fromUtf8("[ERRO]:9|Existem conexões ativas no banco de dados."), "127.0.0.9");
  const QByteArray esperado(
      "[ERRO]:9|Existem conex\xF5"
      "es ativas no banco de dados.");
  ASSERT_TRUE(waitUntil([&] { return t->bytesRecebidos().size() >= esperado.size(); }, kEspera));
  EXPECT_EQ(t->bytesRecebidos(), esperado);
}

TEST_F(Protocolo, OnlyTagsThatCutCleanlyAreServed) {
  auto t = terminal();
  entrega(*t, "x[STATUS]abc");
  EXPECT_EQ(form->ComandoRecebido, "[STATUS]a");
  entrega(*t, "[status]");
  entrega(*t, "[STATUS");
  EXPECT_EQ(form->ComandoRecebido, "");
  EXPECT_EQ(confirma(*t).first(), "");
  pergunta(*t, "x[STATUS]", "[STATUS]:0|");
}

TEST_F(Protocolo, SearchRunsInsideTheReadAndRepliesNothing) {
  auto t = terminal();
  int buscas = 0;
  QString tagDurante;
  atendeNoLugar(*form, &TerminalServer::buscaPedida, [&] {
    ++buscas;
    tagDurante = form->ComandoRecebido;
  });
  form->EmAtualizacao = true;  // a search is started whatever the state
  t->envia("[BUSCAR]");
  ASSERT_TRUE(waitUntil([&] { return buscas == 1; }, kEspera));
  EXPECT_EQ(tagDurante, "[BUSCAR]");
  EXPECT_EQ(confirma(*t).first(), "");
}

TEST_F(Protocolo, AReadOverSixtyFourKibibytesIsCut) {
  auto t = terminal();
  // Each request is written whole before the server reads, so each is one
  // read. The tag closes exactly at the limit in the first, one past it in
  // the second.
  const QByteArray noLimite = QByteArray(kLimiteLeitura - 8, 'x') + "[STATUS]";
  const QByteArray alem = QByteArray(kLimiteLeitura - 7, 'x') + "[STATUS]";
  t->enviaBytes(noLimite);
  ASSERT_TRUE(t->terminaEscrita(kEspera));
  ASSERT_TRUE(t->aguardaRecebido("[STATUS]:0|", kEspera));
  t->limpa();
  // The byte past the limit comes as a read of its own, after the cut one.
  t->enviaBytes(alem);
  ASSERT_TRUE(t->terminaEscrita(kEspera));
  ASSERT_TRUE(waitUntil([&] { return form->ComandoRecebido == "]"; }, kEspera));
  EXPECT_EQ(confirma(*t).first(), "");
  pergunta(*t, "[STATUS]", "[STATUS]:0|");  // and the connection is still served
}

TEST_F(Protocolo, EachConnectionIsLogged) {
  const qsizetype antes = folder->logLines().filter("ServerClientConnect").size();
  auto a = terminal();
  auto b = terminal("127.0.0.2");
  auto c = terminal("127.0.0.3");
  EXPECT_EQ(folder->logLines().filter("ServerClientConnect").size() - antes, 3);
}

TEST_F(Protocolo, AFailingHandlerIsLoggedAndTheServerGoesOn) {
  auto t = terminal();
  atendeNoLugar(*form, &TerminalServer::buscaPedida, [] { throw std::runtime_error("falhou a busca"); });
  t->envia("[BUSCAR]");
  ASSERT_TRUE(waitUntil([&] { return !folder->scripted.messages().isEmpty(); }, kEspera));
  EXPECT_TRUE(folder->logLines().last().endsWith(" - ServerClientRead: falhou a busca"));
  EXPECT_EQ(folder->scripted.messages().first().icon, MessageIcon::Error);
  EXPECT_EQ(folder->scripted.messages().first().text, "ServerClientRead: falhou a busca");
  atendeNoLugar(*form, &TerminalServer::atualizacaoPedida, [] { throw std::runtime_error("falhou a atualização"); });
  t->envia("[ATUALIZAR]");
  ASSERT_TRUE(waitUntil([&] { return folder->scripted.messages().size() == 2; }, kEspera));
  EXPECT_TRUE(folder->logLines().last().endsWith(QString::fromUtf8("ServerClientRead: falhou a atualização")));
  pergunta(*t, "[STATUS]", "[STATUS]:0|");
}

TEST_F(Protocolo, ATerminalThatLeavesDuringItsOwnSearchIsForgotten) {
  auto fica = terminal("127.0.0.2");
  form->IPSolicitante = "127.0.0.2";  // where a reply without an address would go
  auto sai = terminal("127.0.0.11");
  int buscas = 0;
  atendeNoLugar(*form, &TerminalServer::buscaPedida, [&] {
    // The search pumps events: the terminal asks again and goes away, and
    // the loop goes on long enough for anything posted meanwhile to run.
    ++buscas;
    // The request reaches the server before the close: the stream keeps
    // its order, so the close is seen only once the request has been read.
    sai->envia("[STATUS]");
    ASSERT_TRUE(sai->terminaEscrita(kEspera));
    sai->desconecta();
    waitUntil([&] { return form->Server().conexoes() == 1; }, kEspera);
    EXPECT_TRUE(runPostedEvents());
  });
  sai->envia("[BUSCAR]");
  ASSERT_TRUE(waitUntil([&] { return buscas == 1 && form->Server().conexoes() == 1; }, kEspera));
  // What the read handler left queued as it returned has had its turn.
  ASSERT_TRUE(runPostedEvents());
  // The search runs after the read handler, so what the terminal asked
  // meanwhile was served like any request.
  EXPECT_EQ(form->ComandoRecebido, "[STATUS]");
  EXPECT_EQ(confirma(*fica).first(), "");
  pergunta(*fica, "[STATUS]", "[STATUS]:0|");
}

TEST_F(Protocolo, AWorkstationThatCannotTakeItsAddressDoesNotConnect) {
  // Otherwise it would talk from 127.0.0.1 and tests telling terminals
  // apart by address would prove nothing.
  EXPECT_EQ(connectTerminal(port, "192.0.2.1"), nullptr);
  // Connections are taken in the order they come: once a later one is in,
  // an earlier one would be too.
  auto depois = terminal();
  EXPECT_EQ(form->Server().conexoes(), 1);
}

TEST_F(Protocolo, ADisconnectedTerminalLeavesTheServerClean) {
  auto a = terminal();
  auto b = terminal();
  ASSERT_EQ(form->Server().conexoes(), 2);
  a->desconecta();
  ASSERT_TRUE(waitUntil([&] { return form->Server().conexoes() == 1; }, kEspera));
  pergunta(*b, "[STATUS]", "[STATUS]:0|");
  EXPECT_TRUE(folder->logLines().filter("ONClientError").isEmpty());
}

}  // namespace

// The installation admits 127.0.0.1 only, and two connections in all: a
// terminal from another address, or one too many, is closed without a
// byte, and the log hears of the refusals once.
TEST_F(Protocolo, TerminalsOutsideTheAllowedAddressesOrOverTheCapGetNothing) {
  form.reset();
  QFile ini(folder->filePath("Atualizador.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[Seguranca]\r\nTerminaisPermitidos=127.0.0.1/32, fe80::/10\r\nConexoesTotal=2\r\n");
  ini.close();
  form = std::make_unique<TfrmConfiguraLocais>(folder->ctx, 0);
  port = form->Server().porta();
  ASSERT_TRUE(form->Server().ativo());

  const auto fechadaSemResposta = [&](const QString& origem) {
    auto t = connectTerminal(port, origem);
    if (!t) return;  // reset before the client saw the connection: nothing either
    t->envia("[STATUS]");
    EXPECT_TRUE(waitUntil([&] { return !t->conectado(); }, kEspera)) << origem.toStdString();
    EXPECT_EQ(t->bytesRecebidos(), QByteArray()) << origem.toStdString();
  };
  fechadaSemResposta("127.0.0.2");
  fechadaSemResposta("127.0.0.3");
  EXPECT_EQ(form->Server().conexoes(), 0);

  auto a = terminal();
  auto b = terminal();
  fechadaSemResposta("127.0.0.1");
  pergunta(*a, "[STATUS]", "[STATUS]:0|");
  EXPECT_TRUE(b->conectado());
  const QStringList recusas = folder->logLines().filter("ServerClientConnect: conexão recusada de ");
  ASSERT_EQ(recusas.size(), 1) << folder->logLines().join("\n").toStdString();
  EXPECT_TRUE(recusas[0].endsWith("conexão recusada de 127.0.0.2: endereço fora de TerminaisPermitidos"))
      << recusas[0].toStdString();
}
