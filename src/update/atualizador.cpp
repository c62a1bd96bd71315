#include "update/atualizador.h"

#include "db/database_connector.h"
#include "db/schema.h"

namespace orvalto {

TfrmAtualizador::TfrmAtualizador(const AppContext& ctx, ConsoleLink* console)
    : ctx_(ctx),
      console_(console),
      contexto_(ctx, console, CnOrvalto),
      indicador_(contexto_),
      download_(contexto_, indicador_),
      descoberta_(contexto_, download_),
      provisaoUnrar_(contexto_),
      troca_(contexto_, download_) {}

TfrmAtualizador::~TfrmAtualizador() { CnOrvalto.close(); }

bool TfrmAtualizador::FConectaBanco() { return orvalto::FConectaBanco(CnOrvalto, ctx_.exeDir, *ctx_.ui, &dataHoraServidor_); }

bool TfrmAtualizador::FConectaBases(bool abrir) { return orvalto::FConectaBases(CnOrvalto, abrir); }

bool TfrmAtualizador::FAtualizaEstrutura() { return orvalto::FAtualizaEstrutura(CnOrvalto, *ctx_.ui); }

QString TfrmAtualizador::FCaminhoVersoes() { return orvalto::FCaminhoVersoes(CnOrvalto); }

}  // namespace orvalto
