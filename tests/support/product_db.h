#pragma once
// A product database of the test's own on the local server, and a folder
// laid out like an installation that connects to it.
#include "db/firebird_connection.h"
#include "test_database.h"

#include <QString>
#include <QTemporaryDir>

namespace orvalto::test {

// Creates a fresh database named after the running test.
QString freshDatabase(const testdb::Options& options = {});

// A connection to `location` as SYSDBA, open.
std::unique_ptr<FbConnection> connectTo(const QString& location);

// Writes Caminho.ini into `folder`, pointing at `location` with the test
// credentials scrambled.
void writeCaminhoIni(const QString& folder, const QString& location, const QString& user = testdb::kUser,
                     const QString& password = testdb::kPassword);

// Column names of a table, in position order.
QStringList columnsOf(FbConnection& db, const QString& table);

// Name of the running test, usable in file names.
QString currentTestName();

}  // namespace orvalto::test
