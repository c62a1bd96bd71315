#include "terminal/terminal_server.h"

#include "base/handler_guard.h"
#include "platform/codepage.h"

#include <QTcpSocket>

#include <algorithm>

namespace orvalto {
namespace {

// A whole installation's workstations may connect in the same moment
// (after a power cut, say); the default queue of 50 would make the later
// ones retry for seconds.
constexpr int kFilaDeConexoes = 1024;

}  // namespace

TerminalServer::TerminalServer(EstadoTerminais& estado, const AppContext& ctx, QObject* parent)
    : QObject(parent), estado_(estado), ctx_(ctx), politica_(PoliticaTerminais::daInstalacao(ctx.exeDir)) {
  server_.setListenBacklogSize(kFilaDeConexoes);
  connect(&server_, &QTcpServer::newConnection, this, &TerminalServer::ServerClientConnect);
  connect(
      this, &TerminalServer::atualizacaoPedida, this, [this] { atualizacaoPendente_ = false; }, Qt::QueuedConnection);
}

TerminalServer::~TerminalServer() {
  // The sockets are the server's children: silence them before they go, so
  // that no signal reaches this half-destroyed object.
  for (const Conexao& c : std::as_const(conexoes_))
    if (c.socket) c.socket->disconnect(this);
  server_.close();
}

QMetaObject::Connection TerminalServer::atendePedido(void (TerminalServer::*pedido)(), QObject* contexto,
                                                     std::function<void()> corpo) {
  return conectaProtegido(ctx_, this, pedido, contexto, QStringLiteral("ServerClientRead: "), std::move(corpo),
                          Qt::QueuedConnection);
}

bool TerminalServer::escuta(quint16 porta) { return server_.listen(politica_.enderecoEscuta(), porta); }

void TerminalServer::SendMessage(const QString& mensagem, const QString& endereco) {
  const QString alvo = endereco.isEmpty() ? estado_.IPSolicitante : endereco;
  if (!server_.isListening() || alvo.isEmpty()) return;
  const QByteArray bytes = toCp1252(mensagem);
  // A failed write can drop a connection from the list while we walk it.
  const QList<Conexao> atuais = conexoes_;
  for (const Conexao& c : atuais) {
    if (c.endereco != alvo || !c.socket) continue;
    if (c.socket->write(bytes) != bytes.size()) {
      gravaLog(ctx_, "SendMessage: " + c.socket->errorString());
      return;
    }
    c.socket->flush();
  }
}

void TerminalServer::ServerClientConnect() {
  while (server_.hasPendingConnections()) {
    QTcpSocket* socket = server_.nextPendingConnection();
    if (!socket) return;
    protegeHandler(ctx_, QStringLiteral("ServerClientConnect: "), [&] { aceita(socket); });
  }
}

// A connection the installation does not admit is closed before a byte is
// read or written.
bool TerminalServer::recusa(QTcpSocket* socket) {
  const QHostAddress par = PoliticaTerminais::normaliza(socket->peerAddress());
  const QString endereco = enderecoTerminal(socket->peerAddress());
  const auto doEndereco = std::count_if(conexoes_.cbegin(), conexoes_.cend(),
                                        [&](const Conexao& c) { return c.socket && c.endereco == endereco; });
  const QString motivo = politica_.motivoRecusa(par, int(doEndereco), int(conexoes_.size()));
  if (motivo.isEmpty()) return false;
  socket->abort();
  socket->deleteLater();
  int omitidas = 0;
  if (politica_.podeRegistrar(&omitidas))
    gravaLog(ctx_,
             "ServerClientConnect: conexão recusada de " + par.toString() + ": " + motivo +
                 (omitidas > 0 ? QString(" (mais %1 recusadas desde o registro anterior)").arg(omitidas) : QString()));
  return true;
}

void TerminalServer::aceita(QTcpSocket* socket) {
  if (recusa(socket)) return;
  conexoes_.append({socket, enderecoTerminal(socket->peerAddress())});
  // A terminal that floods the port waits in the system's buffers instead
  // of growing ours: one read is never more than what is handled.
  socket->setReadBufferSize(kLimiteLeitura);
  connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ServerClientRead(socket); });
  connect(socket, &QTcpSocket::errorOccurred, this,
          [this, socket](QAbstractSocket::SocketError codigo) { ServerClientError(socket, codigo); });
  connect(socket, &QTcpSocket::disconnected, this, [this, socket] { desliga(socket); });
  gravaLog(ctx_, QStringLiteral("ServerClientConnect"));
  if (estado_.EmAtualizacao) enviaNaConexao(socket, kMensagemEmAtualizacao);
}

void TerminalServer::ServerClientRead(QTcpSocket* socket) {
  protegeHandler(ctx_, QStringLiteral("ServerClientRead: "), [&] {
    const QByteArray lido = limitaLeitura(socket->readAll());
    if (!lido.isEmpty()) atende(socket, enderecoDe(socket), fromCp1252(lido));
  });
}

void TerminalServer::atende(QTcpSocket* socket, const QString& endereco, const QString& requisicao) {
  const QString tag = extraiTag(requisicao);
  estado_.ComandoRecebido = tag;
  if (tag == QLatin1String(kTagConfigCli)) {
    estado_.Empresa = leConfigCli(requisicao);
  } else if (tag == QLatin1String(kTagStatus)) {
    SendMessage(respostaStatus(estado_.EmAtualizacao, estado_.EmDownload), endereco);
  } else if (tag == QLatin1String(kTagBuscar)) {
    emit buscaPedida();
  } else if (tag == QLatin1String(kTagAtualizar)) {
    pedeAtualizacao(socket, endereco);
  }
}

void TerminalServer::pedeAtualizacao(QTcpSocket* socket, const QString& endereco) {
  if (estado_.EmAtualizacao || atualizacaoPendente_) {
    enviaNaConexao(socket, kMensagemEmAtualizacao);
    return;
  }
  estado_.IPSolicitante = endereco;
  atualizacaoPendente_ = true;
  emit atualizacaoPedida();
}

void TerminalServer::ServerClientError(QTcpSocket*, QAbstractSocket::SocketError codigo) {
  // A terminal that goes away is no error: the protocol has no close
  // handler, and a workstation switched off must not fill the log.
  if (codigo == QAbstractSocket::RemoteHostClosedError) return;
  gravaLog(ctx_, "ONClientError: Erro no Socket Server: COD: " + QString::number(static_cast<int>(codigo)));
}

void TerminalServer::desliga(QTcpSocket* socket) {
  conexoes_.removeIf([socket](const Conexao& c) { return c.socket == socket || !c.socket; });
  socket->deleteLater();
}

QString TerminalServer::enderecoDe(QTcpSocket* socket) const {
  for (const Conexao& c : conexoes_)
    if (c.socket == socket) return c.endereco;
  return enderecoTerminal(socket->peerAddress());
}

void TerminalServer::enviaNaConexao(QTcpSocket* socket, const QString& mensagem) {
  const QByteArray bytes = toCp1252(mensagem);
  if (socket->write(bytes) != bytes.size()) {
    gravaLog(ctx_, "SendMessage: " + socket->errorString());
    return;
  }
  socket->flush();
}

}  // namespace orvalto
