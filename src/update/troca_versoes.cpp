#include "update/troca_versoes.h"

#include "base/interaction.h"
#include "db/firebird_connection.h"
#include "db/schema.h"
#include "db/sql_helpers.h"
#include "db/transactions.h"
#include "platform/arquivo_aberto.h"
#include "platform/files.h"
#include "services/dm_web_service.h"
#include "update/configura_servicos.h"
#include "update/download_pacotes.h"
#include "update/instalacao_executaveis.h"
#include "update/lista_arquivos.h"
#include "update/nome_pacote.h"
#include "update/pasta_privada.h"
#include "update/progresso_descompactado.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace orvalto {
namespace {

const char* const kSelecionaFila = "SELECT * FROM VERSOESITEM ";
const char* const kErro = "Erro ao atualizar executáveis: ";

// Removes a file or a link (never what a link points to).
void removeEntrada(const QString& caminho) {
  namespace fs = std::filesystem;
  std::error_code erro;
  const fs::path p(QFile::encodeName(caminho).toStdString());
  if (!fs::is_directory(fs::symlink_status(p, erro))) fs::remove(p, erro);
}

}  // namespace

TrocaVersoes::TrocaVersoes(const ContextoEstagio& contexto, DownloadPacotes& download)
    : contexto_(contexto), download_(download) {}

bool TrocaVersoes::FTrocaVersoes(SharedWebService& servicos) {
  FbConnection& cn = contexto_.CnOrvalto();
  const QString pastaVersoes = FCaminhoVersoes(cn);
  if (FContaRegistros(cn, "VERSOESITEM", "*") == 0) return false;
  contexto_.log("Verificando numero de versões a atualizar.");
  TfrmProgressoDescompactado progresso(contexto_);
  contexto_.log("Criando WebService");
  const std::shared_ptr<TDmWebService> servico = servicos.acquire();
  try {
    // Only the rows read now are installed, removed and confirmed: a row a
    // search adds meanwhile waits for the next run.
    const QueryResult fila = cn.query(kSelecionaFila);
    if (fila.isEmpty()) return false;
    const QString pastaTmp = pastaVersoes + "TMP" + QDir::separator();
    contexto_.log("Criando pasta temporaria caso não exista.");
    if (!folderExists(pastaTmp) && !createFolder(pastaTmp)) return false;
    // Only what this run extracted, where nobody else can write, is installed.
    QString motivo;
    const std::unique_ptr<QTemporaryDir> extracao = criaPastaPrivada(&motivo);
    if (!extracao) {
      contexto_.log(kErro + motivo);
      return false;
    }
    const QString pastaExtracao = extracao->path() + '/';
    if (!preparaPacotes(fila, pastaTmp, pastaExtracao, progresso)) return false;
    if (!instalaExecutaveis(pastaVersoes, pastaExtracao)) return false;
    limpaTemporaria(pastaTmp);

    contexto_.log("Limpando tabela VERSOESITEM");
    TListModulos modulos;
    for (int i = 0; i < fila.rows.size(); ++i) {
      TInfoModulo modulo;
      modulo.CodCliente = fila.value(i, "CODCLIENTE").toString();
      modulo.CodSistema = fila.value(i, "CODSISTEMA").toString();
      modulos.append(modulo);
      FApagaVersaoItem(fila.value(i, "VERSAOAATUALIZAR").toString());
    }

    contexto_.log("Registrando atualização de versão no WebSErvice");
    // The executables are in place: a service that cannot be told must not
    // make the run put back a database they need.
    try {
      PConfiguraServicos(*servico, cn, contexto_.app().exeDir);
      if (!servico->FConfirmaAtualizacao(modulos))
        contexto_.log(QString(kErro) + "o serviço recusou a confirmação da atualização.");
    } catch (const std::exception& e) {
      contexto_.log(kErro + QString::fromUtf8(e.what()));
    }
    servicos.release();
    contexto_.log("Troca de versões realizada.");
    return true;
  } catch (const std::exception& e) {
    contexto_.log(kErro + QString::fromUtf8(e.what()));
    return false;
  }
}

