#include "base/scramble.h"

#include "platform/codepage.h"

#include <cstring>

namespace orvalto {
namespace {

int position(QChar c) {
  const char* found = c.unicode() < 128 && c.unicode() != 0 ? std::strchr(kAlfabetoSenha, char(c.unicode())) : nullptr;
  return found ? int(found - kAlfabetoSenha) : 0;
}

// The state after one output byte at step k (1-based).
quint16 nextState(quint16 state, quint8 output, int k, const QByteArray& key) {
  state ^= output;
  const auto c = static_cast<quint8>(key[k % key.size()]);
  return static_cast<quint16>((quint32(c) + state) * 17u % 17185u);
}

}  // namespace

QString decifra(const QString& stored, const QByteArray& key) {
  QByteArray out;
  quint16 state = 0;
  const int n = int(stored.size());
  for (int k = 1; 2 * k - 1 <= n; ++k) {
    quint8 byte = 0;
    if (2 * k <= n) {
      const int a = position(stored[2 * k - 2]);
      const int b = position(stored[2 * k - 1]);
      const int t = (state / 256) % 19;
      byte = static_cast<quint8>(((a + 16 * b - 17 * t) % 256 + 256) % 256) ^ static_cast<quint8>(state % 256);
    }
    out.append(char(byte));
    state = nextState(state, byte, k, key);
  }
  const int zero = out.indexOf('\0');
  if (zero >= 0) out.truncate(zero);
  return fromCp1252(out);
}

QString cifra(const QString& plain, const QByteArray& key) {
  const QByteArray bytes = toCp1252(plain);
  QString out;
  quint16 state = 0;
  for (int k = 1; k <= bytes.size(); ++k) {
    const auto byte = static_cast<quint8>(bytes[k - 1]);
    const int t = (state / 256) % 19;
    // Any a + 16b that is congruent to the wanted value works; the low and
    // high nibble are always inside the alphabet.
    const int r = ((byte ^ (state % 256)) + 17 * t) % 256;
    out.append(QChar(kAlfabetoSenha[r & 15]));
    out.append(QChar(kAlfabetoSenha[r >> 4]));
    state = nextState(state, byte, k, key);
  }
  return out;
}

QString FDecifraSenha(const QString& stored) { return decifra(stored, kChaveConexao); }

}  // namespace orvalto
