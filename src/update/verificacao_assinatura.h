#pragma once
// Whether a package fetched from the maker may be used. Its detached
// minisign signature is looked for at the package's address plus
// ".minisig" and must come from a trusted key: ChavesPublicas= of
// [Seguranca] in Atualizador.ini, plus the keys built into the program.
// Until the first valid signature has been seen an unsigned package is
// accepted with a log line; from then on (recorded in Assinaturas.estado
// beside the executable, so removing the signatures cannot bring the old
// behaviour back), or with Assinatura=exigir, it is refused.
#include "platform/minisign.h"
#include "update/contexto_estagio.h"

#include <QList>
#include <QString>

namespace orvalto {

inline constexpr const char* kArquivoEstadoAssinaturas = "Assinaturas.estado";

struct ConfiguracaoAssinatura {
  QList<minisign::ChavePublica> chaves;  // the built-in ones and the configured ones
  bool exigir = false;                   // Assinatura=exigir
  QStringList recusadas;                 // entries of ChavesPublicas that are no key
};

// The keys built into the program (none yet).
QList<minisign::ChavePublica> chavesEmbutidas();

// The settings of `exeDir`/Atualizador.ini. Throws std::runtime_error when
// the file exists but cannot be read.
ConfiguracaoAssinatura lerConfiguracaoAssinatura(const QString& exeDir);

// Checks the package just written to `arquivo`, fetched from `endereco`,
// against its signature. Throws std::runtime_error with the reason when
// the package must not be used; an accepted unsigned package is logged.
void exigeAssinatura(const ContextoEstagio& contexto, const QString& endereco, const QString& arquivo);

}  // namespace orvalto
