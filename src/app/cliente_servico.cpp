#include "app/cliente_servico.h"

#include "platform/codepage.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QRegularExpression>

#include <utility>

namespace orvalto {
namespace {

// Long enough for the rest of a message that a read cut, short enough to
// print progress as it happens.
constexpr int kCalmariaMs = 300;

// Where a message of the service begins.
const QRegularExpression& inicioDeMensagem() {
  static const QRegularExpression re("\\[(STATUS|ATUALIZANDO|ERRO|PROGRESSO|EXECANDWAIT|CONECTA)\\]");
  return re;
}

// A message that can have nothing more after it: "[TAG]:n|", or the
// refusal "[ERRO]:0", which has no bar.
bool completa(const QString& mensagem) {
  static const QRegularExpression re("^\\[[A-Z]+\\]:\\d+\\|$|^\\[ERRO\\]:0$");
  return re.match(mensagem).hasMatch();
}

qint64 agoraMs() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

QStringList separaMensagens(QString& pendente, bool tudo) {
  QList<qsizetype> inicios;
  for (auto it = inicioDeMensagem().globalMatch(pendente); it.hasNext();) inicios.append(it.next().capturedStart());
  if (inicios.isEmpty() || inicios.first() != 0) inicios.prepend(0);
  QStringList mensagens;
  for (qsizetype i = 0; i + 1 < inicios.size(); ++i)
    mensagens.append(pendente.mid(inicios[i], inicios[i + 1] - inicios[i]));
  const QString ultima = pendente.mid(inicios.last());
  if (tudo || completa(ultima)) {
    if (!ultima.isEmpty()) mensagens.append(ultima);
    pendente.clear();
  } else {
    pendente = ultima;
  }
  return mensagens;
}

ClienteServico::ClienteServico(quint16 porta, QObject* parent) : QObject(parent), porta_(porta) {
  calmaria_.setSingleShot(true);
  calmaria_.setInterval(kCalmariaMs);
  connect(&calmaria_, &QTimer::timeout, this, [this] { entrega(true); });
  connect(&socket_, &QTcpSocket::readyRead, this, &ClienteServico::le);
  connect(&socket_, &QTcpSocket::disconnected, this, [this] {
    entrega(true);
    if (aoDesconectar) aoDesconectar();
  });
}

bool ClienteServico::conecta(int ms) {
  socket_.connectToHost(QHostAddress::LocalHost, porta_);
  const bool ok = socket_.waitForConnected(ms);
  if (ok) ultimaLeitura_ = agoraMs();
  return ok;
}

void ClienteServico::envia(const QString& requisicao) {
  socket_.write(toCp1252(requisicao));
  socket_.flush();
}

std::optional<QString> ClienteServico::perguntaStatus(int ms) {
  // The reads come through le() (waiting emits readyRead): the reply is
  // picked from the messages it gives.
  std::optional<QString> resposta;
  const auto anterior = std::exchange(aoReceber, [&](const QString& m) {
    if (m.startsWith("[STATUS]:")) resposta = m;
  });
  envia("[STATUS]");
  QElapsedTimer relogio;
  relogio.start();
  while (!resposta && relogio.elapsed() < ms && socket_.waitForReadyRead(static_cast<int>(ms - relogio.elapsed()))) {
  }
  aoReceber = anterior;
  return resposta;
}

void ClienteServico::recolhe() {
  while (socket_.bytesAvailable() > 0 || socket_.waitForReadyRead(kCalmariaMs / 3)) le();
  entrega(true);
}

qint64 ClienteServico::silencioMs() const { return agoraMs() - ultimaLeitura_; }

void ClienteServico::le() {
  const QByteArray bytes = socket_.readAll();
  if (bytes.isEmpty()) return;
  ultimaLeitura_ = agoraMs();
  pendente_ += fromCp1252(bytes);
  entrega(false);
  if (!pendente_.isEmpty()) calmaria_.start();
}

void ClienteServico::entrega(bool tudo) {
  if (tudo) calmaria_.stop();
  for (const QString& mensagem : separaMensagens(pendente_, tudo))
    if (aoReceber) aoReceber(mensagem);
}

}  // namespace orvalto
