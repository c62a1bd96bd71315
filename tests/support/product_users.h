#pragma once
// Product users and the settings rows, as the settings tests need them.
#include <QString>

namespace orvalto {
class FbConnection;
}

namespace orvalto::test {

// A password in the product's stored form: padded with blanks to eight
// characters, each written as a 3-digit code, last character first.
QString storedProductPassword(const QString& password);

// Adds a user to CADUSUA with that password.
void addProductUser(FbConnection& db, const QString& user, const QString& password);

// VERSOESCAB and PARALOGIN, every row and column, as one text: equal texts
// mean nothing was written.
QString settingsRows(FbConnection& db);

}  // namespace orvalto::test
