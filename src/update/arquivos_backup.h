#pragma once
// The database backups on disk: "BkpOrvalto_DDMMYYhhmmss.FB" in the backup
// folder, their time stamps, the choice of the latest and the rotation that
// keeps the newest ones. Only files named that way are ever chosen or
// deleted; anything else in the folder is left alone.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace orvalto {

inline constexpr const char* kPrefixoBackup = "BkpOrvalto_";

// `pasta` (ending with a separator) + "BkpOrvalto_" + DDMMYYhhmmss + ".FB".
QString nomeBackup(const QString& pasta, const QDateTime& quando);

// True for a name (no folder) this updater gives its backups; the
// extension's letter case does not matter.
bool ehNomeBackup(const QString& nome);

// The stamp (the 12 characters before the extension) rearranged so that
// text order is time order: YYMMDDhhmmss.
QString chaveCarimbo(const QString& caminho);

// The database file of a connection location: the text after the first ":"
// when what comes before it is longer than one character (a server name),
// otherwise the whole location (a drive letter, or a plain path).
QString caminhoArquivoBanco(const QString& localizacao);

// Appends `pasta` + name for each file (not folder) of `pasta` whose name
// ends in "." + `extensao`, letter case ignored. Subfolders are not read.
void PListaArquivosExtensao(const QString& pasta, const QString& extensao, QStringList& lista);

// The backup with the latest stamp in `pasta` itself (no subfolder, no
// link); the first one found among equal stamps. Empty when none.
QString backupMaisRecente(const QString& pasta);

// A regular file, not a link (nor anything else).
bool ehArquivoComum(const QString& caminho);

// Deletes the oldest backups of `pasta` (ending with a separator) until
// `manter` remain, never fewer than one: the newest always stays, and so
// does `preservado` (this run's backup, whatever the stamps of the others
// say: a clock set wrong gives them any stamp). Stops at a file that cannot
// be deleted; false then, with the reason in `erro`.
bool PLimpaBackupsAntigos(const QString& pasta, int manter, QString* erro = nullptr, const QString& preservado = {});

// The copies a restore keeps of the database it replaced: `banco` +
// ".ANTES-RESTORE-" + DDMMYYhhmmss, beside it.
QString nomeCopiaAnterior(const QString& banco, const QDateTime& quando);

// Deletes the oldest of those copies until `manter` remain (never fewer than
// one, and never `preservada`, the one just made), telling `avisa` of each
// one deleted or that could not be.
void PLimitaCopiasAnteriores(const QString& banco, int manter, const QString& preservada,
                             const std::function<void(const QString&)>& avisa);

// Deletes from `pasta` (ending with a separator) the unfinished copies of
// backups that a stopped program left (a backup's name plus the copy's
// temporary suffix): they are never a backup, and each is as large as the
// database. Nothing else is touched.
void PApagaBackupsInterrompidos(const QString& pasta);

}  // namespace orvalto
