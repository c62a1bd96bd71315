#pragma once
// RAR 5 archives made at test time with the `rar` tool, and the few
// surgical changes to them that the tool refuses to make (hostile entry
// names, an archive without entries).
#include "support/files.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvalto::test {

// Runs `rar` in `folder` with `args` (quiet); throws std::runtime_error when
// it fails or takes more than a minute.
void runRar(const QString& folder, const QStringList& args);

// Bytes that do not compress, the same for the same seed.
QByteArray noise(int size, unsigned seed);

// Renames an entry inside a RAR 5 archive: the header holding `from` gets
// `to` (same length) and its checksum is made right again.
void renameEntry(const QString& archive, const QByteArray& from, const QByteArray& to);

// Leaves only the archive's own blocks: an archive without entries.
void dropEntries(const QString& archive);

// XORs one byte of a file.
void flipByte(const QString& path, qint64 offset);

}  // namespace orvalto::test
