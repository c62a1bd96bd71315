#include "update/registro_pastas.h"

#include "base/handler_guard.h"
#include "base/interaction.h"
#include "db/firebird_connection.h"
#include "platform/copia_duravel.h"
#include "update/contexto_estagio.h"
#include "update/verifica_pastas.h"

#include <QDir>
#include <QFile>
#include <QMap>

#include <sys/stat.h>

#include <optional>

namespace orvalto {
namespace {

// One line per setting: the key, the device number and the path, separated
// by tabs (the path last: it may hold anything else).
struct Registro {
  QString caminho;
  quint64 dispositivo = 0;
};

const char* const kVersoes = "versoes";
const char* const kBackup = "backup";

QString arquivoRegistro(const QString& exeDir) { return exeDir + '/' + kArquivoRegistroPastas; }

QMap<QString, Registro> leRegistro(const QString& exeDir) {
  QMap<QString, Registro> registros;
  QFile arquivo(arquivoRegistro(exeDir));
  if (!arquivo.open(QIODevice::ReadOnly)) return registros;
  for (const QByteArray& linha : arquivo.readAll().split('\n')) {
    const QList<QByteArray> campos = linha.split('\t');
    if (campos.size() < 3 || linha.startsWith('#')) continue;
    bool ok = false;
    const quint64 dispositivo = campos[1].toULongLong(&ok);
    const QString caminho = QString::fromUtf8(linha.mid(campos[0].size() + campos[1].size() + 2));
    if (ok) registros[QString::fromUtf8(campos[0])] = {caminho, dispositivo};
  }
  return registros;
}

QByteArray textoRegistro(const QMap<QString, Registro>& registros) {
  QByteArray texto =
      "# Sistema de arquivos (dispositivo) de cada pasta configurada, visto na ultima atualizacao concluida "
      "ou gravacao das configuracoes.\n";
  for (auto it = registros.begin(); it != registros.end(); ++it)
    texto += it.key().toUtf8() + '\t' + QByteArray::number(it->dispositivo) + '\t' + it->caminho.toUtf8() + '\n';
  return texto;
}

std::optional<quint64> dispositivoDe(const QString& pasta) {
  struct stat st {};
  if (::stat(QFile::encodeName(pasta).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return quint64(st.st_dev);
}

bool mesmoCaminho(const QString& a, const QString& b) { return QDir::cleanPath(a) == QDir::cleanPath(b); }

QString confere(const QString& nome, const QString& pasta, const QMap<QString, Registro>& registros,
                const QString& chave) {
  if (pasta.trimmed().isEmpty()) return "Pasta " + nome + " não configurada.";
  const std::optional<quint64> atual = dispositivoDe(pasta);
  if (!atual) return "Pasta " + nome + " \"" + pasta + "\" não encontrada.";
  const auto registro = registros.constFind(chave);
  if (registro == registros.constEnd() || !mesmoCaminho(registro->caminho, pasta) || registro->dispositivo == *atual)
    return {};
  return QString(
             "Pasta %1 \"%2\" está em outro sistema de arquivos (dispositivo %3; registrado %4): "
             "o compartilhamento ou o disco pode não estar montado.")
      .arg(nome, pasta)
      .arg(*atual)
      .arg(registro->dispositivo);
}

PastasConfiguradas leDoBanco(FbConnection& conexao) {
  const QueryResult r = conexao.query("SELECT CAMINHOLOCALBACKUP, CAMINHOVERSOES FROM VERSOESCAB");
  return {r.value(0, "CAMINHOVERSOES").toString(), r.value(0, "CAMINHOLOCALBACKUP").toString()};
}

}  // namespace

void PRegistraPastas(const AppContext& ctx, const PastasConfiguradas& pastas) {
  QMap<QString, Registro> registros = leRegistro(ctx.exeDir);
  const QByteArray antes = textoRegistro(registros);
  for (const auto& [chave, pasta] : {std::pair{kVersoes, pastas.versoes}, std::pair{kBackup, pastas.backup}})
    if (const std::optional<quint64> dispositivo = pasta.trimmed().isEmpty() ? std::nullopt : dispositivoDe(pasta))
      registros[chave] = {pasta, *dispositivo};
  const QByteArray depois = textoRegistro(registros);
  if (depois == antes) return;  // nothing new: the file is not rewritten at every run
  try {
    gravaArquivoDuravel(arquivoRegistro(ctx.exeDir), depois);
  } catch (const std::exception& e) {
    gravaLog(ctx, "PRegistraPastas: " + QString::fromUtf8(e.what()));
  }
}

QString FConferePastas(const QString& exeDir, const PastasConfiguradas& pastas) {
  const QMap<QString, Registro> registros = leRegistro(exeDir);
  const QString backup = confere("de backup", pastas.backup, registros, kBackup);
  return backup.isEmpty() ? confere("de versões", pastas.versoes, registros, kVersoes) : backup;
}

bool FConferePastasAntesDoDownload(const ContextoEstagio& contexto) {
  FbConnection& conexao = contexto.CnOrvalto();
  PastasConfiguradas pastas;
  try {
    const QueryResult fila = conexao.query("SELECT COUNT(*) FROM VERSOESITEM WHERE VERSAOAATUALIZAR <> \"\"");
    if (fila.rows.value(0).value(0).toInt() == 0) return true;
    pastas = leDoBanco(conexao);
  } catch (const DbError&) {
    return true;  // tables not there yet: the download stage ends the run as it always has
  }
  const QString motivo = FConferePastas(contexto.app().exeDir, pastas);
  if (motivo.isEmpty()) return true;
  contexto.log("FAtualizacao: " + motivo);
  // The usual warning for a folder not set or not found; this one for a
  // folder on another file system.
  if (contexto.ui() && FVerificaPastas(conexao, *contexto.ui()))
    contexto.ui()->showMessage(MessageIcon::Warning, "Aviso", motivo);
  return false;
}

void PRegistraPastasDaAtualizacao(const ContextoEstagio& contexto) {
  try {
    PRegistraPastas(contexto.app(), leDoBanco(contexto.CnOrvalto()));
  } catch (const std::exception& e) {
    contexto.log("PRegistraPastas: " + QString::fromUtf8(e.what()));
  }
}

}  // namespace orvalto
