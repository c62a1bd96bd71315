#include "update/pasta_privada.h"

#include <QDir>

namespace orvalto {

std::unique_ptr<QTemporaryDir> criaPastaPrivada(QString* motivo) {
  auto pasta = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/orvalto-pacote-XXXXXX");
  if (pasta->isValid()) return pasta;
  if (motivo) *motivo = "não foi possível criar uma pasta em " + QDir::tempPath() + ": " + pasta->errorString();
  return nullptr;
}

}  // namespace orvalto
