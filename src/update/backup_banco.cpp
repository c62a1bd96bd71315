#include "update/backup_banco.h"

#include "base/event_pump.h"
#include "base/interaction.h"
#include "base/mensagens_terminal.h"
#include "base/servindo_eventos.h"
#include "db/conexoes_ativas.h"
#include "db/connection_settings.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"
#include "db/sql_helpers.h"
#include "db/trava_backup.h"
#include "platform/files.h"
#include "update/arquivos_backup.h"
#include "update/copia_arquivo.h"
#include "update/espaco_livre.h"
#include "update/falha_etapa.h"
#include "update/indicador_espera.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <stdexcept>

namespace orvalto {
namespace {

std::runtime_error erro(const QString& texto) { return std::runtime_error(texto.toStdString()); }

QString texto(const std::exception& e) { return QString::fromUtf8(e.what()); }

}  // namespace

BackupBanco::BackupBanco(const ContextoEstagio& contexto, IndicadorEspera& indicador)
    : contexto_(contexto), indicador_(indicador) {}

bool BackupBanco::FVerificaCaminhoBanco() {
  const QString pasta = contexto_.app().exeDir;
  QString localizacao;
  if (fileExists(QDir(pasta).filePath(kArquivoCaminhoDir))) localizacao = readCaminhoDir(pasta).location;
  if (localizacao.isEmpty()) localizacao = aliasLocation(pasta);
  // Caminho.ini gives the connection by itself: no alias is needed then.
  if (localizacao.isEmpty() && settingsSource(pasta) != SettingsSource::CaminhoIni)
    throw erro(QString("Alias \"%1\" não encontrado.").arg(kAliasOrvalto));
  return true;
}

bool BackupBanco::FRealizaBackup() {
  const QString pasta = pastaBackup();
  copiaParaBackup(pasta);
  rodaBackups(pasta);
  return true;
}

void BackupBanco::copiaParaBackup(const QString& pasta) {
  mostraEspera("Fazendo backup do banco de dados.");
  backupFeito_ = {};
  try {
    // Without a folder the copy would land wherever the program runs.
    if (pasta.trimmed().isEmpty()) throw erro("Caminho para armazenamento de backup’s não foi configurado.");
    const QString nome = nomeBackup(pasta, QDateTime::currentDateTime());
    const QString banco = caminhoArquivoBanco(contexto_.CnOrvalto().location());
    if (!folderExists(pasta)) createFolder(pasta);
    PApagaBackupsInterrompidos(pasta);
    if (const QString falta = faltaEspaco(pasta, QFileInfo(banco).size(), "banco de dados"); !falta.isEmpty())
      throw erro(falta);
    pumpEvents();
    FConectaBases(contexto_.CnOrvalto(), false);
    copiaTravada(banco, nome);
    gravaFazerBackup(fileExists(nome));
    backupFeito_ = {nome, QFileInfo(nome).size()};
  } catch (const std::exception& e) {
    try {
      gravaFazerBackup(false);
    } catch (const std::exception& falhaGravacao) {
      contexto_.log("FRealizaBackup: " + texto(falhaGravacao));
    }
    escondeEspera();
    throw FalhaEtapa::erro(mensagem::erroBackup(texto(e)));
  }
  pumpEvents();
  escondeEspera();
}

// Under the backup lock the main file stays as it was when the lock was
// taken, whoever writes meanwhile; the lock ends on every way out. Taking
// it flushes the server's cache and ending it merges the delta: both run
// off the window thread, which keeps answering terminals.
void BackupBanco::copiaTravada(const QString& banco, const QString& nome) const {
  const FbConnection& cn = contexto_.CnOrvalto();
  const QString location = cn.location(), user = cn.user(), password = cn.password();
  std::optional<TravaBackup> trava;
  QString aviso;
  executaServindoEventos([&](std::stop_token) {
    trava.emplace(location, user, password, [&aviso](const QString& texto) { aviso = texto; });
  });
  if (!aviso.isEmpty()) contexto_.log("FRealizaBackup: " + aviso);
  PCopiaArquivo(banco, nome, AjusteCopia(liberaTravaNaCopia));
  executaServindoEventos([&](std::stop_token) { trava->libera(); });
}

bool BackupBanco::FRestauraBackup() {
  mostraEspera("Fazendo restore do banco de dados.");
  QString pasta;
  bool restaurado = false;
  try {
    pasta = pastaBackup();
    restaura(pasta);
    restaurado = true;
  } catch (const std::exception& e) {
    contexto_.log("FRestauraBackup: " + texto(e));
    try {
      gravaFazerBackup(false);
    } catch (const std::exception& falhaGravacao) {
      contexto_.log("FRestauraBackup: " + texto(falhaGravacao));
    }
  }
  pumpEvents();
  escondeEspera();
  if (!restaurado) return false;
  try {
    rodaBackups(pasta);
  } catch (const std::exception& e) {
    contexto_.log("FRestauraBackup: " + texto(e));
  }
  return true;
}

QString BackupBanco::escolheBackup(const QString& pasta) const {
  if (backupFeito_.caminho.isEmpty()) {
    const QString backup = backupMaisRecente(pasta);
    if (backup.isEmpty()) throw erro("Nenhum backup encontrado em \"" + pasta + "\".");
    return backup;
  }
  // This run's backup and no other: the stamps of the rest may come from a
  // clock set wrong.
  const QFileInfo feito(backupFeito_.caminho);
  if (!feito.exists() || feito.size() != backupFeito_.tamanho)
    throw erro(QString("O backup desta atualização \"%1\" não está como foi feito (%2 bytes; eram %3).")
                   .arg(backupFeito_.caminho)
                   .arg(feito.exists() ? feito.size() : 0)
                   .arg(backupFeito_.tamanho));
  return backupFeito_.caminho;
}

void BackupBanco::restaura(const QString& pasta) {
  if (pasta.isEmpty()) throw erro("Caminho para armazenamento de backup’s não foi configurado.");
  const QString backup = escolheBackup(pasta);
  // Chosen as a plain file; a link put in its place since is refused too.
  if (!ehArquivoComum(backup)) throw erro("\"" + backup + "\" não é um arquivo comum; o backup não foi restaurado.");
  const QString banco = caminhoArquivoBanco(contexto_.CnOrvalto().location());
  // Under another user's attachment the file cannot be replaced safely.
  if (FContaConexoes(contexto_.CnOrvalto()) > 1)
    throw erro("Existem outras conexões ao banco de dados; o backup não foi restaurado.");
  const QString falta = faltaEspaco(QFileInfo(banco).absolutePath(), QFileInfo(backup).size(), "backup");
  if (!falta.isEmpty()) throw erro(falta + " O backup não foi restaurado.");
  const int manter = numeroBackups();
  FConectaBases(contexto_.CnOrvalto(), false);
  const QString anterior = colocaNoLugar(backup, banco);
  gravaFazerBackup(fileExists(backup));
  if (!anterior.isEmpty())
    PLimitaCopiasAnteriores(banco, manter, anterior,
                            [this](const QString& linha) { contexto_.log("FRestauraBackup: " + linha); });
}

// The file the restore replaced keeps a name of its own beside the database;
// empty when there was none.
QString BackupBanco::colocaNoLugar(const QString& backup, const QString& banco) {
  if (!fileExists(banco)) {
    PCopiaArquivo(backup, banco);
    contexto_.log("FRestauraBackup: \"" + banco + "\" restaurado de \"" + backup + "\".");
    return {};
  }
  // The server opens the file as its own user: the restored file must be
  // owned and accessible like the one it replaces. The long copy goes to a
  // name of its own first; the file in use then gets a second name and the
  // restored one takes its place in one rename, so that a database file
  // stands at the database's path at every moment, whenever the program is
  // stopped.
  const DonoArquivo dono = donoDe(banco);
  const QString preparado = banco + ".RESTAURANDO";
  deleteFile(preparado);
  PCopiaArquivo(backup, preparado, dono);
  const QString anterior = nomeCopiaAnterior(banco, QDateTime::currentDateTime());
  try {
    criaSegundoNome(banco, anterior);
  } catch (const std::exception&) {
    deleteFile(preparado);
    throw;
  }
  try {
    substituiPorRenomeacao(preparado, banco);
  } catch (const std::exception&) {
    ::unlink(QFile::encodeName(anterior).constData());
    deleteFile(preparado);
    throw;
  }
  contexto_.log("FRestauraBackup: \"" + banco + "\" restaurado de \"" + backup + "\"; o arquivo anterior ficou em \"" +
                anterior + "\".");
  return anterior;
}

QString BackupBanco::pastaBackup() const {
  FConectaBases(contexto_.CnOrvalto(), true);
  return withSeparator(FRetornaValorCampo(contexto_.CnOrvalto(), "VERSOESCAB", "CAMINHOLOCALBACKUP"));
}

void BackupBanco::gravaFazerBackup(bool arquivoExiste) const {
  FConectaBases(contexto_.CnOrvalto(), true);
  contexto_.confere(
      FAtualizaValorString(contexto_.CnOrvalto(), "VERSOESCAB", "FazerBackup", FIIf<QString>(arquivoExiste, "N", "S")));
}

int BackupBanco::numeroBackups() const {
  FConectaBases(contexto_.CnOrvalto(), true);
  return int(FRetornaValorInteiro(contexto_.CnOrvalto(), "VERSOESCAB", "NUMEROBACKUP"));
}

void BackupBanco::rodaBackups(const QString& pasta) const {
  QString motivo;
  if (!PLimpaBackupsAntigos(pasta, numeroBackups(), &motivo, backupFeito_.caminho))
    contexto_.log("PLimpaBackupsAntigos: " + motivo);
}

void BackupBanco::mostraEspera(const QString& titulo) const {
  indicador_.liga();
  if (contexto_.ui()) contexto_.ui()->progressShow(titulo);
}

void BackupBanco::escondeEspera() const {
  indicador_.desliga();
  if (contexto_.ui()) contexto_.ui()->progressHide();
}

}  // namespace orvalto
