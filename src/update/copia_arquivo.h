#pragma once
// The engine's copy of a large file (the database and its backups): the
// window keeps serving terminals and timers while the bytes move, and the
// target name appears only for a whole copy that has reached the disk.
#include "platform/copia_duravel.h"

#include <QString>

namespace orvalto {

// Copies `origem` to `destino`, replacing a file of that name, with the
// owner, group and mode of `origem` where this process may give them.
// Throws std::runtime_error naming the file and the system's reason; no
// temporary or partial file is left then.
void PCopiaArquivo(const QString& origem, const QString& destino);

// The same with an owner of the caller's choice, which the copy must get.
void PCopiaArquivo(const QString& origem, const QString& destino, const DonoArquivo& dono);

// The same as the first, with `ajuste` applied to the whole copy (on the
// worker thread) before it takes its name.
void PCopiaArquivo(const QString& origem, const QString& destino, const AjusteCopia& ajuste);

}  // namespace orvalto
