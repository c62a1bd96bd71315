#include "support/rar_archives.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <stdexcept>

namespace orvalto::test {
namespace {

// An archive that cannot be read is an error, not "<missing>".
QByteArray readArchive(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
  return f.readAll();
}

quint64 vint(const QByteArray& b, int& pos) {
  quint64 v = 0;
  for (int shift = 0;; shift += 7) {
    const quint8 c = quint8(b.at(pos++));
    v |= quint64(c & 0x7F) << shift;
    if (!(c & 0x80)) return v;
  }
}

quint32 crc32(const QByteArray& data) {
  quint32 c = 0xFFFFFFFFu;
  for (char ch : data) {
    c ^= quint8(ch);
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

struct Block {
  int start;       // the CRC
  int headerFrom;  // the header size field
  int headerEnd;
  int end;  // after the data area
  quint64 type;
};

QList<Block> blocks(const QByteArray& a) {
  QList<Block> out;
  for (int pos = 8; pos < a.size();) {
    Block b{pos, pos + 4, 0, 0, 0};
    int p = b.headerFrom;
    const quint64 size = vint(a, p);
    b.headerEnd = p + int(size);
    b.type = vint(a, p);
    const quint64 flags = vint(a, p);
    if (flags & 1) vint(a, p);
    const quint64 data = (flags & 2) ? vint(a, p) : 0;
    b.end = b.headerEnd + int(data);
    out.append(b);
    pos = b.end;
  }
  return out;
}

void fixCrc(QByteArray& a, const Block& b) {
  const quint32 c = crc32(a.mid(b.headerFrom, b.headerEnd - b.headerFrom));
  for (int i = 0; i < 4; ++i) a[b.start + i] = char((c >> (8 * i)) & 0xFF);
}

}  // namespace

void runRar(const QString& folder, const QStringList& args) {
  QProcess rar;
  rar.setWorkingDirectory(folder);
  rar.start("rar", QStringList{args.first(), "-idq", "-y"} + args.mid(1));
  if (!rar.waitForFinished(60000) || rar.exitStatus() != QProcess::NormalExit || rar.exitCode() != 0)
    throw std::runtime_error("rar " + args.join(' ').toStdString() +
                             " failed: " + rar.readAllStandardError().toStdString());
}

QByteArray noise(int size, unsigned seed) {
  QRandomGenerator gen(seed);
  QByteArray out(size, '\0');
  for (char& c : out) c = char(gen.generate() & 0xFF);
  return out;
}

void renameEntry(const QString& archive, const QByteArray& from, const QByteArray& to) {
  if (from.size() != to.size()) throw std::runtime_error("renameEntry: names of different lengths");
  QByteArray a = readArchive(archive);
  for (const Block& b : blocks(a)) {
    const int at = a.indexOf(from, b.headerFrom);
    if (at < 0 || at + from.size() > b.headerEnd) continue;
    a.replace(at, to.size(), to);
    fixCrc(a, b);
    writeFile(archive, a);
    return;
  }
  throw std::runtime_error("renameEntry: no entry " + from.toStdString());
}

void dropEntries(const QString& archive) {
  const QByteArray a = readArchive(archive);
  QByteArray out = a.left(8);
  for (const Block& b : blocks(a))
    if (b.type != 2 && b.type != 3) out += a.mid(b.start, b.end - b.start);
  writeFile(archive, out);
}

void flipByte(const QString& path, qint64 offset) {
  QByteArray a = readArchive(path);
  a[int(offset)] = char(a[int(offset)] ^ 0xFF);
  writeFile(path, a);
}

}  // namespace orvalto::test
