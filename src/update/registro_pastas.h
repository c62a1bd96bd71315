#pragma once
// The file systems the two configured folders were on when they were last
// seen working (the end of a successful update, a saved setting), kept in a
// small file beside the executable. A network share that is not mounted
// leaves an empty local mount point, or no folder at all: before the update
// downloads or writes anything it compares, and stops instead of filling the
// local disk while the workstations keep the old programs.
#include "base/app_context.h"

#include <QString>

namespace orvalto {

class ContextoEstagio;

inline constexpr const char* kArquivoRegistroPastas = "PastasRegistradas.txt";

struct PastasConfiguradas {
  QString versoes;
  QString backup;
};

// Records the file system of each folder that exists now; a folder that
// does not exist keeps what was recorded for it. Never throws: a record
// that cannot be written is logged.
void PRegistraPastas(const AppContext& ctx, const PastasConfiguradas& pastas);

// Empty when both folders are set, exist and each sits on the file system
// recorded for the same path (or nothing was recorded for it); otherwise the
// reason, naming the folder (the backup folder is looked at first).
QString FConferePastas(const QString& exeDir, const PastasConfiguradas& pastas);

// The update's check before its first download, on the engine's connection:
// false, with the reason logged and a warning shown, when something is
// queued and a folder is not what it was. An empty queue is left to the
// download stage.
bool FConferePastasAntesDoDownload(const ContextoEstagio& contexto);

// Records the folders of VERSOESCAB after a successful update. Never throws.
void PRegistraPastasDaAtualizacao(const ContextoEstagio& contexto);

}  // namespace orvalto
