#include "platform/minisign.h"

#include <QFile>
#include <QList>

#include <sodium.h>

#include <stdexcept>

namespace orvalto::minisign {
namespace {

constexpr int kTamanhoId = 8;
constexpr int kTamanhoChave = crypto_sign_PUBLICKEYBYTES;
constexpr int kTamanhoAssinatura = crypto_sign_BYTES;
constexpr int kTamanhoResumo = crypto_generichash_BYTES_MAX;  // BLAKE2b-512
constexpr qint64 kBlocoLeitura = 1024 * 1024;
const QByteArray kComentarioNaoConfiavel = "untrusted comment: ";
const QByteArray kComentarioConfiavel = "trusted comment: ";

void iniciaSodium() {
  // Idempotent and thread-safe; fails only without a source of randomness,
  // which verification does not use.
  if (sodium_init() < 0) throw std::runtime_error("libsodium não pôde ser iniciada");
}

std::optional<QByteArray> base64(const QByteArray& texto) {
  const auto r = QByteArray::fromBase64Encoding(texto.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
  if (!r) return std::nullopt;
  return r.decoded;
}

const unsigned char* bytes(const QByteArray& b) { return reinterpret_cast<const unsigned char*>(b.constData()); }

QList<QByteArray> linhas(const QByteArray& texto) {
  QList<QByteArray> resultado;
  for (QByteArray linha : texto.split('\n')) {
    if (linha.endsWith('\r')) linha.chop(1);
    resultado.append(linha);
  }
  while (!resultado.isEmpty() && resultado.last().trimmed().isEmpty()) resultado.removeLast();
  return resultado;
}

bool confere(const QByteArray& assinatura, const unsigned char* mensagem, qint64 tamanho, const QByteArray& chave) {
  return crypto_sign_verify_detached(bytes(assinatura), mensagem, static_cast<unsigned long long>(tamanho),
                                     bytes(chave)) == 0;
}

// The BLAKE2b-512 digest of the file, read in blocks.
std::optional<QByteArray> resumoDoArquivo(QFile& arquivo) {
  crypto_generichash_state estado;
  crypto_generichash_init(&estado, nullptr, 0, kTamanhoResumo);
  QByteArray bloco(kBlocoLeitura, Qt::Uninitialized);
  for (;;) {
    const qint64 lidos = arquivo.read(bloco.data(), bloco.size());
    if (lidos < 0) return std::nullopt;
    if (lidos == 0) break;
    crypto_generichash_update(&estado, bytes(bloco), static_cast<unsigned long long>(lidos));
  }
  QByteArray resumo(kTamanhoResumo, Qt::Uninitialized);
  crypto_generichash_final(&estado, reinterpret_cast<unsigned char*>(resumo.data()), kTamanhoResumo);
  return resumo;
}

// The signed message itself: the digest, or the whole file (mapped, so a
// large package is not copied into memory).
bool confereArquivo(const Assinatura& a, const QByteArray& chave, const QString& caminho, QString* motivo) {
  QFile arquivo(caminho);
  if (!arquivo.open(QIODevice::ReadOnly)) {
    if (motivo) *motivo = "não foi possível ler " + caminho + ": " + arquivo.errorString();
    return false;
  }
  if (a.preHash) {
    const std::optional<QByteArray> resumo = resumoDoArquivo(arquivo);
    if (!resumo) {
      if (motivo) *motivo = "não foi possível ler " + caminho + ": " + arquivo.errorString();
      return false;
    }
    return confere(a.assinatura, bytes(*resumo), resumo->size(), chave);
  }
  const qint64 tamanho = arquivo.size();
  if (tamanho == 0) return confere(a.assinatura, bytes(QByteArray()), 0, chave);
  const uchar* mapa = arquivo.map(0, tamanho);
  if (!mapa) {
    if (motivo) *motivo = "não foi possível ler " + caminho + ": " + arquivo.errorString();
    return false;
  }
  return confere(a.assinatura, mapa, tamanho, chave);
}

}  // namespace

std::optional<ChavePublica> lerChavePublica(const QByteArray& texto) {
  QList<QByteArray> l = linhas(texto.trimmed());
  if (!l.isEmpty() && l.first().startsWith(kComentarioNaoConfiavel)) l.removeFirst();
  if (l.size() != 1) return std::nullopt;
  const std::optional<QByteArray> dados = base64(l.first());
  if (!dados || dados->size() != 2 + kTamanhoId + kTamanhoChave || !dados->startsWith("Ed")) return std::nullopt;
  return ChavePublica{dados->mid(2, kTamanhoId), dados->mid(2 + kTamanhoId)};
}

std::optional<Assinatura> lerAssinatura(const QByteArray& texto, QString* motivo) {
  const auto recusa = [motivo](const char* porque) -> std::optional<Assinatura> {
    if (motivo) *motivo = QString::fromUtf8(porque);
    return std::nullopt;
  };
  const QList<QByteArray> l = linhas(texto);
  if (l.size() != 4 || !l[0].startsWith(kComentarioNaoConfiavel) || !l[2].startsWith(kComentarioConfiavel))
    return recusa("não é uma assinatura minisign");
  const std::optional<QByteArray> dados = base64(l[1]);
  if (!dados || dados->size() != 2 + kTamanhoId + kTamanhoAssinatura) return recusa("assinatura malformada");
  Assinatura a;
  if (dados->startsWith("ED"))
    a.preHash = true;
  else if (!dados->startsWith("Ed"))
    return recusa("algoritmo de assinatura desconhecido");
  a.idChave = dados->mid(2, kTamanhoId);
  a.assinatura = dados->mid(2 + kTamanhoId);
  a.comentarioConfiavel = l[2].mid(kComentarioConfiavel.size());
  const std::optional<QByteArray> global = base64(l[3]);
  if (!global || global->size() != kTamanhoAssinatura) return recusa("assinatura global malformada");
  a.assinaturaGlobal = *global;
  return a;
}

Verificacao verificaArquivo(const Assinatura& assinatura, const QList<ChavePublica>& confiaveis, const QString& caminho,
                            QString* motivo) {
  iniciaSodium();
  if (motivo) motivo->clear();
  const ChavePublica* chave = nullptr;
  for (const ChavePublica& c : confiaveis)
    if (c.id == assinatura.idChave) chave = &c;
  if (!chave) {
    if (motivo) *motivo = "chave " + textoId(assinatura.idChave) + " não é confiável";
    return Verificacao::ChaveNaoConfiavel;
  }
  if (!confereArquivo(assinatura, chave->chave, caminho, motivo)) {
    if (motivo && motivo->isEmpty()) *motivo = "assinatura não confere com o arquivo";
    return Verificacao::Invalida;
  }
  const QByteArray global = assinatura.assinatura + assinatura.comentarioConfiavel;
  if (!confere(assinatura.assinaturaGlobal, bytes(global), global.size(), chave->chave)) {
    if (motivo) *motivo = "assinatura do comentário confiável não confere";
    return Verificacao::Invalida;
  }
  return Verificacao::Valida;
}

QString textoId(const QByteArray& id) {
  // minisign prints the id as a little-endian number, in hexadecimal
  // without leading zeros.
  QByteArray invertido;
  for (auto it = id.crbegin(); it != id.crend(); ++it) invertido.append(*it);
  QString texto = QString::fromLatin1(invertido.toHex().toUpper());
  while (texto.size() > 1 && texto.startsWith('0')) texto.remove(0, 1);
  return texto;
}

}  // namespace orvalto::minisign
