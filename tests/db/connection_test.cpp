#include "db/connection_settings.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"
#include "db/transactions.h"
#include "support/files.h"
#include "support/product_db.h"
#include "support/scripted_interaction.h"
#include "support/shown_result.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace orvalto;
using namespace orvalto::test;

namespace {

const char* const kErroArquivo = "Erro ao tentar conectar com banco de dados, verifique o arquivo \"Caminho.dir\".";

struct ConnectFixture : ::testing::Test {
  static QString location;
  static void SetUpTestSuite() { location = freshDatabase(); }
  QTemporaryDir exeDir;
  ScriptedInteraction ui;
  FbConnection cn;
};
QString ConnectFixture::location;

}  // namespace

TEST_F(ConnectFixture, CaminhoIniWinsOverCaminhoDir) {
  writeCaminhoIni(exeDir.path(), location);
  writeFile(exeDir.filePath("Caminho.Dir"), "localhost:/nowhere/at/all.fdb\r\n");
  QDateTime now;
  ASSERT_TRUE(mostrado(ui, FConectaBanco(cn, exeDir.path(), &now)));
  EXPECT_TRUE(cn.connected());
  EXPECT_EQ(cn.location(), location);
  EXPECT_EQ(cn.user(), "SYSDBA");
  EXPECT_LT(qAbs(now.secsTo(QDateTime::currentDateTime())), 120);
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(ConnectFixture, CaminhoDirUsesTheFixedCredentials) {
  writeFile(exeDir.filePath("Caminho.Dir"), (location + "\r\nsecond line\r\n").toLocal8Bit());
  ASSERT_TRUE(mostrado(ui, FConectaBanco(cn, exeDir.path())));
  EXPECT_EQ(cn.location(), location);
  EXPECT_EQ(cn.user(), "SYSDBA");
  EXPECT_EQ(cn.password(), "quillaroz");
}

TEST_F(ConnectFixture, BlankUserAndPasswordAreNotUnscrambledAndFailAsWrongCredentials) {
  writeFile(exeDir.filePath("Caminho.ini"), ("[Conexao]\r\nCaminho=" + location + "\r\nUsuario=  \r\n").toLocal8Bit());
  EXPECT_FALSE(mostrado(ui, FConectaBanco(cn, exeDir.path())));
  EXPECT_EQ(cn.user(), "");
  EXPECT_EQ(cn.password(), "");
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.messages()[0].caption, "Atenção");
  EXPECT_EQ(ui.messages()[0].icon, MessageIcon::Error);
  EXPECT_EQ(ui.messages()[0].text, kErroArquivo);  // names Caminho.dir even for the ini file
}

TEST_F(ConnectFixture, WrongLocationIsReportedAndLeavesTheConnectionClosed) {
  writeFile(exeDir.filePath("Caminho.Dir"), "localhost:/nowhere/at/all.fdb");
  EXPECT_FALSE(mostrado(ui, FConectaBanco(cn, exeDir.path())));
  EXPECT_FALSE(cn.connected());
  EXPECT_EQ(cn.location(), "localhost:/nowhere/at/all.fdb");
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.messages()[0].text, kErroArquivo);
}

TEST_F(ConnectFixture, WithoutFilesTheAliasIsAsked) {
  writeFile(exeDir.filePath("Aliases.ini"), ("[orvalto]\r\nPATH=" + location + "\r\nTYPE=INTRBASE\r\n").toLocal8Bit());
  ASSERT_TRUE(mostrado(ui, FConectaBanco(cn, exeDir.path())));
  EXPECT_EQ(cn.location(), location);
  EXPECT_EQ(cn.password(), "quillaroz");
}

TEST_F(ConnectFixture, AMissingAliasIsAWarningNamingNoLocation) {
  EXPECT_FALSE(mostrado(ui, FConectaBanco(cn, exeDir.path())));
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.messages()[0].caption, "Alerta");
  EXPECT_EQ(ui.messages()[0].icon, MessageIcon::Warning);
  EXPECT_EQ(ui.messages()[0].text, "Erro ao tentar conectar com o banco de dados: !");
}

