#include "db/sql_helpers.h"
#include "db/schema.h"
#include "db/transactions.h"
#include "support/product_db.h"
#include "support/scripted_interaction.h"
#include "support/shown_result.h"

#include <gtest/gtest.h>

using namespace orvalto;
using namespace orvalto::test;

namespace {

struct HelpersFixture : ::testing::Test {
  static QString location;
  static void SetUpTestSuite() {
    location = freshDatabase();
    ScriptedInteraction ui;
    auto db = connectTo(location);
    mostrado(ui, FAtualizaEstrutura(*db));
  }
  void SetUp() override {
    db = connectTo(location);
    db->execute("DELETE FROM FILIAIS");
  }
  std::unique_ptr<FbConnection> db;
  ScriptedInteraction ui;
};
QString HelpersFixture::location;

}  // namespace

TEST(KeyQuoting, DoublesSingleQuotes) {
  EXPECT_EQ(quoteKey("O'Brien"), "'O''Brien'");
  EXPECT_EQ(whereKey("NOME", "a'b'c"), " WHERE NOME = 'a''b''c'");
  EXPECT_EQ(whereKey("", "ignored"), "");
}

TEST_F(HelpersFixture, ValueReadersOnMissingRowsAndNulls) {
  EXPECT_EQ(FRetornaValorCampo(*db, "FILIAIS", "CGC"), "");
  EXPECT_EQ(FRetornaValorInteiro(*db, "VERSOESCAB", "NUMEROBACKUP"), 0);  // NULL
  db->execute("UPDATE VERSOESCAB SET NUMEROBACKUP = 4, CAMINHOLOCALBACKUP = \"/bkp/\"");
  EXPECT_EQ(FRetornaValorInteiro(*db, "VERSOESCAB", "NUMEROBACKUP"), 4);
  EXPECT_EQ(FRetornaValorCampo(*db, "VERSOESCAB", "CAMINHOLOCALBACKUP"), "/bkp/");
  EXPECT_EQ(FRetornaValorCampo(*db, "VERSOESCAB", "ATUALIZARBASE"), "");
  db->execute("UPDATE VERSOESCAB SET NUMEROBACKUP = NULL, CAMINHOLOCALBACKUP = NULL");
}

TEST_F(HelpersFixture, KeysWithQuotesFindTheirRow) {
  db->execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES ('001', 'O''Brien')");
  db->execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES ('002', 'Outro')");
  EXPECT_EQ(FRetornaValorCampo(*db, "FILIAIS", "CODEMPRESA", "CGC", "O'Brien"), "001");
  EXPECT_EQ(FContaRegistros(*db, "FILIAIS", "*", "CGC", "CODEMPRESA", "O'Brien", "001"), 1);
  EXPECT_EQ(FContaRegistros(*db, "FILIAIS", "*", "CGC", "CODEMPRESA", "O'Brien", "002"), 0);
  // A second key without the first adds no condition at all.
  EXPECT_EQ(FContaRegistros(*db, "FILIAIS", "*", "", "CODEMPRESA", "", "001"), 2);
  // An injection attempt stays a literal.
  EXPECT_EQ(FContaRegistros(*db, "FILIAIS", "*", "CGC", "", "x' OR '1'='1"), 0);
}

TEST_F(HelpersFixture, WriterSetsTheColumnAndFailsCleanlyOnADoubleQuote) {
  ASSERT_TRUE(mostrado(ui, FAtualizaValorString(*db, "VERSOESCAB", "FAZERBACKUP", "S")));
  EXPECT_EQ(FRetornaValorCampo(*db, "VERSOESCAB", "FAZERBACKUP"), "S");
  EXPECT_FALSE(mostrado(ui, FAtualizaValorString(*db, "VERSOESCAB", "FAZERBACKUP", "a\"b")));
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.messages()[0].text.startsWith("Ocorreu um erro durante a  gravação \"FAtualizaValorString\" :\r"));
  EXPECT_EQ(FRetornaValorCampo(*db, "VERSOESCAB", "FAZERBACKUP"), "S");
  EXPECT_FALSE(db->inTransaction());
}

TEST_F(HelpersFixture, WriterCommitsTheCallersOpenTransaction) {
  PIniciaTransacao(*db);
  db->execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES ('003', 'junto')");
  ASSERT_TRUE(mostrado(ui, FAtualizaValorString(*db, "VERSOESCAB", "FAZERBACKUP", "N")));
  EXPECT_FALSE(db->inTransaction());
  auto other = connectTo(location);
  EXPECT_EQ(FContaRegistros(*other, "FILIAIS", "*", "CGC", "", "junto"), 1);
}

TEST_F(HelpersFixture, ConditionalValue) {
  EXPECT_EQ(FIIf<QString>(true, "S", "N"), "S");
  EXPECT_EQ(FIIf<QString>(false, "S", "N"), "N");
}
