#include "update/verifica_pastas.h"

#include "base/interaction.h"
#include "db/firebird_connection.h"
#include "platform/files.h"

namespace orvalto {
namespace {

bool recusa(Interaction& ui, const QString& texto) {
  ui.showMessage(MessageIcon::Warning, "Aviso", texto);
  return false;
}

}  // namespace

bool FVerificaPastas(FbConnection& conexao, Interaction& ui) {
  const QueryResult r = conexao.query(
      "SELECT                              CAMINHOLOCALBACKUP,        CAMINHOVERSOES         from VERSOESCAB           "
      " ");
  const QString backup = r.value(0, "CAMINHOLOCALBACKUP").toString();
  const QString versoes = r.value(0, "CAMINHOVERSOES").toString();
  if (backup.trimmed().isEmpty())
    return recusa(ui, "Caminho para armazenamento de backup’s não foi configurado corretamente.");
  if (!folderExists(backup)) return recusa(ui, "Caminho para armazenamento de backup’s não foi encontrado.");
  if (versoes.trimmed().isEmpty())
    return recusa(ui, "Caminho para armazenamento de versões não foi configurado corretamente.");
  if (!folderExists(versoes)) return recusa(ui, "Caminho para armazenamento de versões não foi encontrado.");
  return true;
}

}  // namespace orvalto
