#include "support/product_db.h"

#include "db/scramble.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace orvalto::test {

QString currentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  QString name = info ? QString("%1_%2").arg(info->test_suite_name(), info->name()) : QString("db");
  name.replace('/', '_');
  return name;
}

QString freshDatabase(const testdb::Options& options) {
  const QString location = testdb::freshLocation(currentTestName());
  testdb::create(location, options);
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
