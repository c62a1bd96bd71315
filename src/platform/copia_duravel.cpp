#include "platform/copia_duravel.h"

#include "platform/arquivo_exclusivo.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace orvalto {
namespace {

constexpr size_t kBlocoKernel = 8 << 20;   // per copy_file_range call
constexpr size_t kBlocoLeitura = 1 << 20;  // per read/write pair

QByteArray nativo(const QString& caminho) { return QFile::encodeName(caminho); }

[[noreturn]] void falha(const QString& acao, const QString& caminho, int erro = errno) {
  throw ErroArquivo(textoErroArquivo(acao, caminho, erro), erro);
}

// Closes on every path; close errors are checked by whoever wants them.
class Descritor {
 public:
  explicit Descritor(int fd) : fd_(fd) {}
  ~Descritor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descritor(const Descritor&) = delete;
  Descritor& operator=(const Descritor&) = delete;
  int fd() const { return fd_; }
  int fecha() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

void verificaParada(const std::stop_token& parar, const QString& destino) {
  if (parar.stop_requested()) throw std::runtime_error(("Cópia interrompida: \"" + destino + "\"").toStdString());
}

// Writes all of `dados`; a write that takes fewer bytes without a reason
// is a full disk all the same.
void gravaTudo(int fd, const char* dados, size_t tamanho, const QString& destino) {
  while (tamanho > 0) {
    const ssize_t gravados = ::write(fd, dados, tamanho);
    if (gravados < 0 && errno == EINTR) continue;
    if (gravados < 0) falha("Erro ao gravar", destino);
    if (gravados == 0) falha("Erro ao gravar", destino, ENOSPC);
    dados += gravados;
    tamanho -= size_t(gravados);
  }
}

void copiaLendo(int in, int out, const QString& origem, const QString& destino, const std::stop_token& parar) {
  std::vector<char> buffer(kBlocoLeitura);
  for (;;) {
    verificaParada(parar, destino);
    const ssize_t lidos = ::read(in, buffer.data(), buffer.size());
    if (lidos < 0 && errno == EINTR) continue;
    if (lidos < 0) falha("Erro ao ler", origem);
    if (lidos == 0) return;
    gravaTudo(out, buffer.data(), size_t(lidos), destino);
  }
}

// In-kernel copy where the file systems allow it (as cp does); otherwise,
// and from wherever it stopped, through a buffer.
void copiaConteudo(int in, int out, const QString& origem, const QString& destino, const std::stop_token& parar) {
  for (;;) {
    verificaParada(parar, destino);
    const ssize_t copiados = ::copy_file_range(in, nullptr, out, nullptr, kBlocoKernel, 0);
    if (copiados == 0) return;
    if (copiados > 0) continue;
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) break;
    falha("Erro ao gravar", destino);
  }
  copiaLendo(in, out, origem, destino, parar);
}

void aplicaDono(int fd, const DonoArquivo& dono, bool obrigatorio, const QString& destino) {
  struct stat atual {};
  if (::fstat(fd, &atual) != 0) falha("Erro ao ler os atributos de", destino);
  if ((atual.st_uid != dono.uid || atual.st_gid != dono.gid) && ::fchown(fd, dono.uid, dono.gid) != 0 && obrigatorio)
    falha("Erro ao definir o dono de", destino);
  if (::fchmod(fd, modoSeguro(dono.modo)) != 0) falha("Erro ao definir as permissões de", destino);
}

void sincronizaPasta(const QString& arquivo) {
  const QString pasta = QFileInfo(arquivo).absolutePath();
  Descritor fd(::open(nativo(pasta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.fd() < 0 || ::fsync(fd.fd()) != 0) falha("Erro ao gravar a pasta", pasta);
}

DonoArquivo donoDoDescritor(int fd, const QString& caminho) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) falha("Erro ao ler os atributos de", caminho);
  return {st.st_uid, st.st_gid, mode_t(st.st_mode & 07777)};
}

void copiaParaTemporario(const QString& origem, const QString& temporario, const std::optional<DonoArquivo>& dono,
                         const std::stop_token& parar, const AjusteCopia& ajuste) {
  Descritor in(::open(nativo(origem).constData(), O_RDONLY | O_CLOEXEC));
  if (in.fd() < 0) falha("Erro ao abrir", origem);
  const DonoArquivo donoFinal = dono ? *dono : donoDoDescritor(in.fd(), origem);
  // Nobody else may read the copy before it is whole: private until the end.
  Descritor out(criaArquivoExclusivo(temporario, 0600));
  if (out.fd() < 0) falha("Erro ao criar", temporario);
  copiaConteudo(in.fd(), out.fd(), origem, temporario, parar);
  if (ajuste) ajuste(out.fd(), temporario);
  // A full disk may show only when the data reaches it.
  if (::fdatasync(out.fd()) != 0) falha("Erro ao gravar", temporario);
  aplicaDono(out.fd(), donoFinal, dono.has_value(), temporario);
  if (out.fecha() != 0) falha("Erro ao gravar", temporario);
}

// `grava` writes the temporary file, complete and flushed; it then takes
// the target's name. On any failure the temporary file goes.
template <typename Grava>
void substituiQuandoCompleto(const QString& destino, Grava grava) {
  const QString temporario = nomeTemporarioCopia(destino);
  try {
    grava(temporario);
    if (::rename(nativo(temporario).constData(), nativo(destino).constData()) != 0)
      falha("Erro ao renomear", temporario);
    sincronizaPasta(destino);
  } catch (...) {
    ::unlink(nativo(temporario).constData());
    throw;
  }
}

}  // namespace

