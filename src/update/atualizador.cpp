#include "update/atualizador.h"

#include "db/database_connector.h"
#include "db/conexoes_ativas.h"
#include "db/schema.h"
#include "update/copia_arquivo.h"
#include "update/verifica_pastas.h"

namespace orvalto {
TfrmAtualizador::TfrmAtualizador(const AppContext& ctx, ConsoleLink* console)
    : ctx_(ctx),
      console_(console),
      contexto_(ctx, console, CnOrvalto),
      indicador_(contexto_),
      download_(contexto_, indicador_),
      descoberta_(contexto_, download_),
      provisaoUnrar_(contexto_),
      troca_(contexto_, download_),
      backup_(contexto_, indicador_),
      atualizaBase_(
          contexto_, indicador_, download_,
          [this](const QString& arquivo, const QString& pasta) { return FDescompactaArquivo(arquivo, pasta); },
          [this](const QString& endereco) { return FApagaVersaoItem(endereco); }),
      autoAtualizacao_(contexto_, download_) {}

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
