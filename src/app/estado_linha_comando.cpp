#include "app/estado_linha_comando.h"

#include "app/cliente_servico.h"
#include "app/leitura_instalacao.h"
#include "app/saida_linha_comando.h"
#include "base/version.h"
#include "update/arquivos_backup.h"
#include "update/registro_estado.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStorageInfo>

#include <algorithm>

namespace orvalto {
namespace {

// A monitoring check runs every minute or so: the answer must come well
// within its own time-out.
constexpr int kRespostaMs = 3000;

const QJsonValue kNulo(QJsonValue::Null);

QJsonValue dataJson(const QDateTime& quando) { return quando.isValid() ? QJsonValue(textoIso(quando)) : kNulo; }
QJsonValue texto(const QString& valor) { return valor.isEmpty() ? kNulo : QJsonValue(valor); }

QJsonObject servico(quint16 porta, QString* situacao) {
  ClienteServico cliente(porta);
  std::optional<QString> status;
  if (cliente.conecta(kRespostaMs)) status = cliente.perguntaStatus(kRespostaMs);
  if (status) *situacao = *status;
  return {{"respondendo", status.has_value()}, {"porta", porta}};
}

QJsonValue fila(const std::optional<DadosInstalacao>& dados) {
  if (!dados) return kNulo;
  QJsonArray itens;
  for (const ItemFila& item : dados->fila)
    itens.append(QJsonObject{{"sistema", item.sistema}, {"endereco", item.endereco}});
  return itens;
}

// The backups the updater made, newest first; null when the folder is not
// known or cannot be read.
QJsonValue backups(const std::optional<DadosInstalacao>& dados) {
  if (!dados || dados->pastaBackup.isEmpty() || !QFileInfo(dados->pastaBackup).isDir()) return kNulo;
  QFileInfoList arquivos;
  for (const QFileInfo& f : QDir(dados->pastaBackup).entryInfoList(QDir::Files))
    if (ehNomeBackup(f.fileName())) arquivos.append(f);
  std::sort(arquivos.begin(), arquivos.end(), [](const QFileInfo& a, const QFileInfo& b) {
    return chaveCarimbo(a.fileName()) > chaveCarimbo(b.fileName());
  });
  QJsonArray lista;
  for (const QFileInfo& f : arquivos) lista.append(QJsonObject{{"arquivo", f.fileName()}, {"bytes", f.size()}});
  return lista;
}

QJsonObject pasta(const QString& caminho) {
  QJsonValue livre = kNulo;
  if (!caminho.isEmpty() && QFileInfo(caminho).isDir()) {
    const QStorageInfo volume(caminho);
    if (volume.isValid()) livre = volume.bytesAvailable();
  }
  return {{"caminho", texto(caminho)}, {"livreBytes", livre}};
}

QJsonObject ultimaAtualizacao(const EstadoGravado& e) {
  return {{"inicio", dataJson(e.atualizacaoInicio)},
          {"fim", dataJson(e.atualizacaoFim)},
          {"resultado", texto(e.resultado)}};
}

// The worst finding decides: a service or database out of reach, then a
// failed run, then what could not be known.
int codigoDe(bool respondendo, const std::optional<DadosInstalacao>& dados, const EstadoGravado& e,
             const QJsonObject& pastas) {
  if (!respondendo || !dados) return kEstadoCritico;
  // A run that ended without a message with versions still queued did not
  // do its work; with an empty queue it had nothing to do.
  if (e.resultado.startsWith("[ERRO") ||
      (e.resultado == QLatin1String(kResultadoInterrompida) && !dados->fila.isEmpty()))
    return kEstadoFalhou;
  const bool pastasConhecidas =
      !pastas["versoes"].toObject()["livreBytes"].isNull() && !pastas["backup"].toObject()["livreBytes"].isNull();
  if (!e.legivel || !pastasConhecidas) return kEstadoDesconhecido;
  return kEstadoOk;
}

}  // namespace

EstadoColetado coletaEstado(const AppContext& ctx, quint16 porta) {
  EstadoColetado coletado;
  QString erroBanco;
  const QDateTime perguntadoEm = QDateTime::currentDateTime();
  const QJsonObject doServico = servico(porta, &coletado.situacao);
  // A run refuses to go on while another user is attached: during one the
  // database is left alone.
  const bool emAtualizacao = coletado.situacao == QLatin1String("[STATUS]:1|");
  std::optional<DadosInstalacao> dados;
  if (!emAtualizacao) dados = leInstalacao(ctx, &erroBanco);
  EstadoGravado gravado = leEstado(ctx.exeDir);
  // A run begun before the question that the service no longer reports
  // never reached its end: the service stopped in the middle of it.
  if (!emAtualizacao && doServico["respondendo"].toBool() && gravado.atualizacaoInicio.isValid() &&
      !gravado.atualizacaoFim.isValid() && gravado.atualizacaoInicio < perguntadoEm)
    gravado.resultado = kResultadoInterrompida;
  const QJsonObject pastas{{"versoes", pasta(dados ? dados->pastaVersoes : QString())},
                           {"backup", pasta(dados ? dados->pastaBackup : QString())}};
  coletado.codigo = emAtualizacao ? kEstadoOk : codigoDe(doServico["respondendo"].toBool(), dados, gravado, pastas);
  coletado.json = QJsonObject{{"servico", doServico},
                              {"versao", QString::fromLatin1(VersaoAtualizador)},
                              {"servidorDesignado", dados ? texto(dados->servidorDesignado) : kNulo},
                              {"banco", texto(dados ? dados->banco : localBanco(ctx.exeDir))},
                              {"fila", fila(dados)},
                              {"ultimaBusca", dataJson(gravado.buscaFim)},
                              {"agendamento", dados ? dataJson(dados->agendamento) : kNulo},
                              {"ultimaAtualizacao", ultimaAtualizacao(gravado)},
                              {"backups", backups(dados)},
                              {"pastas", pastas}};
  if (emAtualizacao)
    escreveLinha(stderr, QString::fromUtf8("Atualização em andamento: o banco não é lido (contaria como outro usuário "
                                           "conectado e faria a atualização parar)."));
  else if (!dados)
    escreveLinha(stderr, QString::fromUtf8("O banco de dados não pôde ser lido: ") + erroBanco);
  if (!gravado.legivel)
    escreveLinha(stderr, QString::fromUtf8("O arquivo de estado não pôde ser lido: ") + ctx.besideExe(kArquivoEstado));
  return coletado;
}

int executaEstado(const AppContext& ctx, quint16 porta, bool json) {
  const EstadoColetado estado = coletaEstado(ctx, porta);
  if (json) {
    std::fputs(QJsonDocument(estado.json).toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
  } else {
    for (const QString& linha : estadoEmTexto(estado)) escreveLinha(stdout, linha);
  }
  return estado.codigo;
}

}  // namespace orvalto
