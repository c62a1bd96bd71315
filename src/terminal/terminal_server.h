#pragma once
// The TCP server the workstations talk to. Everything runs on the window
// thread: reads, connections and the replies. One read is one request.
#include "base/app_context.h"
#include "base/estado_terminais.h"
#include "terminal/politica_terminais.h"
#include "terminal/terminal_protocol.h"

#include <QAbstractSocket>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

namespace orvalto {

class TerminalServer : public QObject {
  Q_OBJECT

 public:
  TerminalServer(EstadoTerminais& estado, const AppContext& ctx, QObject* parent = nullptr);
  ~TerminalServer() override;

  // Listens on the installation's listen address (every interface by
  // default). On failure the reason is in erro().
  bool escuta(quint16 porta);
  bool ativo() const { return server_.isListening(); }
  quint16 porta() const { return server_.serverPort(); }
  QString erro() const { return server_.errorString(); }
  int conexoes() const { return static_cast<int>(conexoes_.size()); }

  // Sends `mensagem` (Windows-1252, no terminator) on every open connection
  // whose peer is `endereco`; empty means IPSolicitante. Failures are only
  // logged.
  void SendMessage(const QString& mensagem, const QString& endereco = QString());

  const DadosEmpresa& empresa() const { return estado_.Empresa; }

  // Has `contexto` serve a request (buscaPedida or atualizacaoPedida) with
  // `corpo`: queued, so it runs after the read handler that brought the
  // request has returned, and inside that handler's boundary
  // ("ServerClientRead: ").
  QMetaObject::Connection atendePedido(void (TerminalServer::*pedido)(), QObject* contexto,
                                       std::function<void()> corpo);

 signals:
  // "[BUSCAR]", whatever the state. Receivers connect it queued: the search
  // is long and pumps events, so it runs after the read handler returns.
  void buscaPedida();
  // An accepted "[ATUALIZAR]"; IPSolicitante is already set. Receivers
  // connect it queued, so that the run starts after the read handler
  // returns and its messages reach a requester that is being served.
  void atualizacaoPedida();

 private:
  struct Conexao {
    QPointer<QTcpSocket> socket;
    QString endereco;  // dotted IPv4 of the peer, fixed at accept time
  };

  void ServerClientConnect();
  void ServerClientRead(QTcpSocket* socket);
  void ServerClientError(QTcpSocket* socket, QAbstractSocket::SocketError codigo);

  void aceita(QTcpSocket* socket);
  bool recusa(QTcpSocket* socket);
  void atende(QTcpSocket* socket, const QString& endereco, const QString& requisicao);
  void pedeAtualizacao(QTcpSocket* socket, const QString& endereco);
  void desliga(QTcpSocket* socket);
  QString enderecoDe(QTcpSocket* socket) const;
  void enviaNaConexao(QTcpSocket* socket, const QString& mensagem);

  EstadoTerminais& estado_;
  AppContext ctx_;
  QTcpServer server_;
  PoliticaTerminais politica_;
  QList<Conexao> conexoes_;
  // An accepted "[ATUALIZAR]" whose run has not started yet: a second one
  // in the meantime is refused like one during the run. Cleared by a queued
  // connection made before any receiver's, so just before the run starts.
  bool atualizacaoPendente_ = false;
};

}  // namespace orvalto
