#pragma once
// Configures the registration-service client from the installation: the
// older endpoint, the proxy and its credentials from PARALOGIN; the newer
// endpoint from PARALOGIN when the product has its columns, otherwise from
// the maker's values (built in, or Atualizador.ini beside the executable).
#include "services/dm_web_service.h"

#include <QString>

namespace orvalto {

class FbConnection;

// Reads PARALOGIN anew. A missing column throws WebServiceError with the
// lookup's text.
ConfiguracaoServicos FConfiguracaoServicos(FbConnection& conexao, const QString& exeDir);

// Reads the settings and replaces both bindings of `servico`; on an error
// nothing changes.
void PConfiguraServicos(TDmWebService& servico, FbConnection& conexao, const QString& exeDir);

}  // namespace orvalto
