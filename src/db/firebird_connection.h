#pragma once
// A connection to a Firebird database through the client library's C++
// interface, with the fixed parameters of the product connection: SQL
// dialect 1, read-committed transactions that wait on locks, no character
// set (text is Windows-1252 bytes). At most one explicit transaction at a
// time; a statement run outside one is committed on its own.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <stdexcept>

namespace orvalto {

class DbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using SqlParams = QList<QVariant>;

// All rows of a statement, read at once (the tables involved are small).
struct QueryResult {
  QStringList columns;
  QList<QList<QVariant>> rows;

  bool isEmpty() const { return rows.isEmpty(); }
  int columnIndex(const QString& name) const;  // -1 when absent; case ignored
  // Value of `column` in `row`; an invalid QVariant when out of range.
  QVariant value(int row, const QString& column) const;
};

// The statement with each ":NAME" parameter outside string literals turned
// into the "?" the server expects; parameters are then bound in order.
QString positionalParameters(const QString& sql);

class FbConnection {
 public:
  FbConnection();
  ~FbConnection();
  FbConnection(const FbConnection&) = delete;
  FbConnection& operator=(const FbConnection&) = delete;

  void setParams(const QString& location, const QString& user, const QString& password);
  const QString& location() const { return location_; }
  const QString& user() const { return user_; }
  const QString& password() const { return password_; }

  bool connected() const;
  void open();   // throws DbError
  void close();  // rolls back an open transaction; never throws

  bool inTransaction() const;
  void startTransaction();
  void commit();
  void rollback();

  // Parameters are bound in order, to "?" or ":NAME" markers.
  void execute(const QString& sql, const SqlParams& params = {});
  QueryResult query(const QString& sql, const SqlParams& params = {});

  // Creates a dialect-1 database (through a server when the location names
  // one) and leaves it closed.
  static void createDatabase(const QString& location, const QString& user, const QString& password);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
  QString location_, user_, password_;
};

}  // namespace orvalto
