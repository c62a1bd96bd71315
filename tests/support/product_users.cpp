#include "support/product_users.h"

#include "db/firebird_connection.h"

namespace orvalto::test {

QString storedProductPassword(const QString& password) {
  const QString padded = password.leftJustified(8, ' ');
  QString stored;
  for (qsizetype i = padded.size() - 1; i >= 0; --i)
    stored += QString("%1").arg(padded[i].unicode(), 3, 10, QChar('0'));
  return stored;
}

void addProductUser(FbConnection& db, const QString& user, const QString& password) {
  db.execute("INSERT INTO CADUSUA (USUARIO, SENHA) VALUES (?, ?)", {user, storedProductPassword(password)});
}

QString settingsRows(FbConnection& db) {
  QString text;
  for (const char* table : {"VERSOESCAB", "PARALOGIN"}) {
    const QueryResult r = db.query(QString("SELECT * FROM %1").arg(table));
    text += QString(table) + ": " + r.columns.join(",") + "\n";
    for (const auto& row : r.rows) {
      QStringList values;
      for (const QVariant& v : row) values.append(v.isNull() ? "<null>" : v.toString());
      text += values.join("|") + "\n";
    }
  }
  return text;
}

}  // namespace orvalto::test
