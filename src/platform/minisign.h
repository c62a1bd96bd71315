#pragma once
// Detached minisign signatures: reading public keys and .minisig files and
// checking a file against them. The signature is Ed25519 over the file
// itself (the legacy form, "Ed") or over its BLAKE2b-512 digest (the
// prehashed form, "ED"); a second, global signature covers the first one
// and the trusted comment, so the comment cannot be swapped either.
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace orvalto::minisign {

struct ChavePublica {
  QByteArray id;     // 8 bytes, as the signature names it
  QByteArray chave;  // 32 bytes of Ed25519 public key
};

struct Assinatura {
  bool preHash = false;   // "ED": the file's BLAKE2b-512 digest was signed
  QByteArray idChave;     // 8 bytes
  QByteArray assinatura;  // 64 bytes
  QByteArray comentarioConfiavel;
  QByteArray assinaturaGlobal;  // 64 bytes, over assinatura + comentarioConfiavel
};

// A key as a minisign .pub file holds it: its base64 line alone or the
// whole file (the comment line is skipped). Nothing for anything else.
std::optional<ChavePublica> lerChavePublica(const QByteArray& texto);

// The lines of a .minisig file: untrusted comment, signature, trusted
// comment, global signature. Nothing (with the reason) when malformed.
std::optional<Assinatura> lerAssinatura(const QByteArray& texto, QString* motivo = nullptr);

enum class Verificacao { Valida, ChaveNaoConfiavel, Invalida };

// Checks the file at `caminho` against the signature, with the key among
// `confiaveis` that the signature names. The reason of a refusal goes to
// `motivo`. Reads the whole file; blocks.
Verificacao verificaArquivo(const Assinatura& assinatura, const QList<ChavePublica>& confiaveis, const QString& caminho,
                            QString* motivo = nullptr);

// The key id as minisign prints it (16 hexadecimal digits).
QString textoId(const QByteArray& id);

}  // namespace orvalto::minisign
