#include "db/schema.h"
#include "support/product_db.h"
#include "support/scripted_interaction.h"
#include "support/shown_result.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace orvalto;
using namespace orvalto::test;

namespace {

const QStringList kFullVersoesCab = {"CAMINHOLOCALBACKUP",
                                     "CAMINHOVERSOES",
                                     "FAZERBACKUP",
                                     "NUMEROBACKUP",
                                     "ATUALIZARBASE",
                                     "CAMINHOBANCOSERVIDORVERSAO",
                                     "USUARIOBANCOSERVIDORVERSAO",
                                     "SENHABANCOSERVIDORVERSAO",
                                     "USUARIOSATUALIZAVERSAO",
                                     "NOMESERVIDOR",
                                     "USAPROXY",
                                     "DT_AGENDAMENTO",
                                     "HR_AGENDAMENTO",
                                     "USAATUALIZADORONLINE",
                                     "DT_ATLZSERVIDOR",
                                     "DT_ATLZSINCECFJAVA",
                                     "DT_ULTIMACONSULTA"};

// The format number of a table grows with every change of its columns.
int formatOf(FbConnection& db, const QString& table) {
  return db.query("SELECT RDB$FORMAT AS F FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?", {table})
      .value(0, "F")
      .toInt();
}

struct SchemaFixture : ::testing::Test {
  ScriptedInteraction ui;
};

}  // namespace

