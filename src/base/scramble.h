#pragma once
// Stored passwords and user names are scrambled as pairs of characters from
// a 36-character alphabet, with a key and a 16-bit running state. The same
// procedure serves the connection settings (key "PLOVEKRU") and the web
// service password (its own key).
#include <QByteArray>
#include <QString>

namespace orvalto {

inline constexpr const char* kChaveConexao = "PLOVEKRU";

// The alphabet: the ten digits and the 26 upper-case letters, in the order
// this system has always used.
inline constexpr const char* kAlfabetoSenha = "3OWSDK26V0MF84EY975BRZ1ACHXTNPGJQLUI";

// Unscrambles `stored` with `key`. Characters outside the alphabet count as
// its first position; the result ends before the first code 0.
QString decifra(const QString& stored, const QByteArray& key);

// The inverse: a stored form that `decifra` turns back into `plain`
// (which must not contain code 0).
QString cifra(const QString& plain, const QByteArray& key);

// The connection settings' unscrambling.
QString FDecifraSenha(const QString& stored);

}  // namespace orvalto
