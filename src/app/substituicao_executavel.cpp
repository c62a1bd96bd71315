#include "app/substituicao_executavel.h"

#include "base/app_context.h"
#include "base/handler_guard.h"
#include "platform/arquivo_aberto.h"
#include "platform/executavel.h"
#include "platform/files.h"
#include "platform/pacote_instalado.h"
#include "update/registro_arquivos.h"

#include <QDate>

#include <QDir>
#include <QFileInfo>

namespace orvalto {

CaminhosSubstituicao caminhosSubstituicao(const AppContext& ctx, const QString& caminhoVersoes) {
  CaminhosSubstituicao p;
  p.running = ctx.exePath();
  p.candidate = QFileInfo(caminhoVersoes + ctx.exeName).absoluteFilePath();
  p.oldCopy = ctx.besideExe("OLD-" + ctx.exeName);
  return p;
}

namespace {

// Installed from the package, the executable is the package manager's: a
// newer copy in the versions folder is left alone, and the log says so
// once a day.
bool deixaAoPacote(const AppContext& ctx) {
  if (!arquivoDoPacote(ctx.exePath())) return false;
  static QDate avisado;
  if (avisado != QDate::currentDate()) {
    avisado = QDate::currentDate();
    gravaLog(ctx,
             QString::fromUtf8("O executável pertence ao pacote orvalto-atualizador: a cópia mais nova da "
                               "pasta de versões não o substitui; atualize pelo gerenciador de pacotes (apt)."),
             NivelLog::Aviso);
  }
  return true;
}

// The versions folder is shared with the workstations: a copy there is
// taken only when this program placed it or nobody else could have.
QString motivoRecusa(const AppContext& ctx, const ArquivoAberto& candidato) {
  if (const QString motivo = motivoNaoExecutavel(candidato.caminho()); !motivo.isEmpty()) return motivo;
  const QByteArray registrado = RegistroArquivos(ctx.exeDir).de(candidato.caminho()).hash;
  if (!registrado.isEmpty() && candidato.sha256() == registrado) return {};
  return candidato.motivoDonoNaoConfiavel();
}

}  // namespace

bool PTrocaExecutavel(const AppContext& ctx, const QString& caminhoVersoes) {
  const CaminhosSubstituicao p = caminhosSubstituicao(ctx, caminhoVersoes);
  if (!fileExists(p.candidate)) return false;
  if (!(dosFileTime(p.candidate) > dosFileTime(p.running))) return false;
  if (deixaAoPacote(ctx)) return false;
  QString motivo;
  const std::optional<ArquivoAberto> candidato = ArquivoAberto::abre(p.candidate, &motivo);
  if (candidato) motivo = motivoRecusa(ctx, *candidato);
  if (!motivo.isEmpty()) {
    gravaLog(ctx, QString("A cópia %1 não substitui o executável: %2.").arg(p.candidate, motivo), NivelLog::Aviso);
    return false;
  }
  if (fileExists(p.oldCopy)) deleteFile(p.oldCopy);
  // A failed rename leaves the running file where it is; copying over it
  // would then fail too, so stop here.
  if (!renameFile(p.running, p.oldCopy)) return false;
  if (copyFile(candidato->caminhoLeitura(), p.running, false)) return true;
  renameFile(p.oldCopy, p.running);
  return false;
}

}  // namespace orvalto
