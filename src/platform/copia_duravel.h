#pragma once
// Whole-file copies that never leave a half-written file under the target's
// name: the bytes go to a temporary file beside the target, are flushed to
// disk, and only then take the target's name. Errors carry the file and the
// system's reason ("No space left on device"). The temporary file is always
// created new (arquivo_exclusivo.h) and a copy never carries setuid,
// setgid or others' write. These calls block; the
// engine runs them off the window thread.
#include <QString>

#include <sys/types.h>
#include <functional>
#include <optional>
#include <stdexcept>
#include <stop_token>

namespace orvalto {

// Who owns a file and its permission bits.
struct DonoArquivo {
  uid_t uid = 0;
  gid_t gid = 0;
  mode_t modo = 0600;
};

// The owner of an existing file; throws std::runtime_error when it cannot
// be read.
DonoArquivo donoDe(const QString& caminho);

// The error these calls throw for a failed system call: its text names the
// file and the reason; motivo() is the reason alone ("No space left on
// device").
class ErroArquivo : public std::runtime_error {
 public:
  ErroArquivo(const QString& texto, int codigo);
  int codigo() const { return codigo_; }
  QString motivo() const;

 private:
  int codigo_;
};

// "<acao> "<caminho>": <reason of errno>" (the reason in the system's words).
QString textoErroArquivo(const QString& acao, const QString& caminho, int erro);

// The name a copy into `destino` is written under until it is complete.
QString nomeTemporarioCopia(const QString& destino);

// Changes the complete copy (open for reading and writing as `fd`) before
// it reaches the disk and takes its name; throws to abandon the copy.
using AjusteCopia = std::function<void(int fd, const QString& temporario)>;

// Copies `origem` to `destino`, replacing a file of that name. The copy gets
// the owner, group and mode of `dono` when given (an error when it cannot),
// otherwise those of `origem` as far as this process may give them. Stops
// with an error when `parar` is requested. Throws std::runtime_error;
// nothing of the copy remains then.
void copiaDuravel(const QString& origem, const QString& destino, const std::optional<DonoArquivo>& dono,
                  std::stop_token parar = {}, const AjusteCopia& ajuste = {});

// Writes `conteudo` as the whole of `caminho`, replacing a file of that
// name, the same way: complete and on disk, or not at all. Throws
// std::runtime_error.
void gravaArquivoDuravel(const QString& caminho, const QByteArray& conteudo);

// Renames, refusing to replace an existing `para`. Throws std::runtime_error.
void renomeiaSemSubstituir(const QString& de, const QString& para);

// Gives the file `existente` a second name `novo` in the same file system
// (a hard link), refusing to replace an existing `novo`, and flushes the
// folder. Throws std::runtime_error.
void criaSegundoNome(const QString& existente, const QString& novo);

// Renames `de` to `para`, replacing `para` in one step (there is always a
// file under that name), and flushes the folder. Throws std::runtime_error.
void substituiPorRenomeacao(const QString& de, const QString& para);

}  // namespace orvalto
