#pragma once
// The section "Seguranca" of Atualizador.ini beside the executable: what
// this installation trusts (the addresses it fetches from, the terminals it
// answers, the size of what it unpacks). A missing file or key means the
// built-in rule of whoever reads it.
#include <QString>
#include <QStringList>

#include <optional>

namespace orvalto {

inline constexpr const char* kSecaoSeguranca = "Seguranca";

// The raw value of `chave`, or nothing when the file or the key is missing.
// A file that exists but cannot be read counts as missing: every reader
// then falls back on its built-in (strict) rule.
std::optional<QString> valorSeguranca(const QString& exeDir, const QString& chave);

// The value split at commas, each item trimmed, empty items dropped;
// nothing when the key is missing or holds no item.
std::optional<QStringList> listaSeguranca(const QString& exeDir, const QString& chave);

// A whole positive number; `padrao` when missing or not such a number.
qint64 numeroSeguranca(const QString& exeDir, const QString& chave, qint64 padrao);

}  // namespace orvalto
