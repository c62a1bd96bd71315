#include "update/atualizador.h"

#include "db/database_connector.h"
#include "db/conexoes_ativas.h"
#include "db/schema.h"
#include "update/copia_arquivo.h"
#include "update/verifica_pastas.h"

namespace orvalto {
namespace {

// Until the extraction and replacement stages are part of the engine, the
// structure update cannot extract its package and says so.
AtualizaBase::Descompacta extracaoIndisponivel(const ContextoEstagio& contexto) {
  return [contexto](const QString& arquivo, const QString&) {
    contexto.log("FDescompactaArquivo: extração indisponível: " + arquivo);
    return false;
  };
}

AtualizaBase::ApagaVersaoItem remocaoIndisponivel(const ContextoEstagio& contexto) {
  return [contexto](const QString& endereco) {
    contexto.log("FApagaVersaoItem: remoção indisponível: " + endereco);
    return false;
  };
}

}  // namespace

TfrmAtualizador::TfrmAtualizador(const AppContext& ctx, ConsoleLink* console)
    : ctx_(ctx),
      console_(console),
      contexto_(ctx, console, CnOrvalto),
      indicador_(contexto_),
      download_(contexto_, indicador_),
      descoberta_(contexto_, download_),
      backup_(contexto_, indicador_),
      atualizaBase_(contexto_, indicador_, download_, extracaoIndisponivel(contexto_), remocaoIndisponivel(contexto_)) {}

TfrmAtualizador::~TfrmAtualizador() { CnOrvalto.close(); }

bool TfrmAtualizador::FConectaBanco() {
  return contexto_.confere(orvalto::FConectaBanco(CnOrvalto, ctx_.exeDir, &dataHoraServidor_));
}

bool TfrmAtualizador::FConectaBases(bool abrir) { return orvalto::FConectaBases(CnOrvalto, abrir); }

bool TfrmAtualizador::FAtualizaEstrutura() { return contexto_.confere(orvalto::FAtualizaEstrutura(CnOrvalto)); }

QString TfrmAtualizador::FCaminhoVersoes() { return orvalto::FCaminhoVersoes(CnOrvalto); }

// --- attached users, folders, backup and restore ---
int TfrmAtualizador::FContaConexoes() { return orvalto::FContaConexoes(CnOrvalto); }

bool TfrmAtualizador::FVerificaPastas() { return orvalto::FVerificaPastas(CnOrvalto, *ctx_.ui); }

void TfrmAtualizador::PCopiaArquivo(const QString& origem, const QString& destino) {
  orvalto::PCopiaArquivo(origem, destino);
}

}  // namespace orvalto
