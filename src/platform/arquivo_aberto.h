#pragma once
// A file opened once and from then on known by that opening. Its owner, its
// permission bits and its SHA-256 are those of the bytes that whoever opens
// caminhoLeitura() reads, whatever is done meanwhile to the name it was
// opened by: anyone who may write a shared folder can swap a file there
// between the moment it is checked and the moment it is used.
#include <QByteArray>
#include <QString>

#include <optional>

namespace orvalto {

class ArquivoAberto {
 public:
  // Opens the regular file `caminho` for reading, never through a link.
  // Empty, with the system's reason in `motivo`, when it cannot.
  static std::optional<ArquivoAberto> abre(const QString& caminho, QString* motivo = nullptr);

  ArquivoAberto(ArquivoAberto&& outro) noexcept;
  ArquivoAberto& operator=(ArquivoAberto&& outro) noexcept;
  ArquivoAberto(const ArquivoAberto&) = delete;
  ArquivoAberto& operator=(const ArquivoAberto&) = delete;
  ~ArquivoAberto();

  // The name it was opened by (for messages).
  const QString& caminho() const { return caminho_; }
  // A name that opens this same file while this object lives, for code
  // that only takes names (the UnRAR library, copies).
  QString caminhoLeitura() const;
  // Lowercase hexadecimal SHA-256 of its content; empty when it cannot be read.
  QByteArray sha256() const;
  // What tells this file's content has not changed since: its device,
  // inode, size, and modification and change times. Nobody but the kernel
  // sets a change time (short of moving the system clock), so an equal
  // identity taken later means the same bytes. Empty when unknown.
  QByteArray identidade() const;
  // Empty when it belongs to root or to the user this program runs as and
  // nobody else may write it; otherwise why it may not be trusted.
  QString motivoDonoNaoConfiavel() const;

 private:
  ArquivoAberto(int fd, QString caminho) : fd_(fd), caminho_(std::move(caminho)) {}
  int fd_ = -1;
  QString caminho_;
};

// The SHA-256 of the file at `caminho`, as ArquivoAberto::sha256 gives it;
// empty when it cannot be opened or read.
QByteArray sha256DoArquivo(const QString& caminho);

}  // namespace orvalto
