// The RAR 5 block chain: after the 8-byte signature, blocks of a CRC32, a
// header size and the header (type, flags, optional extra and data sizes),
// then the data area; the last block of every volume is the end block.
#include "extraction/rar_completo.h"

#include <QFile>

#include <array>
#include <optional>

namespace orvalto {
namespace {

constexpr char kAssinatura5[] = "Rar!\x1a\x07\x01\x00";
constexpr quint64 kTipoCriptografia = 4;
constexpr quint64 kTipoFim = 5;
constexpr quint64 kComExtra = 0x0001;
constexpr quint64 kComDados = 0x0002;
constexpr qint64 kMaiorCabecalho = 2 * 1024 * 1024;

quint32 crc32(const QByteArray& dados) {
  static const std::array<quint32, 256> tabela = [] {
    std::array<quint32, 256> t{};
    for (quint32 i = 0; i < 256; ++i) {
      quint32 c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  quint32 c = 0xFFFFFFFFu;
  for (char b : dados) c = tabela[(c ^ quint8(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

// A variable-length integer at `pos` of `dados`; `pos` moves past it.
std::optional<quint64> leVint(const QByteArray& dados, qint64& pos) {
  quint64 valor = 0;
  for (int deslocamento = 0; pos < dados.size() && deslocamento < 64; deslocamento += 7) {
    const quint8 b = quint8(dados[pos++]);
    valor |= quint64(b & 0x7F) << deslocamento;
    if (!(b & 0x80)) return valor;
  }
  return std::nullopt;
}

struct Bloco {
  quint64 tipo = 0;
  qint64 tamanhoTotal = 0;  // header and data
};

// The block at `inicio`, or the state that stops the walk.
EstadoRar leBloco(QFile& arquivo, qint64 inicio, Bloco& bloco) {
  if (!arquivo.seek(inicio)) return EstadoRar::Incompleto;
  // CRC32, then the header size in at most 3 bytes.
  const QByteArray prefixo = arquivo.read(7);
  qint64 pos = 4;
  const std::optional<quint64> tamanho = leVint(prefixo, pos);
  if (!tamanho) return prefixo.size() < 7 ? EstadoRar::Incompleto : EstadoRar::Danificado;
  if (*tamanho == 0 || qint64(*tamanho) > kMaiorCabecalho) return EstadoRar::Danificado;
  const qint64 inicioCabecalho = pos;
  arquivo.seek(inicio);
  const QByteArray cabecalho = arquivo.read(inicioCabecalho + qint64(*tamanho));
  if (cabecalho.size() < inicioCabecalho + qint64(*tamanho)) return EstadoRar::Incompleto;
  quint32 crcGravado = 0;
  for (int i = 3; i >= 0; --i) crcGravado = (crcGravado << 8) | quint8(cabecalho[i]);
  if (crc32(cabecalho.mid(4)) != crcGravado) return EstadoRar::Danificado;

  const auto tipo = leVint(cabecalho, pos);
  const auto flags = leVint(cabecalho, pos);
  if (!tipo || !flags) return EstadoRar::Danificado;
  if (*flags & kComExtra && !leVint(cabecalho, pos)) return EstadoRar::Danificado;
  quint64 dados = 0;
  if (*flags & kComDados) {
    const auto d = leVint(cabecalho, pos);
    if (!d || *d > quint64(1) << 62) return EstadoRar::Danificado;
    dados = *d;
  }
  bloco = {*tipo, cabecalho.size() + qint64(dados)};
  return EstadoRar::Completo;
}

}  // namespace

EstadoRar FEstadoRar(const QString& caminho) {
  QFile arquivo(caminho);
  if (!arquivo.open(QIODevice::ReadOnly)) return EstadoRar::Indeterminado;
  if (arquivo.read(8) != QByteArray(kAssinatura5, 8)) return EstadoRar::Indeterminado;
  const qint64 tamanhoArquivo = arquivo.size();
  for (qint64 pos = 8; pos < tamanhoArquivo;) {
    Bloco bloco;
    const EstadoRar estado = leBloco(arquivo, pos, bloco);
    if (estado != EstadoRar::Completo) return estado;
    // Past this header everything is encrypted: the library judges it.
    if (bloco.tipo == kTipoCriptografia) return EstadoRar::Indeterminado;
    if (pos + bloco.tamanhoTotal > tamanhoArquivo) return EstadoRar::Incompleto;
    if (bloco.tipo == kTipoFim) return EstadoRar::Completo;
    pos += bloco.tamanhoTotal;
  }
  return EstadoRar::Incompleto;
}

}  // namespace orvalto