bool TrocaVersoes::preparaPacotes(const QueryResult& fila, const QString& pastaTmp, const QString& pastaExtracao,
                                  TfrmProgressoDescompactado& progresso) {
  for (int i = 0; i < fila.rows.size(); ++i) {
    const QString endereco = fila.value(i, "VERSAOAATUALIZAR").toString();
    const QString nome = FNomeArquivoUrl(endereco);
    contexto_.log("Verificando existencia de módulos.");
    if (endereco.isEmpty()) continue;  // a row without a package has nothing to install
    if (nome.isEmpty() || !nomePacoteSeguro(nome)) {
      contexto_.log(kErro + QString("endereço de pacote recusado: ") + endereco);
      return false;
    }
    const QString pacote = pastaTmp + nome;
    const std::optional<ArquivoAberto> aberto = download_.pacoteConfiavel(endereco, pastaTmp, true);
    contexto_.log("Descompactando arquivo " + pacote);
    if (!aberto) {
      contexto_.log(kErro + QString("pacote ") + nome + " não encontrado; nada foi instalado.");
      return false;
    }
    if (!progresso.FDescompactaArquivo(pacote, pastaExtracao, aberto->caminhoLeitura())) return descartaPacote(pacote);
  }
  return true;
}

// A package that does not extract is deleted, so that the next run fetches
// it again instead of failing on the same file for ever. What it managed to
// write goes with the run's extraction folder.
bool TrocaVersoes::descartaPacote(const QString& pacote) {
  removeEntrada(pacote);
  contexto_.log("Pacote apagado para ser baixado novamente: " + pacote);
  contexto_.log(kErro + QString("não foi possível descompactar o pacote ") + QFileInfo(pacote).fileName() +
                "; nada foi instalado.");
  return false;
}

bool TrocaVersoes::instalaExecutaveis(const QString& pastaVersoes, const QString& pastaExtracao) {
  contexto_.log("Carrega lista de executaveis");
  QStringList executaveis;
  PListaArquivos(executaveis, pastaExtracao, true, "exe");
  PRecuperaInstalacaoInterrompida(pastaVersoes);
  InstalacaoExecutaveis instalacao(pastaVersoes, QDate::currentDate());
  for (const QString& executavel : executaveis) {
    const QString nome = QFileInfo(executavel).fileName();
    contexto_.log("Renomeando versão antiga para OLD.");
    // Only the top of the extraction folder is installed; what sits in
    // folders is not.
    if (executavel != pastaExtracao + nome) continue;
    if (!instalacao.instala(executavel)) {
      instalacao.desfaz();
      contexto_.log(kErro + instalacao.erro() + "; os executáveis já trocados voltaram às versões anteriores.");
      return false;
    }
  }
  instalacao.confirma();
  return true;
}

void TrocaVersoes::limpaTemporaria(const QString& pastaTmp) {
  contexto_.log("Limpa tabela TMP");
  QStringList arquivos;
  PListaArquivos(arquivos, pastaTmp, true, "*");
  for (const QString& arquivo : arquivos) removeEntrada(arquivo);
}

void TrocaVersoes::PListaArquivos(QStringList& lista, const QString& pasta, bool recursivo,
                                  const QString& extensao) const {
  orvalto::PListaArquivos(lista, pasta, recursivo, extensao, contexto_.app().exeName);
}

bool TrocaVersoes::FApagaVersaoItem(const QString& endereco) {
  FbConnection& cn = contexto_.CnOrvalto();
  try {
    TransacaoEscopo transacao(cn);
    cn.execute("DELETE FROM VERSOESITEM WHERE  VERSAOAATUALIZAR = :PVERSAOAATUALIZAR", {endereco});
    transacao.confirma();
  } catch (const std::exception& e) {
    if (contexto_.ui())
      contexto_.ui()->showMessage(MessageIcon::Warning, "Alerta",
                                  "Ocorreu um erro durante a deleção 'versoesitem' :\r" + QString::fromUtf8(e.what()));
    return false;
  }
  const QString nome = FNomeArquivoUrl(endereco);
  if (!nome.isEmpty() && nomePacoteSeguro(nome)) deleteFile(FCaminhoVersoes(cn) + nome);
  return true;
}

}  // namespace orvalto
