#pragma once
// Product databases as an installation has them: the product tables the
// updater reads (PARALOGIN, PARADIV, SENHAINSTALACAO, FILIAIS, CADUSUA,
// ParaCad), dialect 1, created through the server.
#include <QList>
#include <QPair>
#include <QString>

namespace orvalto::testdb {

struct Options {
  bool productTables = true;               // false: a database without any table
  bool withLinkWebService = true;          // PARALOGIN has LINKWEBSERVICEWZQ
  bool oldVersoesCab = false;              // a VERSOESCAB of an older updater, with a row
  QList<QPair<QString, QString>> filiais;  // CODEMPRESA, CGC
};

inline constexpr const char* kUser = "SYSDBA";
inline constexpr const char* kPassword = "quillaroz";

// Creates the database at `location` ("localhost:/path/file.fdb"),
// replacing a file that is there.
void create(const QString& location, const Options& options = {});

// A location for a new database file in a folder the server can write,
// named after `name`; an old file of that name is removed.
QString freshLocation(const QString& name);

}  // namespace orvalto::testdb
