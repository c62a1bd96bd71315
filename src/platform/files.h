#pragma once
// File operations with the semantics the updater was built on: DOS file
// times, copy with or without overwrite, one-level folder creation and
// wildcard listing that ignores case. None of them throws; each says
// whether it worked.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace orvalto {

bool fileExists(const QString& path);
bool folderExists(const QString& path);

// Last-modification time as local time, truncated to an even second.
// Invalid when the file does not exist.
QDateTime dosFileTime(const QString& path);

// Copies `from` to `to`; with failIfExists an existing target is an error.
// The copy keeps the source's permission bits and modification time; a
// failed copy leaves the target untouched.
bool copyFile(const QString& from, const QString& to, bool failIfExists);
bool renameFile(const QString& from, const QString& to);
bool deleteFile(const QString& path);

// Creates the last folder of `path` only; its parent must exist.
bool createFolder(const QString& path);

// Names (no folder) of the files in `folder` matching `pattern` ("*.rar",
// "*.*", "Bkp*"), letter case ignored.
QStringList listFiles(const QString& folder, const QString& pattern);

// The folder with the platform separator at its end.
QString withSeparator(const QString& folder);

}  // namespace orvalto