TEST_F(ConnectFixture, AnUnusableAliasNamesTheLocationTried) {
  writeFile(exeDir.filePath("Aliases.ini"), "[ORVALTO]\r\nPATH=localhost:/nowhere.fdb\r\n");
  EXPECT_FALSE(mostrado(ui, FConectaBanco(cn, exeDir.path())));
  EXPECT_EQ(ui.messages()[0].text, "Erro ao tentar conectar com o banco de dados: localhost:/nowhere.fdb!");
}

TEST_F(ConnectFixture, OpenAndCloseFollowTheLocation) {
  EXPECT_TRUE(FConectaBases(cn, true));  // no location yet: nothing to open
  EXPECT_FALSE(cn.connected());
  writeCaminhoIni(exeDir.path(), location);
  ASSERT_TRUE(mostrado(ui, FConectaBanco(cn, exeDir.path())));
  EXPECT_TRUE(FConectaBases(cn, false));
  EXPECT_TRUE(FConectaBases(cn, false));
  EXPECT_FALSE(cn.connected());
  EXPECT_TRUE(FConectaBases(cn, true));
  EXPECT_TRUE(cn.connected());
}

TEST_F(ConnectFixture, StatementsUseDialectOneAndWindows1252Text) {
  auto db = connectTo(location);
  // Double quotes are string literals in dialect 1.
  EXPECT_EQ(db->query("SELECT \"x\" AS V FROM RDB$DATABASE").value(0, "V").toString(), "x");
  db->execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES (:COD, :CGC)", {"009", QString::fromUtf8("Ação")});
  const QueryResult raw =
      db->query("SELECT CAST(CGC AS VARCHAR(20) CHARACTER SET OCTETS) AS B FROM FILIAIS WHERE CODEMPRESA = '009'");
  EXPECT_EQ(raw.value(0, "B").toString(), QString::fromUtf8("Ação"));
  db->execute("DELETE FROM FILIAIS WHERE CODEMPRESA = '009'");
}

TEST_F(ConnectFixture, TransactionFunctionsLookOnlyAtWhetherOneIsActive) {
  auto db = connectTo(location);
  PConfirmaTransacao(*db);  // nothing active: nothing happens
  PCancelaTransacao(*db);
  PIniciaTransacao(*db);
  db->execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES ('T1', 'x')");
  PIniciaTransacao(*db);  // still the same transaction
  PCancelaTransacao(*db);
  EXPECT_FALSE(db->inTransaction());
  EXPECT_TRUE(db->query("SELECT * FROM FILIAIS WHERE CODEMPRESA = 'T1'").isEmpty());

  // A scoped transaction keeps its writes only when confirmed.
  try {
    TransacaoEscopo transacao(*db);
    db->execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES ('T2', 'x')");
    db->execute("INSERT INTO TABELA_QUE_NAO_EXISTE (X) VALUES (1)");
    transacao.confirma();
  } catch (const DbError&) {
  }
  EXPECT_FALSE(db->inTransaction());
  EXPECT_TRUE(db->query("SELECT * FROM FILIAIS WHERE CODEMPRESA = 'T2'").isEmpty());
  {
    TransacaoEscopo transacao(*db);
    db->execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES ('T3', 'x')");
    transacao.confirma();
  }
  EXPECT_FALSE(db->inTransaction());
  EXPECT_EQ(connectTo(location)->query("SELECT * FROM FILIAIS WHERE CODEMPRESA = 'T3'").rows.size(), 1);
  db->execute("DELETE FROM FILIAIS WHERE CODEMPRESA = 'T3'");
}