ErroArquivo::ErroArquivo(const QString& texto, int codigo) : std::runtime_error(texto.toStdString()), codigo_(codigo) {}

QString ErroArquivo::motivo() const { return QString::fromStdString(std::generic_category().message(codigo_)); }

DonoArquivo donoDe(const QString& caminho) {
  Descritor fd(::open(nativo(caminho).constData(), O_PATH | O_CLOEXEC));
  if (fd.fd() < 0) falha("Erro ao ler os atributos de", caminho);
  return donoDoDescritor(fd.fd(), caminho);
}

QString textoErroArquivo(const QString& acao, const QString& caminho, int erro) {
  return acao + " \"" + QDir::toNativeSeparators(caminho) +
         "\": " + QString::fromStdString(std::generic_category().message(erro));
}

QString nomeTemporarioCopia(const QString& destino) { return destino + ".copiando"; }

void copiaDuravel(const QString& origem, const QString& destino, const std::optional<DonoArquivo>& dono,
                  std::stop_token parar, const AjusteCopia& ajuste) {
  substituiQuandoCompleto(
      destino, [&](const QString& temporario) { copiaParaTemporario(origem, temporario, dono, parar, ajuste); });
}

void gravaArquivoDuravel(const QString& caminho, const QByteArray& conteudo) {
  substituiQuandoCompleto(caminho, [&](const QString& temporario) {
    Descritor out(criaArquivoExclusivo(temporario, 0644));
    if (out.fd() < 0) falha("Erro ao criar", temporario);
    gravaTudo(out.fd(), conteudo.constData(), size_t(conteudo.size()), temporario);
    if (::fdatasync(out.fd()) != 0 || out.fecha() != 0) falha("Erro ao gravar", temporario);
  });
}

void renomeiaSemSubstituir(const QString& de, const QString& para) {
  if (::renameat2(AT_FDCWD, nativo(de).constData(), AT_FDCWD, nativo(para).constData(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS) falha("Erro ao renomear", de);
  // A file system without the no-replace rename: the check and the rename
  // are two steps there.
  if (QFileInfo::exists(para)) falha("Erro ao renomear", de, EEXIST);
  if (::rename(nativo(de).constData(), nativo(para).constData()) != 0) falha("Erro ao renomear", de);
}

void criaSegundoNome(const QString& existente, const QString& novo) {
  if (::link(nativo(existente).constData(), nativo(novo).constData()) != 0) falha("Erro ao criar", novo);
  sincronizaPasta(novo);
}

void substituiPorRenomeacao(const QString& de, const QString& para) {
  if (::rename(nativo(de).constData(), nativo(para).constData()) != 0) falha("Erro ao renomear", de);
  sincronizaPasta(para);
}

}  // namespace orvalto
