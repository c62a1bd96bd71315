#include "update/registro_estado.h"

#include "base/handler_guard.h"
#include "platform/copia_duravel.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace orvalto {
namespace {

QJsonValue comoValor(const QDateTime& quando) {
  return quando.isValid() ? QJsonValue(textoIso(quando, true)) : QJsonValue(QJsonValue::Null);
}

QDateTime comoData(const QJsonValue& valor) {
  return valor.isString() ? QDateTime::fromString(valor.toString(), Qt::ISODateWithMs) : QDateTime();
}

QJsonObject comoJson(const EstadoGravado& e) {
  return {{"ultimaBusca", QJsonObject{{"inicio", comoValor(e.buscaInicio)}, {"fim", comoValor(e.buscaFim)}}},
          {"ultimaAtualizacao",
           QJsonObject{{"inicio", comoValor(e.atualizacaoInicio)},
                       {"fim", comoValor(e.atualizacaoFim)},
                       {"resultado", e.resultado.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(e.resultado)}}}};
}

}  // namespace

QString textoIso(const QDateTime& quando, bool milissegundos) {
  if (!quando.isValid()) return {};
  const QDateTime comFuso = quando.toOffsetFromUtc(quando.offsetFromUtc());
  return comFuso.toString(milissegundos ? Qt::ISODateWithMs : Qt::ISODate);
}

EstadoGravado leEstado(const QString& exeDir) {
  EstadoGravado e;
  QFile arquivo(QDir(exeDir).filePath(kArquivoEstado));
  if (!arquivo.exists()) return e;
  QJsonParseError erro;
  const QJsonDocument doc =
      arquivo.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(arquivo.readAll(), &erro) : QJsonDocument();
  if (!doc.isObject()) {
    e.legivel = false;
    return e;
  }
  const QJsonObject busca = doc.object().value("ultimaBusca").toObject();
  const QJsonObject atualizacao = doc.object().value("ultimaAtualizacao").toObject();
  e.buscaInicio = comoData(busca.value("inicio"));
  e.buscaFim = comoData(busca.value("fim"));
  e.atualizacaoInicio = comoData(atualizacao.value("inicio"));
  e.atualizacaoFim = comoData(atualizacao.value("fim"));
  e.resultado = atualizacao.value("resultado").toString();
  return e;
}

QString tagErro(const QString& mensagem) {
  // An error escaping a stage is sent whole, the tag wherever it stands.
  static const QRegularExpression tag("\\[ERRO\\]:\\d+\\|");
  const QString achada = tag.match(mensagem).captured();
  return achada.isEmpty() && mensagem.contains("[ERRO]") ? QStringLiteral("[ERRO]") : achada;
}

template <typename Altera>
void RegistroEstado::altera(Altera alteracao) {
  // A state that cannot be kept must not stop a search or a run: it is
  // only logged.
  try {
    EstadoGravado e = leEstado(ctx_.exeDir);
    alteracao(e);
    gravaArquivoDuravel(ctx_.besideExe(kArquivoEstado), QJsonDocument(comoJson(e)).toJson());
  } catch (...) {
    gravaLog(ctx_, "RegistroEstado: " + textoDaExcecao(std::current_exception()));
  }
}

void RegistroEstado::inicioBusca() {
  altera([](EstadoGravado& e) {
    e.buscaInicio = QDateTime::currentDateTime();
    e.buscaFim = {};
  });
}

void RegistroEstado::fimBusca() {
  altera([](EstadoGravado& e) { e.buscaFim = QDateTime::currentDateTime(); });
}

void RegistroEstado::inicioAtualizacao() {
  erro_.clear();
  concluida_ = false;
  altera([](EstadoGravado& e) {
    e.atualizacaoInicio = QDateTime::currentDateTime();
    e.atualizacaoFim = {};
    e.resultado.clear();
  });
}

void RegistroEstado::observaMensagem(const QString& mensagem) {
  // The first error is what the run ended with ("[ERRO]:5|" follows the
  // restore; nothing comes after an error but the end).
  if (erro_.isEmpty()) erro_ = tagErro(mensagem);
  if (mensagem == QLatin1String("[ATUALIZANDO]:5|")) concluida_ = true;
}

void RegistroEstado::fimAtualizacao() {
  const QString resultado = !erro_.isEmpty() ? erro_
                            : concluida_     ? QString(kResultadoOk)
                                             : QString(kResultadoInterrompida);
  altera([&](EstadoGravado& e) {
    e.atualizacaoFim = QDateTime::currentDateTime();
    e.resultado = resultado;
  });
}

}  // namespace orvalto
