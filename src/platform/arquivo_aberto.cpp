#include "platform/arquivo_aberto.h"

#include <QFile>

#include <openssl/evp.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace orvalto {
namespace {

constexpr size_t kBloco = 1 << 20;

struct LiberaContexto {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

}  // namespace

std::optional<ArquivoAberto> ArquivoAberto::abre(const QString& caminho, QString* motivo) {
  const int fd = ::open(QFile::encodeName(caminho).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return ArquivoAberto(fd, caminho);
  const int erro = fd < 0 ? errno : EINVAL;
  if (fd >= 0) ::close(fd);
  if (motivo)
    *motivo = erro == ELOOP ? QStringLiteral("é um link") : erro == EINVAL ? QStringLiteral("não é um arquivo comum")
                                                                            : QString::fromLocal8Bit(std::strerror(erro));
  return std::nullopt;
}

ArquivoAberto::ArquivoAberto(ArquivoAberto&& outro) noexcept
    : fd_(std::exchange(outro.fd_, -1)), caminho_(std::move(outro.caminho_)) {}

ArquivoAberto& ArquivoAberto::operator=(ArquivoAberto&& outro) noexcept {
  if (this != &outro) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(outro.fd_, -1);
    caminho_ = std::move(outro.caminho_);
  }
  return *this;
}

ArquivoAberto::~ArquivoAberto() {
  if (fd_ >= 0) ::close(fd_);
}

QString ArquivoAberto::caminhoLeitura() const { return QStringLiteral("/proc/self/fd/%1").arg(fd_); }

QByteArray ArquivoAberto::sha256() const {
  const std::unique_ptr<EVP_MD_CTX, LiberaContexto> contexto(EVP_MD_CTX_new());
  if (!contexto || EVP_DigestInit_ex(contexto.get(), EVP_sha256(), nullptr) != 1) return {};
  std::vector<char> bloco(kBloco);
  for (off_t posicao = 0;;) {
    const ssize_t lidos = ::pread(fd_, bloco.data(), bloco.size(), posicao);
    if (lidos < 0 && errno == EINTR) continue;
    if (lidos < 0) return {};
    if (lidos == 0) break;
    if (EVP_DigestUpdate(contexto.get(), bloco.data(), size_t(lidos)) != 1) return {};
    posicao += lidos;
  }
  unsigned char resumo[EVP_MAX_MD_SIZE];
  unsigned int tamanho = 0;
  if (EVP_DigestFinal_ex(contexto.get(), resumo, &tamanho) != 1) return {};
  return QByteArray(reinterpret_cast<const char*>(resumo), int(tamanho)).toHex();
}

QByteArray ArquivoAberto::identidade() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return {};
  return QStringLiteral("%1:%2:%3:%4.%5:%6.%7")
      .arg(st.st_dev)
      .arg(st.st_ino)
      .arg(st.st_size)
      .arg(st.st_mtim.tv_sec)
      .arg(st.st_mtim.tv_nsec)
      .arg(st.st_ctim.tv_sec)
      .arg(st.st_ctim.tv_nsec)
      .toLatin1();
}

QString ArquivoAberto::motivoDonoNaoConfiavel() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return QString::fromLocal8Bit(std::strerror(errno));
  if (st.st_uid != 0 && st.st_uid != ::geteuid())
    return QStringLiteral("pertence a outro usuário (uid %1)").arg(st.st_uid);
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return QStringLiteral("outros usuários podem alterá-lo");
  return {};
}

QByteArray sha256DoArquivo(const QString& caminho) {
  const std::optional<ArquivoAberto> arquivo = ArquivoAberto::abre(caminho);
  return arquivo ? arquivo->sha256() : QByteArray();
}

}  // namespace orvalto
