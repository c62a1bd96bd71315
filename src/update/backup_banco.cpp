#include "update/backup_banco.h"

#include "base/event_pump.h"
#include "base/interaction.h"
#include "db/conexoes_ativas.h"
#include "db/connection_settings.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"
#include "db/sql_helpers.h"
#include "platform/files.h"
#include "update/arquivos_backup.h"
#include "update/copia_arquivo.h"
#include "update/indicador_espera.h"

#include <QDir>

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
  try {
    // Without a folder the copy would land wherever the program runs.
    if (pasta.trimmed().isEmpty()) throw erro("Caminho para armazenamento de backup’s não foi configurado.");
    const QString nome = nomeBackup(pasta, QDateTime::currentDateTime());
    const QString banco = caminhoArquivoBanco(contexto_.CnOrvalto().location());
    if (!folderExists(pasta)) createFolder(pasta);
    PApagaBackupsInterrompidos(pasta);
    pumpEvents();
    // With this program's attachment gone the server closes the file, so
    // the copy is consistent.
    FConectaBases(contexto_.CnOrvalto(), false);
    PCopiaArquivo(banco, nome);
    gravaFazerBackup(fileExists(nome));
  } catch (const std::exception& e) {
    try {
      gravaFazerBackup(false);
    } catch (const std::exception& falhaGravacao) {
      contexto_.log("FRealizaBackup: " + texto(falhaGravacao));
    }
    escondeEspera();
    throw erro(kErroBackup + texto(e));
  }
  pumpEvents();
  escondeEspera();
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

void BackupBanco::restaura(const QString& pasta) {
  if (pasta.isEmpty()) throw erro("Caminho para armazenamento de backup’s não foi configurado.");
  const QString backup = backupMaisRecente(pasta);
  if (backup.isEmpty()) throw erro("Nenhum backup encontrado em \"" + pasta + "\".");
  // Chosen as a plain file; a link put in its place since is refused too.
  if (!ehArquivoComum(backup)) throw erro("\"" + backup + "\" não é um arquivo comum; o backup não foi restaurado.");
  const QString banco = caminhoArquivoBanco(contexto_.CnOrvalto().location());
  // Under another user's attachment the file cannot be replaced safely.
  if (FContaConexoes(contexto_.CnOrvalto()) > 1)
    throw erro("Existem outras conexões ao banco de dados; o backup não foi restaurado.");
  FConectaBases(contexto_.CnOrvalto(), false);
  colocaNoLugar(backup, banco);
  gravaFazerBackup(fileExists(backup));
}

void BackupBanco::colocaNoLugar(const QString& backup, const QString& banco) {
  if (!fileExists(banco)) {
    PCopiaArquivo(backup, banco);
    contexto_.log("FRestauraBackup: \"" + banco + "\" restaurado de \"" + backup + "\".");
    return;
  }
  // The server opens the file as its own user: the restored file must be
  // owned and accessible like the one it replaces. The long copy goes to a
  // name of its own first, so that a program killed meanwhile leaves the
  // database where it was; only two renames stand between the files.
  const DonoArquivo dono = donoDe(banco);
  const QString preparado = banco + ".RESTAURANDO";
  deleteFile(preparado);
  PCopiaArquivo(backup, preparado, dono);
  const QString anterior = banco + ".ANTES-RESTORE-" + QDateTime::currentDateTime().toString("ddMMyyHHmmss");
  renomeiaSemSubstituir(banco, anterior);
  try {
    renomeiaSemSubstituir(preparado, banco);
  } catch (const std::exception&) {
    try {
      renomeiaSemSubstituir(anterior, banco);
    } catch (const std::exception& e) {
      contexto_.log("FRestauraBackup: " + texto(e));
    }
    deleteFile(preparado);
    throw;
  }
  contexto_.log("FRestauraBackup: \"" + banco + "\" restaurado de \"" + backup + "\"; o arquivo anterior ficou em \"" +
                anterior + "\".");
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

void BackupBanco::rodaBackups(const QString& pasta) const {
  const int manter = int(FRetornaValorInteiro(contexto_.CnOrvalto(), "VERSOESCAB", "NUMEROBACKUP"));
  QString motivo;
  if (!PLimpaBackupsAntigos(pasta, manter, &motivo)) contexto_.log("PLimpaBackupsAntigos: " + motivo);
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
