#pragma once
// Writing and reading whole files in tests: the one pair every test uses.
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace orvalto::test {

// Writes `bytes` to `path`, making its folders; `mode` (as chmod takes it)
// when not 0. Throws std::runtime_error when it cannot.
void writeFile(const QString& path, const QByteArray& bytes, int mode = 0);

// The same, and the file's modification time becomes `modified`.
void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified);

// The bytes of `path`; "<missing>" when it cannot be read.
QByteArray readFile(const QString& path);

}  // namespace orvalto::test
