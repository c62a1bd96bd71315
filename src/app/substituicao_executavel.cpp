#include "app/substituicao_executavel.h"

#include "base/app_context.h"
#include "platform/files.h"

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

bool PTrocaExecutavel(const AppContext& ctx, const QString& caminhoVersoes) {
  const CaminhosSubstituicao p = caminhosSubstituicao(ctx, caminhoVersoes);
  if (!fileExists(p.candidate)) return false;
  if (!(dosFileTime(p.candidate) > dosFileTime(p.running))) return false;
  if (fileExists(p.oldCopy)) deleteFile(p.oldCopy);
  // A failed rename leaves the running file where it is; copying over it
  // would then fail too, so stop here.
  if (!renameFile(p.running, p.oldCopy)) return false;
  if (copyFile(p.candidate, p.running, false)) return true;
  renameFile(p.oldCopy, p.running);
  return false;
}

}  // namespace orvalto
