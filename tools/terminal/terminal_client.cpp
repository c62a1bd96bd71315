#include "terminal_client.h"

#include "platform/codepage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace orvalto::terminal {

TerminalClient::TerminalClient(QObject* parent) : QObject(parent) {
  connect(&socket_, &QTcpSocket::readyRead, this, [this] {
    const QByteArray bytes = socket_.readAll();
    if (bytes.isEmpty()) return;
    leituras_.append({QDateTime::currentDateTime(), bytes, fromCp1252(bytes)});
    emit chegou(leituras_.last());
  });
}

void TerminalClient::conecta(const QString& host, quint16 porta, const QHostAddress& origem) {
  // A workstation that cannot take its address must not pass for it.
  if (!origem.isNull() && !socket_.bind(origem)) return;
  socket_.connectToHost(host, porta);
}

bool TerminalClient::aguardaConexao(std::chrono::milliseconds prazo) {
  const int ms = static_cast<int>(prazo.count());
  return aguarda([this] { return conectado() || socket_.state() == QAbstractSocket::UnconnectedState; }, ms) &&
         conectado();
}

void TerminalClient::desconecta() {
  socket_.disconnectFromHost();
  if (socket_.state() != QAbstractSocket::UnconnectedState) aguarda([this] { return !conectado(); }, 2000);
}

void TerminalClient::envia(const QString& requisicao) { enviaBytes(toCp1252(requisicao)); }

void TerminalClient::enviaBytes(const QByteArray& bytes) {
  socket_.write(bytes);
  socket_.flush();
}

bool TerminalClient::terminaEscrita(std::chrono::milliseconds prazo) {
  const qint64 ms = prazo.count();
  QElapsedTimer relogio;
  relogio.start();
  while (socket_.bytesToWrite() > 0) {
    const qint64 resta = ms - relogio.elapsed();
    if (resta <= 0 || !socket_.waitForBytesWritten(static_cast<int>(resta))) return socket_.bytesToWrite() == 0;
  }
  return true;
}

QByteArray TerminalClient::bytesRecebidos() const {
  QByteArray tudo;
  for (const Leitura& l : leituras_) tudo += l.bytes;
  return tudo;
}

QString TerminalClient::recebido() const {
  QString tudo;
  for (const Leitura& l : leituras_) tudo += l.texto;
  return tudo;
}

bool TerminalClient::aguardaRecebido(const QString& texto, std::chrono::milliseconds prazo) {
  return aguarda([&] { return recebido().contains(texto); }, static_cast<int>(prazo.count()));
}

bool aguarda(const std::function<bool()>& condicao, int ms) {
  QElapsedTimer relogio;
  relogio.start();
  while (!condicao()) {
    const qint64 resta = ms - relogio.elapsed();
    if (resta <= 0) return false;
    // Wake at least every few milliseconds to look at the condition again.
    QEventLoop laco;
    QTimer::singleShot(static_cast<int>(qMin<qint64>(resta, 5)), &laco, &QEventLoop::quit);
    laco.exec();
  }
  return true;
}

void deixaCorrer(int ms) {
  aguarda([] { return false; }, ms);
}

}  // namespace orvalto::terminal