TEST(ParameterMarkers, NamedMarkersOutsideLiteralsBecomeQuestionMarks) {
  EXPECT_EQ(positionalParameters("A = :X AND B = ':Y' AND C = \":Z\" AND D=:W_1"),
            "A = ? AND B = ':Y' AND C = \":Z\" AND D=?");
  EXPECT_EQ(positionalParameters("CAST('10:30' AS TIME)"), "CAST('10:30' AS TIME)");
}

TEST_F(ConnectFixture, ParametersOfEveryKindLandInTheirColumns) {
  auto db = connectTo(location);
  db->execute("CREATE TABLE TIPOS (I INTEGER, S SMALLINT, T VARCHAR(10), D DATE, F DOUBLE PRECISION)");
  const QDateTime when(QDate(2030, 6, 1), QTime(13, 14, 15));
  db->execute("INSERT INTO TIPOS (T, I, D, S, F) VALUES (:T, :I, :D, :S, :F)", {"texto", 123456, when, 7, 2.5});
  db->execute("INSERT INTO TIPOS (T, I) VALUES (?, ?)", {QVariant(), QVariant()});
  const QueryResult r = db->query("SELECT I, S, T, D, F FROM TIPOS ORDER BY T NULLS LAST");
  ASSERT_EQ(r.rows.size(), 2);
  EXPECT_EQ(r.value(0, "I").toInt(), 123456);
  EXPECT_EQ(r.value(0, "S").toInt(), 7);
  EXPECT_EQ(r.value(0, "T").toString(), "texto");
  EXPECT_EQ(r.value(0, "D").toDateTime(), when);  // a dialect-1 DATE keeps the time
  EXPECT_DOUBLE_EQ(r.value(0, "F").toDouble(), 2.5);
  EXPECT_TRUE(r.value(1, "T").isNull());
  EXPECT_TRUE(r.value(1, "I").isNull());
  db->execute("DROP TABLE TIPOS");
}

TEST_F(ConnectFixture, FailedStatementsLeaveNothingOpenOnTheServer) {
  auto db = connectTo(location);
  const auto openOnServer = [&] {
    // The count runs in a statement and transaction of its own: one each.
    const QueryResult r = db->query(
        "SELECT (SELECT COUNT(*) FROM MON$STATEMENTS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION) AS S, "
        "(SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION) AS T "
        "FROM RDB$DATABASE");
    return std::make_pair(r.value(0, "S").toInt(), r.value(0, "T").toInt());
  };
  const auto before = openOnServer();
  EXPECT_THROW(db->query("SELECT NOTHING FROM NOWHERE"), DbError);                         // prepare
  EXPECT_THROW(db->query("SELECT * FROM FILIAIS WHERE CODEMPRESA = ?", {1, 2}), DbError);  // parameters
  EXPECT_THROW(db->query("SELECT CAST(X AS INTEGER) AS N FROM (SELECT 'a' AS X FROM RDB$DATABASE)"), DbError);
  EXPECT_THROW(db->execute("INSERT INTO FILIAIS (CODEMPRESA) VALUES (?)", {QString(500, 'x')}), DbError);
  // Too long for a parameter: refused, never sent cut short.
  EXPECT_THROW(db->query("SELECT CAST(? AS BLOB SUB_TYPE TEXT) AS B FROM RDB$DATABASE", {QString(70000, 'x')}),
               DbError);
  db->startTransaction();
  EXPECT_THROW(db->query("SELECT CAST(X AS INTEGER) AS N FROM (SELECT 'a' AS X FROM RDB$DATABASE)"), DbError);
  EXPECT_TRUE(db->inTransaction());  // a failed statement leaves the caller's transaction to the caller
  db->rollback();
  // Text blobs come back whole, through the same reading path.
  const QString longText = QString(20000, 'b') + QString::fromUtf8("ção");
  EXPECT_EQ(db->query("SELECT CAST(? AS BLOB SUB_TYPE TEXT) AS B FROM RDB$DATABASE", {longText}).value(0, "B"),
            longText);
  EXPECT_EQ(openOnServer(), before);
}
