#include "test_database.h"

#include "db/firebird_connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace orvalto::testdb {
namespace {

const char* const kFolder = "/tmp/orvalto-databases";

void createProductTables(FbConnection& db, const Options& o) {
  db.execute(QString("CREATE TABLE PARALOGIN (WEBSERVICEWZQ VARCHAR(255), %1"
                     "USUARIOWEBSERVICEWZQ VARCHAR(60), SENHAWEBSERVICEWZQ VARCHAR(60), UTILIZAPROXY VARCHAR(1), "
                     "PROXY VARCHAR(100), PORTAPROXY VARCHAR(10), AUTENTICACAOPROXY VARCHAR(1), "
                     "USUARIOPROXY VARCHAR(60), SENHAPROXY VARCHAR(60), WSWZQVERSAOCLIENTE VARCHAR(255))")
                 .arg(o.withLinkWebService ? "LINKWEBSERVICEWZQ VARCHAR(255), " : ""));
  db.execute("INSERT INTO PARALOGIN (WEBSERVICEWZQ, UTILIZAPROXY, AUTENTICACAOPROXY) VALUES (\"\", \"N\", \"N\")");
  db.execute("CREATE TABLE PARADIV (ID_DESCRICAO VARCHAR(60), CAMPODATE DATE)");
  db.execute("CREATE TABLE SENHAINSTALACAO (CODCLIENTE VARCHAR(8))");
  db.execute("CREATE TABLE FILIAIS (CODEMPRESA VARCHAR(3), CGC VARCHAR(20))");
  db.execute(
      "CREATE TABLE CADUSUA (USUARIO VARCHAR(20), SENHA VARCHAR(60), PERCDESCMAX NUMERIC(15,2), "
      "PERCDESCMAXCART NUMERIC(15,2), PRAZOMEDIOMAX INTEGER, GERENTE VARCHAR(1), LIBERATROCA VARCHAR(1))");
  db.execute("CREATE TABLE PARACAD (CODIGO INTEGER, DESCRICAO VARCHAR(60))");
  for (const auto& [codigo, cgc] : o.filiais)
    db.execute("INSERT INTO FILIAIS (CODEMPRESA, CGC) VALUES (?, ?)", {codigo, cgc});
}

// VERSOESCAB as an older updater left it: the first columns only, with
// settings already saved.
void createOldVersoesCab(FbConnection& db) {
  db.execute(
      "CREATE TABLE VERSOESCAB (CAMINHOLOCALBACKUP VARCHAR(255), CAMINHOVERSOES VARCHAR(255), "
      "FAZERBACKUP VARCHAR(1), NUMEROBACKUP INTEGER, ATUALIZARBASE VARCHAR(1), "
      "CAMINHOBANCOSERVIDORVERSAO VARCHAR(255), USUARIOBANCOSERVIDORVERSAO VARCHAR(255), "
      "SENHABANCOSERVIDORVERSAO VARCHAR(255), USUARIOSATUALIZAVERSAO VARCHAR(255))");
  db.execute(
      "INSERT INTO VERSOESCAB (CAMINHOLOCALBACKUP, CAMINHOVERSOES, FAZERBACKUP, NUMEROBACKUP, "
      "USUARIOSATUALIZAVERSAO) VALUES (\"/srv/backup/\", \"/srv/versoes/\", \"S\", 3, \"ADMIN\")");
  db.execute("CREATE TABLE VERSOESITEM (VERSAOAATUALIZAR VARCHAR(255))");
}

}  // namespace

void prepareFolder(const QString& folder) {
  QDir().mkpath(folder);
  ::chmod(folder.toLocal8Bit().constData(), 01777);  // the server runs as its own user
}

QString freshLocation(const QString& name) {
  prepareFolder(kFolder);
  const QString path = QDir(kFolder).filePath(name + ".fdb");
  QFile::remove(path);
  return "localhost:" + path;
}

void create(const QString& location, const Options& options) {
  const QString path = location.section(':', 1);
  if (!path.isEmpty()) {
    prepareFolder(QFileInfo(path).absolutePath());
    QFile::remove(path);
  }
  FbConnection::createDatabase(location, kUser, kPassword);
  FbConnection db;
  db.setParams(location, kUser, kPassword);
  db.open();
  if (options.productTables) createProductTables(db, options);
  if (options.oldVersoesCab) createOldVersoesCab(db);
  db.close();
}

}  // namespace orvalto::testdb
