#include "support/product_db.h"

#include "base/scramble.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace orvalto::test {

QString currentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const auto* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
  QString name = info    ? QString("%1_%2").arg(info->test_suite_name(), info->name())
                 : suite ? QString(suite->name())
                         : QString("db");
  name.replace('/', '_');
  return name;
}

namespace {

// The databases this test program made, removed when it ends.
struct CreatedDatabases {
  QStringList paths;
  ~CreatedDatabases() {
    for (const QString& p : paths) QFile::remove(p);
  }
};

}  // namespace

QString freshDatabase(const testdb::Options& options) {
  // Test programs run side by side: the process id keeps their files apart
  // (a suite's set-up has no test name of its own).
  static CreatedDatabases created;
  const QString location =
      testdb::freshLocation(QString("%1_%2").arg(currentTestName()).arg(QCoreApplication::applicationPid()));
  testdb::create(location, options);
  created.paths.append(location.section(':', 1));
  return location;
}

std::unique_ptr<FbConnection> connectTo(const QString& location) {
  auto db = std::make_unique<FbConnection>();
  db->setParams(location, testdb::kUser, testdb::kPassword);
  db->open();
  return db;
}

void writeCaminhoIni(const QString& folder, const QString& location, const QString& user, const QString& password) {
  QFile file(QDir(folder).filePath("Caminho.ini"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write Caminho.ini");
  const QString text = "[Conexao]\r\nCaminho=" + location + "\r\nUsuario=" + cifra(user, kChaveConexao) +
                       "\r\nSenha=" + cifra(password, kChaveConexao) + "\r\n";
  file.write(toCp1252(text));
}

QStringList columnsOf(FbConnection& db, const QString& table) {
  const QueryResult r = db.query(
      "SELECT TRIM(RDB$FIELD_NAME) AS NOME FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = ? "
      "ORDER BY RDB$FIELD_POSITION",
      {table});
  QStringList names;
  for (const auto& row : r.rows) names.append(row.first().toString());
  return names;
}

}  // namespace orvalto::test