TEST_F(SchemaFixture, NewDatabaseGetsSixteenColumnsAndTheInitialRowThenTheSeventeenth) {
  auto db = connectTo(freshDatabase());
  ASSERT_TRUE(mostrado(ui, FAtualizaEstrutura(*db)));
  EXPECT_EQ(columnsOf(*db, "VERSOESCAB"), kFullVersoesCab.mid(0, 16));
  EXPECT_EQ(columnsOf(*db, "VERSOESITEM"), QStringList({"VERSAOAATUALIZAR", "CODSISTEMA", "CODCLIENTE"}));
  EXPECT_TRUE(db->query("SELECT * FROM VERSOESITEM").isEmpty());

  const QueryResult row = db->query("SELECT * FROM VERSOESCAB");
  ASSERT_EQ(row.rows.size(), 1);
  EXPECT_EQ(row.value(0, "USUARIOSATUALIZAVERSAO").toString(), "ADMIN,MESTRE");
  EXPECT_EQ(row.value(0, "USAPROXY").toString(), "N");
  EXPECT_EQ(row.value(0, "USUARIOBANCOSERVIDORVERSAO").toString(), "SYSDBA");
  const QString senha = row.value(0, "SENHABANCOSERVIDORVERSAO").toString();
  EXPECT_EQ(senha.size(), 27);
  EXPECT_TRUE(QRegularExpression("^[0-9]{27}$").match(senha).hasMatch());
  EXPECT_TRUE(row.value(0, "CAMINHOBANCOSERVIDORVERSAO").toString().contains("/3051:"));
  for (const char* nulo :
       {"CAMINHOLOCALBACKUP", "CAMINHOVERSOES", "FAZERBACKUP", "NUMEROBACKUP", "ATUALIZARBASE", "NOMESERVIDOR",
        "DT_AGENDAMENTO", "HR_AGENDAMENTO", "USAATUALIZADORONLINE", "DT_ATLZSERVIDOR", "DT_ATLZSINCECFJAVA"})
    EXPECT_TRUE(row.value(0, nulo).isNull()) << nulo;

  ASSERT_TRUE(mostrado(ui, FAtualizaEstrutura(*db)));
  EXPECT_EQ(columnsOf(*db, "VERSOESCAB"), kFullVersoesCab);
  EXPECT_EQ(db->query("SELECT * FROM VERSOESCAB").rows.size(), 1);
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(SchemaFixture, CurrentDatabaseGetsNoDdl) {
  auto db = connectTo(freshDatabase());
  ASSERT_TRUE(mostrado(ui, FAtualizaEstrutura(*db)));
  ASSERT_TRUE(mostrado(ui, FAtualizaEstrutura(*db)));
  const int cab = formatOf(*db, "VERSOESCAB"), item = formatOf(*db, "VERSOESITEM");
  ASSERT_TRUE(mostrado(ui, FAtualizaEstrutura(*db)));
  EXPECT_EQ(formatOf(*db, "VERSOESCAB"), cab);
  EXPECT_EQ(formatOf(*db, "VERSOESITEM"), item);
}

TEST_F(SchemaFixture, OldTablesGainTheMissingColumnsAndKeepTheirValues) {
  testdb::Options old;
  old.oldVersoesCab = true;
  auto db = connectTo(freshDatabase(old));
  ASSERT_TRUE(mostrado(ui, FAtualizaEstrutura(*db)));
  EXPECT_EQ(columnsOf(*db, "VERSOESCAB"),
            kFullVersoesCab.mid(0, 11) + QStringList{"DT_ULTIMACONSULTA"} + kFullVersoesCab.mid(11, 5));
  EXPECT_EQ(columnsOf(*db, "VERSOESITEM"), QStringList({"VERSAOAATUALIZAR", "CODSISTEMA", "CODCLIENTE"}));
  const QueryResult row = db->query("SELECT * FROM VERSOESCAB");
  ASSERT_EQ(row.rows.size(), 1);  // no initial row added to an existing table
  EXPECT_EQ(row.value(0, "CAMINHOVERSOES").toString(), "/srv/versoes/");
  EXPECT_EQ(row.value(0, "NUMEROBACKUP").toInt(), 3);
  EXPECT_TRUE(row.value(0, "USAPROXY").isNull());
}

TEST_F(SchemaFixture, MetadataNamesAreComparedInUpperCase) {
  auto db = connectTo(freshDatabase());
  EXPECT_TRUE(FExisteMetadado(*db, "", "filiais", TipoMetadado::Tabela));
  EXPECT_TRUE(FExisteMetadado(*db, "cgc", "Filiais", TipoMetadado::Campo));
  EXPECT_FALSE(FExisteMetadado(*db, "nada", "FILIAIS", TipoMetadado::Campo));
  EXPECT_FALSE(FExisteMetadado(*db, "", "VERSOESCAB", TipoMetadado::Tabela));
}

TEST_F(SchemaFixture, AUserWithoutAlterRightsGetsTheWarningAndFalse) {
  testdb::Options old;
  old.oldVersoesCab = true;
  const QString location = freshDatabase(old);
  auto admin = connectTo(location);
  try {
    admin->execute("CREATE USER ORVSEMDIREITO PASSWORD 'semdireito'");
  } catch (const DbError&) {
    // Left over from an earlier run.
  }
  FbConnection weak;
  weak.setParams(location, "ORVSEMDIREITO", "semdireito");
  weak.open();
  EXPECT_FALSE(mostrado(ui, FAtualizaEstrutura(weak)));
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.messages()[0].caption, "Alerta");
  EXPECT_TRUE(ui.messages()[0].text.startsWith("Ocorreu um erro durante a atualização de estrurura do banco:\r"));
  EXPECT_FALSE(weak.inTransaction());
  EXPECT_EQ(columnsOf(*admin, "VERSOESCAB").size(), 9);
}

TEST_F(SchemaFixture, VersionsFolderIsReadAnewAndEmptyWithoutARow) {
  auto db = connectTo(freshDatabase());
  ASSERT_TRUE(mostrado(ui, FAtualizaEstrutura(*db)));
  EXPECT_EQ(FCaminhoVersoes(*db), "");
  db->execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = \"/srv/v/\"");
  EXPECT_EQ(FCaminhoVersoes(*db), "/srv/v/");
  db->execute("DELETE FROM VERSOESCAB");
  EXPECT_EQ(FCaminhoVersoes(*db), "");
}
