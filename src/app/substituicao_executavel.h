#pragma once
// The updater replaces its own executable by a newer copy found in the
// versions folder, at start and at end. The running process keeps running
// its old code; the new file takes effect at the next start.
#include <QString>

namespace orvalto {

struct AppContext;

struct CaminhosSubstituicao {
  QString running;    // the executable itself
  QString candidate;  // versions folder + the executable's name
  QString oldCopy;    // beside the executable: "OLD-" + its name
};

// `caminhoVersoes` ends with a separator; none is inserted. Empty, the
// candidate is the bare name in the current folder.
CaminhosSubstituicao caminhosSubstituicao(const AppContext& ctx, const QString& caminhoVersoes);

// When the candidate is strictly newer (DOS file times), can run on this
// machine and is either the copy the self-update placed (its recorded
// SHA-256) or owned by root or this program's user and writable by nobody
// else (a log line says why another is left alone): deletes an old copy,
// renames the running file to it and copies the candidate in its place. If that copy fails, the old copy is renamed back so that a file
// with the executable's name always exists. An executable installed by the
// Debian package is left to the package manager (a log line, once a day).
// Returns true when replaced.
bool PTrocaExecutavel(const AppContext& ctx, const QString& caminhoVersoes);

}  // namespace orvalto
