#pragma once
// The two folders of the settings: where the database backups go and where
// the module versions are kept (shared with the workstations). Both must be
// given and exist; the versions folder should be a network path, or the
// person must confirm it.
#include "platform/network_path.h"

#include <QString>

#include <functional>

namespace orvalto {

class Interaction;

enum class PastaConfigurada { Backup, Versoes };
enum class CorTexto { Inalterada, Preta, Vermelha };

struct ValidacaoPasta {
  bool valida = false;  // false: the field takes the focus, nothing is saved
  QString texto;        // what the field holds afterwards
  CorTexto cor = CorTexto::Inalterada;
};

// A folder field's text as the field keeps it: upper case where file names
// ignore letter case, as typed elsewhere.
QString textoDePasta(const QString& digitado);

// Trims the text, warns when it is empty or names no folder, asks about a
// versions folder that is not a network path, and on success ends the text
// with a path separator.
ValidacaoPasta validaPasta(PastaConfigurada pasta, const QString& texto, Interaction& ui,
                           const std::function<bool(const QString&)>& deRede = caminhoDeRede);

// The question asked about a versions folder that is not a network path.
QString perguntaCaminhoLocal();

}  // namespace orvalto
