#include "update/executor_windows.h"

#include "platform/ini_file.h"
#include "services/fornecedor.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace orvalto {
namespace {

const char* const kChaveExecutor = "ExecutorWindows";

QString motivo(int codigo) { return QString::fromStdString(std::generic_category().message(codigo)); }

}  // namespace

bool ehProgramaWindows(const QString& caminho) {
  QFile arquivo(caminho);
  return arquivo.open(QIODevice::ReadOnly) && arquivo.read(2) == "MZ";
}

bool daExecucaoAoDono(const QString& caminho, QString* erro) {
  const QByteArray nativo = QFile::encodeName(caminho);
  struct stat st {};
  if (::stat(nativo.constData(), &st) == 0 &&
      ((st.st_mode & S_IXUSR) || ::chmod(nativo.constData(), (st.st_mode & 07777) | S_IXUSR) == 0))
    return true;
  if (erro) *erro = "não foi possível tornar executável " + caminho + ": " + motivo(errno);
  return false;
}

QStringList executorWindows(const QString& exeDir) {
  const QString ini = exeDir + '/' + kArquivoAtualizadorIni;
  if (QFileInfo::exists(ini)) {
    const IniFile arquivo(ini);
    if (arquivo.contains(kSecaoAtualizacao, kChaveExecutor)) {
      const QString valor = arquivo.value(kSecaoAtualizacao, kChaveExecutor).trimmed();
      if (valor.isEmpty()) return {};
      if (QFileInfo(valor).isFile()) return {valor};
      return QProcess::splitCommand(valor);
    }
  }
  const QString wine = QStandardPaths::findExecutable("wine");
  return wine.isEmpty() ? QStringList() : QStringList{wine};
}

std::optional<QStringList> comandoDoPrograma(const QString& programa, const QStringList& argumentos,
                                             const QString& exeDir, QString* erro) {
  if (!ehProgramaWindows(programa)) return QStringList{programa} + argumentos;
  QStringList executor = executorWindows(exeDir);
  if (executor.isEmpty()) {
    if (erro)
      *erro = QFileInfo(programa).fileName() +
              " é um programa Windows e não há executor para ele: informe ExecutorWindows na seção [" +
              kSecaoAtualizacao + "] do " + kArquivoAtualizadorIni + " ou instale o wine.";
    return std::nullopt;
  }
  // posix_spawn looks for nothing on the PATH: a bare name is found here.
  if (!executor.first().contains('/')) {
    const QString encontrado = QStandardPaths::findExecutable(executor.first());
    if (!encontrado.isEmpty()) executor.first() = encontrado;
  }
  return executor + QStringList{programa} + argumentos;
}

}  // namespace orvalto
