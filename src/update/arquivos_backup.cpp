#include "update/arquivos_backup.h"

#include "platform/copia_duravel.h"
#include "platform/files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace orvalto {

QString nomeBackup(const QString& pasta, const QDateTime& quando) {
  return pasta + kPrefixoBackup + quando.toString("ddMMyyHHmmss") + ".FB";
}

bool ehNomeBackup(const QString& nome) {
  static const QRegularExpression padrao("^BkpOrvalto_\\d{12}\\.[Ff][Bb]$");
  return padrao.match(nome).hasMatch();
}

namespace {

// DDMMYYhhmmss as YYMMDDhhmmss: text order is then time order.
QString ordemCarimbo(const QString& c) { return c.mid(4, 2) + c.mid(2, 2) + c.mid(0, 2) + c.mid(6, 6); }

}  // namespace

QString chaveCarimbo(const QString& caminho) {
  const QString nome = QFileInfo(caminho).fileName();
  return ordemCarimbo(nome.left(nome.lastIndexOf('.')).right(12));
}

QString caminhoArquivoBanco(const QString& localizacao) {
  const qsizetype doisPontos = localizacao.indexOf(':');
  return doisPontos > 1 ? localizacao.mid(doisPontos + 1) : localizacao;
}

void PListaArquivosExtensao(const QString& pasta, const QString& extensao, QStringList& lista) {
  for (const QString& nome : listFiles(pasta, "*." + extensao)) lista.append(pasta + nome);
}

QString backupMaisRecente(const QString& pasta) {
  QString escolhido;
  // Links are never followed: one could hand any file of the machine to the
  // restore.
  for (const QFileInfo& info : QDir(pasta).entryInfoList({"*.FB"}, QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
    if (!ehNomeBackup(info.fileName())) continue;
    if (escolhido.isEmpty() || chaveCarimbo(info.filePath()) > chaveCarimbo(escolhido)) escolhido = info.filePath();
  }
  return escolhido;
}

bool ehArquivoComum(const QString& caminho) {
  struct stat st {};
  return ::lstat(QFile::encodeName(caminho).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

QStringList backupsDaPasta(const QString& pasta) {
  QStringList todos, backups;
  PListaArquivosExtensao(pasta, "FB", todos);
  for (const QString& caminho : todos)
    if (ehNomeBackup(QFileInfo(caminho).fileName())) backups.append(caminho);
  return backups;
}

// By stamp; the file time decides between equal stamps (names that differ
// only in the extension's case), then the listing order.
QString maisAntigo(const QStringList& backups) {
  return *std::min_element(backups.begin(), backups.end(), [](const QString& a, const QString& b) {
    const QString ca = chaveCarimbo(a), cb = chaveCarimbo(b);
    return ca != cb ? ca < cb : dosFileTime(a) < dosFileTime(b);
  });
}

}  // namespace

bool PLimpaBackupsAntigos(const QString& pasta, int manter, QString* erro, const QString& preservado) {
  if (pasta.isEmpty()) return true;  // never the current folder
  const int limite = std::max(manter, 1);
  const QString nomePreservado = QFileInfo(preservado).fileName();
  for (QStringList backups = backupsDaPasta(pasta); backups.size() > limite; backups = backupsDaPasta(pasta)) {
    QStringList candidatos = backups;
    candidatos.removeIf([&](const QString& c) { return QFileInfo(c).fileName() == nomePreservado; });
    if (candidatos.isEmpty()) return true;
    const QString alvo = pasta + QFileInfo(maisAntigo(candidatos)).fileName();
    if (::unlink(QFile::encodeName(alvo).constData()) != 0) {
      if (erro) *erro = textoErroArquivo("Erro ao apagar", alvo, errno);
      return false;
    }
  }
  return true;
}

QString nomeCopiaAnterior(const QString& banco, const QDateTime& quando) {
  return banco + ".ANTES-RESTORE-" + quando.toString("ddMMyyHHmmss");
}

void PLimitaCopiasAnteriores(const QString& banco, int manter, const QString& preservada,
                             const std::function<void(const QString&)>& avisa) {
  const QFileInfo info(banco);
  const QRegularExpression padrao("^" + QRegularExpression::escape(info.fileName()) + "\\.ANTES-RESTORE-\\d{12}$");
  QStringList copias;
  for (const QString& nome : QDir(info.path()).entryList(QDir::Files | QDir::Hidden))
    if (padrao.match(nome).hasMatch() && nome != QFileInfo(preservada).fileName()) copias.append(nome);
  // Oldest first by stamp (YYMMDD before the time), the name deciding ties.
  std::sort(copias.begin(), copias.end(), [](const QString& a, const QString& b) {
    const QString ka = ordemCarimbo(a.right(12)), kb = ordemCarimbo(b.right(12));
    return ka != kb ? ka < kb : a < b;
  });
  const int limite = std::max(manter, 1) - (QFileInfo::exists(preservada) ? 1 : 0);
  for (qsizetype i = 0; i < copias.size() - limite; ++i) {
    const QString alvo = info.dir().filePath(copias[i]);
    if (::unlink(QFile::encodeName(alvo).constData()) == 0)
      avisa("Cópia anterior \"" + alvo + "\" apagada: ficam no máximo " + QString::number(std::max(manter, 1)) + ".");
    else
      avisa(textoErroArquivo("Erro ao apagar", alvo, errno));
  }
}

void PApagaBackupsInterrompidos(const QString& pasta) {
  if (pasta.isEmpty()) return;
  const QString sufixo = nomeTemporarioCopia(QString());
  for (const QString& nome : listFiles(pasta, "*" + sufixo))
    if (ehNomeBackup(nome.chopped(sufixo.size()))) deleteFile(pasta + nome);
}

}  // namespace orvalto
