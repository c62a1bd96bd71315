#include "update/atualiza_base.h"

#include "base/event_pump.h"
#include "base/interaction.h"
#include "base/mensagens_terminal.h"
#include "base/secao_atualizacao.h"
#include "base/servindo_eventos.h"
#include "db/conexoes_ativas.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"
#include "db/schema.h"
#include "db/sql_helpers.h"
#include "platform/arquivo_aberto.h"
#include "platform/codepage.h"
#include "platform/copia_duravel.h"
#include "platform/files.h"
#include "platform/processo_iniciado.h"
#include "services/dm_web_service.h"
#include "update/configura_servicos.h"
#include "update/download_pacotes.h"
#include "update/executor_windows.h"
#include "update/extracao_ao_lado.h"
#include "update/indicador_espera.h"
#include "update/nome_pacote.h"
#include "update/registro_arquivos.h"

#include <QElapsedTimer>

#include <stdexcept>

namespace orvalto {
namespace {

const char* const kPrograma = "AtualizadorBD.exe";
const char* const kTituloPainel = "Atualizando base de dados";
// What the structure updater and its children get to end by themselves
// once told to.
constexpr int kCarenciaTerminoMs = 5000;

std::runtime_error erro(const QString& texto) { return std::runtime_error(texto.toStdString()); }

QString perguntaUsuarios(const QString& enderecos) {
  return "Não é possível atualizar a base de dados com outros usuários conectados no banco:\r" + enderecos +
         "\rVoce vai desconectar estes usuários e tentar atualizar novamente?";
}

}  // namespace

AtualizaBase::AtualizaBase(const ContextoEstagio& contexto, IndicadorEspera& indicador, DownloadPacotes& download,
                           Descompacta descompacta, ApagaVersaoItem apagaVersaoItem)
    : contexto_(contexto),
      indicador_(indicador),
      download_(download),
      descompacta_(std::move(descompacta)),
      apagaVersaoItem_(std::move(apagaVersaoItem)) {}

bool AtualizaBase::FAtualizaBase(SharedWebService& servicos) {
  limiteExcedido_ = false;
  FConectaBases(contexto_.CnOrvalto(), true);
  contexto_.log("Iniciando Atualização de base.");
  contexto_.log("Cria Progresso");
  const std::shared_ptr<TDmWebService> servico = servicos.acquire();
  contexto_.log("Iniciando Verificação de Atualização de base.");
  bool resultado = false;
  try {
    indicador_.liga();
    resultado = atualiza(*servico);
  } catch (const std::exception& e) {
    contexto_.log("Erro durante atualização da base de dados: " + QString::fromUtf8(e.what()));
  }
  // The wait is over: the keep-alive stops with it.
  indicador_.desliga();
  servicos.release();
  if (contexto_.ui()) contexto_.ui()->progressHide();
  return resultado;
}

bool AtualizaBase::atualiza(TDmWebService& servico) {
  FbConnection& cn = contexto_.CnOrvalto();
  PConfiguraServicos(servico, cn, contexto_.app().exeDir);
  const std::optional<TParamAtualizador> parametros = servico.FParametrosAtualizacao();
  if (!parametros) throw erro("O serviço não informou os parâmetros de atualização.");
  const QString endereco = parametros->CaminhoAtualizadorBD;
  const bool pedida = FRetornaValorCampo(cn, "VERSOESCAB", "ATUALIZARBASE") == "S";
  mostraPainel();
  if (!pedida) return true;

  contexto_.log("Realizando Atualizacao.");
  if (!usuariosLiberados()) return false;
  contexto_.log("Verificou usuários conectados.");
  const QString versoes = FCaminhoVersoes(cn);
  const std::optional<ArquivoAberto> pacote = obtemPacote(endereco, versoes);
  if (!pacote || !extraiPacote(*pacote, versoes)) return false;
  apagaVersaoItem_(endereco);
  contexto_.log("Apagou caminho atualizadorbd do banco");

  pumpEvents();
  gravaCaminhoDir(versoes);
  contexto_.log("Criou Caminho.dir");
  pumpEvents();
  const bool executou = executaAtualizador(versoes);
  pumpEvents();
  return executou;
}

// Asks the operator to clear the other users while some are attached; the
// answer Yes only counts again.
bool AtualizaBase::usuariosLiberados() {
  FbConnection& cn = contexto_.CnOrvalto();
  bool tentarDeNovo = true;
  while (tentarDeNovo && FContaEnderecosConectados(cn) > 1) {
    QString enderecos;
    FListaEnderecosConectados(cn, enderecos);
    tentarDeNovo = contexto_.ui()->askYesNo("Confirmação", perguntaUsuarios(enderecos), false);
  }
  if (!tentarDeNovo) return false;
  if (FContaEnderecosConectados(cn) > 1) {
    contexto_.log("Atualização de base não realizada: existem outros usuários conectados ao banco de dados.");
    return false;
  }
  return true;
}

std::optional<ArquivoAberto> AtualizaBase::obtemPacote(const QString& endereco, const QString& versoes) {
  contexto_.log("Verificando Atualizabd.rar");
  std::optional<ArquivoAberto> pacote = download_.pacoteConfiavel(endereco, versoes, true);
  contexto_.log("Download Atualizabd.rar concluido.");
  mostraPainel();
  return pacote;
}

// The package's files reach the versions folder only once all of them
// extracted. A package that does not extract is deleted, so the next run
// fetches it again instead of failing on the same file for ever.
bool AtualizaBase::extraiPacote(const ArquivoAberto& pacote, const QString& versoes) {
  const auto extrai = [this, &pacote](const QString& arquivo, const QString& pasta) {
    return descompacta_(arquivo, pasta, pacote.caminhoLeitura());
  };
  // Hashed where it was extracted, before it reaches the shared folder.
  const auto guardaHash = [this](const QString& aoLado) {
    const std::optional<ArquivoAberto> programa = ArquivoAberto::abre(aoLado + kPrograma);
    hashPrograma_ = programa ? sha256ServindoEventos(*programa) : QByteArray();
  };
  hashPrograma_.clear();
  QString motivo;
  if (extraiAoLado(extrai, pacote.caminho(), versoes, &motivo, guardaHash)) return true;
  deleteFile(pacote.caminho());
  contexto_.log("Pacote apagado para ser baixado novamente: " + pacote.caminho());
  contexto_.log("Erro durante atualização da base de dados: " + motivo);
  return false;
}

void AtualizaBase::gravaCaminhoDir(const QString& versoes) {
  // Written whole or not at all: the structure updater never reads half a
  // location.
  gravaArquivoDuravel(versoes + "CAMINHO.DIR", toCp1252(contexto_.CnOrvalto().location() + "\r\n"));
}

bool AtualizaBase::executaAtualizador(const QString& versoes) {
  contexto_.log("Executando Atualizabd");
  const QString programa = versoes + kPrograma;
  if (!fileExists(programa)) {
    contexto_.log(QString("%1 não encontrado no pacote.").arg(kPrograma));
    return false;
  }
  if (!programaIntacto(programa)) {
    deleteFile(programa);
    return false;
  }
  // A package made on Windows brings it without an execute bit; a Windows
  // program goes through its launcher.
  QString motivo;
  std::optional<QStringList> comando;
  if (daExecucaoAoDono(programa, &motivo))
    comando = comandoDoPrograma(programa, {"ORVALTO"}, contexto_.app().exeDir, &motivo);
  if (!comando) {
    contexto_.log(motivo);
    deleteFile(programa);
    return false;
  }
  const int codigo = FExecutaEEspera(*comando, 0);
  deleteFile(programa);
  if (codigo == -1) return false;
  // What a code means is the structure updater's business: it is recorded.
  if (codigo != 0) contexto_.log(QString("%1 terminou com o código %2.").arg(kPrograma).arg(codigo));
  contexto_.log("Execução com sucesso");
  return true;
}

// The program about to start must be the one the package brought.
bool AtualizaBase::programaIntacto(const QString& programa) {
  QString motivo;
  const std::optional<ArquivoAberto> arquivo = ArquivoAberto::abre(programa, &motivo);
  if (arquivo && !hashPrograma_.isEmpty() && sha256ServindoEventos(*arquivo) == hashPrograma_) return true;
  if (motivo.isEmpty()) motivo = "o arquivo não é o que o pacote trouxe";
  contexto_.log(QString("%1 não foi executado: %2.").arg(kPrograma, motivo));
  return false;
}

int AtualizaBase::FExecutaEEspera(const QString& linhaComando, int modoJanela) {
  return FExecutaEEspera(partesLinhaComando(linhaComando), modoJanela);
}

int AtualizaBase::FExecutaEEspera(const QStringList& argumentos, int modoJanela) {
  (void)modoJanela;
  limiteExcedido_ = false;
  const double minutos = secaoAtualizacaoOuPadrao(contexto_.app().exeDir).LimiteAtualizadorBD;
  QString motivo;
  const std::unique_ptr<ProcessoIniciado> processo = ProcessoIniciado::inicia(argumentos, &motivo);
  if (!processo) {
    contexto_.log("FExecutaEEspera: " + motivo);
    return -1;
  }
  QElapsedTimer relogio;
  relogio.start();
  while (processo->emExecucao()) {
    if (relogio.elapsed() >= qint64(minutos * 60000)) {
      encerraNoLimite(*processo, minutos);
      return -1;
    }
    pumpEvents();
    esperaServindoEventos(1000);
    contexto_.enviaTerminal(mensagem::execAndWait());
  }
  return processo->aguardaFim();
}

// A hung structure updater would keep the run, and every terminal waiting
// on it, in progress for ever.
void AtualizaBase::encerraNoLimite(ProcessoIniciado& processo, double minutos) {
  limiteExcedido_ = true;
  contexto_.log(QString("FExecutaEEspera: o programa passou do limite de %1 minutos (LimiteAtualizadorBD) e foi "
                        "encerrado com os processos que iniciou.")
                    .arg(minutos));
  processo.encerraGrupo(kCarenciaTerminoMs, [](int ms) { esperaServindoEventos(ms); });
}

void AtualizaBase::mostraPainel() const {
  if (contexto_.ui()) contexto_.ui()->progressShow(kTituloPainel);
}

}  // namespace orvalto
