#include "db/trava_backup.h"

#include "platform/copia_duravel.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace orvalto {
namespace {

// The header page (page 0) of an on-disk structure 12 database, as the
// server writes it on this machine (little-endian).
constexpr off_t kTipoPagina = 0;  // pag_type
constexpr off_t kVersaoOds = 18;  // hdr_ods_version
constexpr off_t kFlags = 42;      // hdr_flags
constexpr uint8_t kPaginaCabecalho = 1;
constexpr uint16_t kOdsFirebird = 0x8000;
constexpr uint16_t kOds12 = 12;
constexpr uint16_t kMascaraBackup = 0x0C00;
constexpr uint16_t kBackupTravado = 0x0400;  // main file frozen, writes to the delta

uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }

[[noreturn]] void recusa(const QString& nome, const QString& motivo) {
  throw std::runtime_error(("A cópia \"" + nome + "\" " + motivo).toStdString());
}

}  // namespace

TravaBackup::TravaBackup(const QString& location, const QString& user, const QString& password,
                         std::function<void(const QString&)> avisaFalha)
    : avisaFalha_(std::move(avisaFalha)) {
  conexao_.setParams(location, user, password);
  conexao_.open();
  // A program stopped in the middle of a copy leaves the lock held, and the
  // delta file growing, for ever: it ends here before the new one.
  if (conexao_.query("SELECT MON$BACKUP_STATE FROM MON$DATABASE").value(0, "MON$BACKUP_STATE").toInt() == 1) {
    conexao_.execute("ALTER DATABASE END BACKUP");
    if (avisaFalha_)
      avisaFalha_("O banco estava em modo de backup, deixado por uma cópia interrompida; modo encerrado.");
  }
  conexao_.execute("ALTER DATABASE BEGIN BACKUP");
  travado_ = true;
}

TravaBackup::~TravaBackup() {
  if (!travado_) return;
  try {
    encerra();
  } catch (const std::exception&) {
    // The connection may be what failed: once more on a new one.
    try {
      conexao_.close();
      conexao_.open();
      encerra();
    } catch (const std::exception& e) {
      if (avisaFalha_)
        avisaFalha_("Não foi possível encerrar o modo de backup do banco (ALTER DATABASE END BACKUP): " +
                    QString::fromUtf8(e.what()));
    }
  }
  conexao_.close();
}

void TravaBackup::libera() { encerra(); }

void TravaBackup::encerra() {
  conexao_.execute("ALTER DATABASE END BACKUP");
  travado_ = false;
}

void liberaTravaNaCopia(int fd, const QString& nome) {
  unsigned char cabecalho[kFlags + 2];
  ssize_t lidos;
  do lidos = ::pread(fd, cabecalho, sizeof cabecalho, 0);
  while (lidos < 0 && errno == EINTR);
  if (lidos < 0) throw std::runtime_error(textoErroArquivo("Erro ao ler", nome, errno).toStdString());
  if (lidos != ssize_t(sizeof cabecalho) || cabecalho[kTipoPagina] != kPaginaCabecalho ||
      le16(cabecalho + kVersaoOds) != (kOdsFirebird | kOds12))
    recusa(nome, "não é um banco de dados Firebird 3.");
  const uint16_t flags = le16(cabecalho + kFlags);
  if ((flags & kMascaraBackup) != kBackupTravado) recusa(nome, "não foi feita em modo de backup.");
  const uint16_t livre = uint16_t(flags & ~kMascaraBackup);
  const unsigned char novo[2] = {uint8_t(livre & 0xFF), uint8_t(livre >> 8)};
  ssize_t gravados;
  do gravados = ::pwrite(fd, novo, sizeof novo, kFlags);
  while (gravados < 0 && errno == EINTR);
  if (gravados != ssize_t(sizeof novo))
    throw std::runtime_error(textoErroArquivo("Erro ao gravar", nome, gravados < 0 ? errno : ENOSPC).toStdString());
}

}  // namespace orvalto
