#include "update/auto_atualizacao.h"

#include "base/estado_terminais.h"
#include "db/firebird_connection.h"
#include "db/schema.h"
#include "platform/arquivo_aberto.h"
#include "platform/codepage.h"
#include "platform/executavel.h"
#include "platform/files.h"
#include "platform/pacote_instalado.h"
#include "services/fornecedor.h"
#include "update/download_pacotes.h"
#include "update/pasta_privada.h"
#include "update/registro_arquivos.h"
#include "update/progresso_descompactado.h"

#include <QCoreApplication>
#include <QDir>

namespace orvalto {
namespace {

// The file of `pasta` named `nome` in any letter case (the package may
// write "ORVALTO.EXE"); empty when there is none.
QString arquivoSemCaixa(const QString& pasta, const QString& nome) {
  const QDir dir(pasta);
  if (QFileInfo(dir.filePath(nome)).isFile()) return dir.filePath(nome);
  for (const QString& entrada : dir.entryList(QDir::Files | QDir::Hidden))
    if (upperAscii(entrada) == upperAscii(nome)) return dir.filePath(entrada);
  return {};
}

void pedeFimDoPrograma() {
  // Queued: the search that called us finishes first.
  if (auto* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

}  // namespace

AutoAtualizacao::AutoAtualizacao(const ContextoEstagio& contexto, DownloadPacotes& download)
    : encerraAplicacao(&pedeFimDoPrograma), contexto_(contexto), download_(download) {}

AutoAtualizacao::~AutoAtualizacao() = default;

bool AutoAtualizacao::FAtualizaAtualizador() {
  try {
    return executa();
  } catch (const std::exception& e) {
    contexto_.log(QString::fromUtf8("Falha na atualizaçao do Servidor. ") + QString::fromUtf8(e.what()));
  } catch (...) {
    contexto_.log(QString::fromUtf8("Falha na atualizaçao do Servidor. "));
  }
  return false;
}

bool AutoAtualizacao::tentativaDevida() {
  FbConnection& conexao = contexto_.CnOrvalto();
  const QDate ultima = conexao.query("SELECT DT_ATLZSERVIDOR FROM VERSOESCAB ").value(0, "DT_ATLZSERVIDOR").toDate();
  const QDate dia = relogio().date();
  if (ultima.isValid() && dia <= ultima) return false;
  // Recorded before anything else: a failure does not bring a second
  // attempt on the same day.
  conexao.execute("UPDATE VERSOESCAB SET DT_ATLZSERVIDOR = :PDATA ", {dia.toString("dd.MM.yyyy")});
  return true;
}

bool AutoAtualizacao::executa() {
  if (!tentativaDevida()) return false;
  // Installed from the package, the program is updated by the package
  // manager; a copy kept here would never replace it (at most once a day).
  if (arquivoDoPacote(contexto_.app().exePath())) {
    contexto_.log(
        QString::fromUtf8("FAtualizaAtualizador: o executável pertence ao pacote orvalto-atualizador; "
                          "a atualização do atualizador fica com o gerenciador de pacotes (apt)."));
    return false;
  }
  const QString pastaVersoes = FCaminhoVersoes(contexto_.CnOrvalto());
  const QString pastaTmp = pastaVersoes + "TMP" + QDir::separator();
  const QString pacote = pastaTmp + kPacoteAtualizador;
  if (fileExists(pacote)) deleteFile(pacote);
  // A search that failed before its downloads has not made the folder.
  if (!folderExists(pastaTmp) && !createFolder(pastaTmp))
    throw std::runtime_error("não foi possível criar a pasta " + pastaTmp.toStdString());

  const QString endereco = lerFornecedor(contexto_.app().exeDir).AutoAtualizacaoURL;
  const std::optional<ArquivoAberto> aberto = download_.pacoteConfiavel(endereco, pastaTmp, false);
  if (!aberto) {
    contexto_.log(QString::fromUtf8("Erro ao realizar o download do atualizador automático."));
    return false;
  }
  // Extracted where only this program writes: what is kept is what the
  // package brought, and no leftover of an earlier attempt can pass for it.
  QString motivo;
  const std::unique_ptr<QTemporaryDir> extracao = criaPastaPrivada(&motivo);
  if (!extracao) throw std::runtime_error(motivo.toStdString());
  const QString pastaExtracao = extracao->path() + '/';
  if (!janelaDescompactacao_) janelaDescompactacao_ = std::make_unique<TfrmProgressoDescompactado>(contexto_);
  if (!janelaDescompactacao_->FDescompactaArquivo(aberto->caminho(), pastaExtracao, aberto->caminhoLeitura())) return false;
  const QString extraido = executavelExtraido(pastaExtracao);
  if (extraido.isEmpty()) return false;
  contexto_.log(QString::fromUtf8("Renomeando versão antiga para OLD."));
  return guardaCopia(extraido, pastaVersoes);
}

QString AutoAtualizacao::executavelExtraido(const QString& pastaTmp) {
  const QString proprio = contexto_.app().exeName;
  QString extraido = arquivoSemCaixa(pastaTmp, proprio);
  if (extraido.isEmpty()) {
    const QString doPacote = arquivoSemCaixa(pastaTmp, kExecutavelPacote);
    if (doPacote.isEmpty()) {
      contexto_.log(QString("FAtualizaAtualizador: o pacote não contém %1 nem %2; nada foi alterado.")
                        .arg(kExecutavelPacote, proprio));
      return {};
    }
    extraido = pastaTmp + proprio;
    if (!renameFile(doPacote, extraido))
      throw std::runtime_error("não foi possível renomear " + doPacote.toStdString());
  }
  const QString motivo = motivoNaoExecutavel(extraido);
  if (!motivo.isEmpty()) {
    contexto_.log(QString("FAtualizaAtualizador: %1 não foi mantido: %2.").arg(extraido, motivo));
    return {};
  }
  return extraido;
}

bool AutoAtualizacao::guardaCopia(const QString& extraido, const QString& pastaVersoes) {
  const QString proprio = contexto_.app().exeName;
  const QString guardado = pastaVersoes + proprio;
  if (fileExists(guardado)) {
    if (!(dosFileTime(extraido) > dosFileTime(guardado))) return false;
    const QString antigo = pastaVersoes + "OLD-" + proprio;
    if (fileExists(antigo)) deleteFile(antigo);
    renameFile(guardado, antigo);
  }
  if (!copyFile(extraido, guardado, false)) {
    // Without the kept copy the restart would bring back the same program.
    contexto_.log(QString("FAtualizaAtualizador: não foi possível copiar %1 para %2.").arg(extraido, guardado));
    return false;
  }
  // The replacement at the program's end takes this copy only while it is
  // the one placed here.
  try {
    RegistroArquivos(contexto_.app().exeDir).grava(guardado, {sha256DoArquivo(extraido), {}});
  } catch (const std::exception& e) {
    contexto_.log("FAtualizaAtualizador: não foi possível registrar a cópia: " + QString::fromUtf8(e.what()));
  }
  marcaReinicio();
  return true;
}

void AutoAtualizacao::marcaReinicio() {
  if (EstadoTerminais* estado = contexto_.estado()) estado->ReiniciarAoTerminar = true;
  if (encerraAplicacao) encerraAplicacao();
}

}  // namespace orvalto
