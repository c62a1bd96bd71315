#include "update/instalacao_executaveis.h"

#include "platform/copia_duravel.h"
#include "platform/files.h"
#include "update/copia_arquivo.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace orvalto {
namespace {

const char* const kSufixoCopia = ".instalando";
const char* const kSufixoGuardado = ".anterior";

// The mode an installed executable gets: that of the one it replaces, or
// rwxr-xr-x when it is new. Never the archive's (a package made on Windows
// brings no execute bits) and never set-user or set-group ID.
mode_t modoInstalado(const QString& destino) {
  struct stat st {};
  if (::stat(QFile::encodeName(destino).constData(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 0777;
  return 0755;
}

// Copies `origem` to `temporario` with `modo` while terminals are answered
// (a large executable takes long to write). The system's reason on failure,
// empty on success.
QString copiaComModo(const QString& origem, const QString& temporario, mode_t modo) {
  try {
    PCopiaArquivo(origem, temporario);
    if (::chmod(QFile::encodeName(temporario).constData(), modo) != 0) {
      const int erro = errno;
      deleteFile(temporario);
      return ErroArquivo({}, erro).motivo();
    }
    return {};
  } catch (const ErroArquivo& e) {
    return e.motivo();
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
}

// Renames over an existing target in one step.
bool substitui(const QString& de, const QString& para) {
  return std::rename(QFile::encodeName(de).constData(), QFile::encodeName(para).constData()) == 0;
}

}  // namespace

QString FNomeCopiaAntiga(const QString& nome, const QDate& dia) {
  return nome.left(nome.size() - 4) + "_OLD-" + dia.toString("dd-MM-yyyy") + ".exe";
}

void PRecuperaInstalacaoInterrompida(const QString& pastaVersoes) {
  // The copy under way (and the copy's own temporary name inside it).
  for (const QString& nome : listFiles(pastaVersoes, QString("*.exe") + kSufixoCopia + "*"))
    deleteFile(pastaVersoes + nome);
  const QString sufixo = kSufixoGuardado;
  for (const QString& nome : listFiles(pastaVersoes, "*.exe" + sufixo)) {
    const QString guardado = pastaVersoes + nome;
    const QString executavel = guardado.chopped(sufixo.size());
    if (fileExists(executavel))
      deleteFile(guardado);
    else
      renameFile(guardado, executavel);
  }
}

InstalacaoExecutaveis::InstalacaoExecutaveis(QString pastaVersoes, QDate dia)
    : pasta_(std::move(pastaVersoes)), dia_(dia) {}

InstalacaoExecutaveis::~InstalacaoExecutaveis() { desfaz(); }

bool InstalacaoExecutaveis::instala(const QString& origem) {
  const QString nome = QFileInfo(origem).fileName();
  Instalado item{pasta_ + nome, {}, false};
  const QString temporario = item.destino + kSufixoCopia;
  const QString motivo = copiaComModo(origem, temporario, modoInstalado(item.destino));
  if (!motivo.isEmpty()) {
    erro_ = "não foi possível copiar " + origem + " para " + temporario + ": " + motivo;
    return false;
  }
  if (fileExists(item.destino)) {
    const QString datado = pasta_ + FNomeCopiaAntiga(nome, dia_);
    if (renameFile(item.destino, datado)) {
      item.anterior = datado;
    } else {
      // The day's old copy is there already: it stays, and this version is
      // kept aside only until the replacement is confirmed.
      item.anterior = item.destino + kSufixoGuardado;
      item.guardaTemporaria = true;
      deleteFile(item.anterior);
      if (!renameFile(item.destino, item.anterior)) {
        deleteFile(temporario);
        erro_ = "não foi possível renomear " + item.destino;
        return false;
      }
    }
  }
  if (!renameFile(temporario, item.destino)) {
    deleteFile(temporario);
    if (!item.anterior.isEmpty()) substitui(item.anterior, item.destino);
    erro_ = "não foi possível gravar " + item.destino;
    return false;
  }
  instalados_.append(item);
  return true;
}

void InstalacaoExecutaveis::confirma() {
  for (const Instalado& item : instalados_)
    if (item.guardaTemporaria) deleteFile(item.anterior);
  instalados_.clear();
}

void InstalacaoExecutaveis::desfaz() {
  while (!instalados_.isEmpty()) volta(instalados_.takeLast());
}

void InstalacaoExecutaveis::volta(const Instalado& item) {
  if (item.anterior.isEmpty())
    deleteFile(item.destino);
  else
    substitui(item.anterior, item.destino);
}

}  // namespace orvalto
