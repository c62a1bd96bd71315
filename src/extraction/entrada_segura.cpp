#include "extraction/entrada_segura.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace orvalto {
namespace fs = std::filesystem;
namespace {

// The link kinds of the archive format: Unix and Windows symbolic links,
// Windows junctions, hard links and file copies.
constexpr unsigned kJuncao = 3;

bool absoluto(const QString& caminho) {
  return caminho.startsWith('/') || caminho.startsWith('\\') || (caminho.size() >= 2 && caminho[1] == ':');
}

bool sobe(const QString& caminho) {
  static const QRegularExpression separadores(QStringLiteral("[/\\\\]"));
  return caminho.split(separadores, Qt::SkipEmptyParts).contains(QStringLiteral(".."));
}

fs::path paraPath(const QString& caminho) { return fs::path(QFile::encodeName(caminho).toStdString()); }

// `caminho` resolved through the links that exist, lies within `base`.
bool dentro(const fs::path& base, const fs::path& caminho) {
  std::error_code erro;
  const fs::path resolvido = fs::weakly_canonical(caminho, erro);
  if (erro) return false;
  const fs::path relativo = resolvido.lexically_relative(base);
  return !relativo.empty() && *relativo.begin() != "..";
}

}  // namespace

DestinoSeguro::DestinoSeguro(const QString& pasta) {
  std::error_code erro;
  const fs::path base = fs::canonical(paraPath(pasta), erro);
  if (!erro) base_ = base.string();
}

QString DestinoSeguro::motivoRecusa(const QString& nome, unsigned tipoLigacao, const QString& alvoLigacao) const {
  if (nome.isEmpty()) return QStringLiteral("entrada sem nome");
  if (absoluto(nome) || sobe(nome)) return QStringLiteral("caminho fora da pasta de destino");
  if (tipoLigacao != 0 &&
      (tipoLigacao == kJuncao || alvoLigacao.isEmpty() || absoluto(alvoLigacao) || sobe(alvoLigacao)))
    return QStringLiteral("ligação para fora da pasta de destino (") + alvoLigacao + ")";
  if (base_.empty()) return QStringLiteral("pasta de destino inacessível");
  const fs::path base(base_);
  const fs::path destino = base / paraPath(nome);
  // A link entry replaces whatever is at its name; any other entry would be
  // written through a link already there.
  const bool ok = tipoLigacao != 0 ? dentro(base, destino.parent_path()) : dentro(base, destino);
  return ok ? QString() : QStringLiteral("caminho passa por uma ligação para fora da pasta de destino");
}

void PRestringePermissoes(const QString& caminho) {
  const QByteArray nome = QFile::encodeName(caminho);
  struct stat st {};
  if (::lstat(nome.constData(), &st) != 0 || S_ISLNK(st.st_mode)) return;
  const mode_t atual = st.st_mode & 07777;
  const mode_t permitido = atual & ~mode_t(S_ISUID | S_ISGID | S_IWOTH);
  if (permitido != atual) ::chmod(nome.constData(), permitido);
}

}  // namespace orvalto
