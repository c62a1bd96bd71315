#include "app/cliente_servico.h"
#include "terminal/terminal_protocol.h"

#include <gtest/gtest.h>

#include <QHostAddress>

using namespace orvalto;

TEST(TagDaRequisicao, IsCutFromTheFirstBracketAsLongAsThePositionOfTheFirstClosingOne) {
  EXPECT_EQ(extraiTag("[STATUS]"), "[STATUS]");
  EXPECT_EQ(extraiTag("[CONFIGCLI]CODEMP:1|"), "[CONFIGCLI]");
  // One character before the tag: the count still reaches its end only
  // because the text ends there.
  EXPECT_EQ(extraiTag("x[STATUS]"), "[STATUS]");
  EXPECT_EQ(extraiTag("x[STATUS]abc"), "[STATUS]a");
  EXPECT_EQ(extraiTag("xy[STATUS]"), "[STATUS]");
  EXPECT_EQ(extraiTag("xy[STATUS]z"), "[STATUS]z");
  EXPECT_EQ(extraiTag("[status]"), "[status]");
}

TEST(TagDaRequisicao, MissingBracketsFollowThePositionRules) {
  EXPECT_EQ(extraiTag("STATUS]"), "STATUS]");  // no "[": from the start
  EXPECT_EQ(extraiTag("[STATUS"), "");         // no "]": nothing
  EXPECT_EQ(extraiTag(""), "");
  EXPECT_EQ(extraiTag("ab]cd[x]"), "[x]");  // the first "]" comes before the "["
}

TEST(ConfigCli, TheDocumentedFormGivesTheFourValues) {
  const DadosEmpresa d = leConfigCli("[CONFIGCLI]CODEMP:001|RAZEMP:Loja Modelo Ltda|NOMEMP:Centro|CGCEMP:99|");
  EXPECT_EQ(d.CodEmpresa, "001");
  EXPECT_EQ(d.RazaoEmpresa, "Loja Modelo Ltda");
  EXPECT_EQ(d.NomeEmpresa, "Centro");
  EXPECT_EQ(d.CnpjEmpresa, "99");
}

TEST(ConfigCli, OtherFormsGiveWhatTheOffsetsSelect) {
  // Fields in another order: each value is cut by the offsets regardless.
  const DadosEmpresa trocado = leConfigCli("[CONFIGCLI]CODEMP:7|NOMEMP:Filial|RAZEMP:Razao|CGCEMP:5|");
  EXPECT_EQ(trocado.CodEmpresa, "7");
  EXPECT_EQ(trocado.RazaoEmpresa, "Razao|");
  EXPECT_EQ(trocado.NomeEmpresa, ":Raza");  // its label is gone: from position 7
  EXPECT_EQ(trocado.CnpjEmpresa, "5");
  // A blank between tag and label moves the cut by one.
  EXPECT_EQ(leConfigCli("[CONFIGCLI] CODEMP:001|").CodEmpresa, "001|");
  // No "|" at all: every count is negative.
  const DadosEmpresa semBarra = leConfigCli("[CONFIGCLI]CODEMP:001");
  EXPECT_TRUE(semBarra.CodEmpresa.isEmpty());
  EXPECT_TRUE(semBarra.CnpjEmpresa.isEmpty());
  // A value may be empty.
  EXPECT_EQ(leConfigCli("[CONFIGCLI]CODEMP:1|RAZEMP:|NOMEMP:N|CGCEMP:2|").RazaoEmpresa, "");
}

TEST(LeituraGrande, IsCutAtSixtyFourKibibytes) {
  EXPECT_EQ(limitaLeitura(QByteArray(kLimiteLeitura, 'a')).size(), kLimiteLeitura);
  EXPECT_EQ(limitaLeitura(QByteArray(kLimiteLeitura + 1, 'a')).size(), kLimiteLeitura);
  EXPECT_EQ(limitaLeitura("[STATUS]"), QByteArray("[STATUS]"));
}

TEST(EnderecoTerminal, IsDottedIPv4EvenWhenTheSocketReportsAMappedAddress) {
  EXPECT_EQ(enderecoTerminal(QHostAddress("::ffff:192.168.10.21")), "192.168.10.21");
  EXPECT_EQ(enderecoTerminal(QHostAddress("127.0.0.1")), "127.0.0.1");
  EXPECT_EQ(enderecoTerminal(QHostAddress("::1")), "::1");
}

// The shell commands read the messages back from an unframed stream: a
// read may hold several, or stop inside an error text.
TEST(MensagensDoServico, AreCutApartAndAnUnfinishedTailWaits) {
  QString lido = QString::fromUtf8("[ATUALIZANDO]:4|[ERRO]:5|[ERRO]:9|Existem con");
  EXPECT_EQ(separaMensagens(lido), QStringList({"[ATUALIZANDO]:4|", "[ERRO]:5|"}));
  EXPECT_EQ(lido, "[ERRO]:9|Existem con");
  lido += QString::fromUtf8("exões ativas no banco de dados.[STATUS]:0|[PROGRE");
  // A tag cut in two holds back the message before it until it is whole.
  EXPECT_EQ(separaMensagens(lido),
            QStringList({QString::fromUtf8("[ERRO]:9|Existem conexões ativas no banco de dados.")}));
  lido += "SSO]:40|[ERRO]:0";
  EXPECT_EQ(separaMensagens(lido), QStringList({"[STATUS]:0|", "[PROGRESSO]:40|", "[ERRO]:0"}));
  EXPECT_TRUE(lido.isEmpty());
  lido = "[ERRO]:3| Erro ao realizar backup; disco cheio";
  EXPECT_TRUE(separaMensagens(lido).isEmpty());
  EXPECT_EQ(separaMensagens(lido, true), QStringList({"[ERRO]:3| Erro ao realizar backup; disco cheio"}));
}
