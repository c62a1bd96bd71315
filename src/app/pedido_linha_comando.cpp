#include "app/pedido_linha_comando.h"

#include "app/cliente_servico.h"
#include "app/leitura_instalacao.h"
#include "app/progresso_em_palavras.h"
#include "app/saida_linha_comando.h"
#include "base/handler_guard.h"
#include "terminal/terminal_protocol.h"
#include "update/registro_estado.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

namespace orvalto {
namespace {

constexpr int kConexaoMs = 5000;
constexpr int kVerificacaoMs = 250;  // how often the kept state is read
// Between its stages the service answers "[STATUS]"; a run may be quiet
// for a long time inside one (a large backup), but never deaf this long.
constexpr int kSondaMs = 5000;
constexpr qint64 kSilencioMaximoMs = 5 * 60 * 1000;
// A request is started at once, or held while a run goes on; an idle
// service that has not begun it by then is not this installation's (its
// state is kept elsewhere).
constexpr qint64 kInicioMaximoMs = 30 * 1000;

constexpr int kSucesso = 0;
constexpr int kFalhou = 1;
constexpr int kSemServico = 2;

class Acompanhamento {
 public:
  Acompanhamento(const AppContext& ctx, quint16 porta, PedidoServico pedido)
      : ctx_(ctx), pedido_(pedido), cliente_(porta), narrador_(pedido == PedidoServico::Atualizar) {}

  int executa();

 private:
  bool atualizacao() const { return pedido_ == PedidoServico::Atualizar; }
  void recebe(const QString& mensagem);
  void verifica();
  bool terminou(const EstadoGravado& e) const;
  int conclui(const EstadoGravado& e);
  int concluiAtualizacao(const QString& resultado);
  int concluiBusca();
  void termina(int codigo);
  void diz(const QString& linha) const {
    if (!linha.isEmpty()) escreveLinha(stdout, linha);
  }

  AppContext ctx_;
  PedidoServico pedido_;
  ClienteServico cliente_;
  NarradorProgresso narrador_;
  QDateTime pedidoEm_;
  QEventLoop laco_;
  QTimer verificacao_, sonda_;
  bool falhaDita_ = false, sucessoDito_ = false, esperaDita_ = false;
  bool iniciado_ = false, concluindo_ = false, fim_ = false;
  QString ultimoStatus_;  // the last reply to the probes
  int codigo_ = kSemServico;
};

int Acompanhamento::executa() {
  // Before the request: the service's start of the search or run is later.
  pedidoEm_ = QDateTime::currentDateTime();
  if (!cliente_.conecta(kConexaoMs)) {
    escreveLinha(stderr, QString::fromUtf8("O serviço não responde na porta %1.").arg(cliente_.porta()));
    return kSemServico;
  }
  cliente_.aoReceber = [this](const QString& m) { protegeHandler(ctx_, "Pedido: ", [&] { recebe(m); }); };
  cliente_.aoDesconectar = [this] {
    protegeHandler(ctx_, "Pedido: ", [this] {
      verifica();
      if (fim_ || concluindo_) return;
      escreveLinha(stderr, QString::fromUtf8("O serviço encerrou a conexão antes do fim."));
      termina(kSemServico);
    });
  };
  cliente_.envia(atualizacao() ? kTagAtualizar : kTagBuscar);
  diz(atualizacao() ? QString::fromUtf8("Atualização pedida ao serviço (porta %1).").arg(cliente_.porta())
                    : QString::fromUtf8("Busca de novas versões pedida ao serviço (porta %1).").arg(cliente_.porta()));
  QObject::connect(&verificacao_, &QTimer::timeout,
                   [this] { protegeHandler(ctx_, "Pedido: ", [this] { verifica(); }); });
  QObject::connect(&sonda_, &QTimer::timeout, [this] { cliente_.envia(kTagStatus); });
  verificacao_.start(kVerificacaoMs);
  sonda_.start(kSondaMs);
  laco_.exec();
  return codigo_;
}

void Acompanhamento::recebe(const QString& mensagem) {
  if (fim_) return;
  if (mensagem.startsWith("[STATUS]:")) ultimoStatus_ = mensagem;
  if (mensagem == QLatin1String(kMensagemEmAtualizacao)) {
    if (atualizacao()) {
      diz(textoFalha(mensagem));
      return termina(kFalhou);
    }
    if (!esperaDita_) diz(QString::fromUtf8("Uma atualização está em andamento: a busca começa quando ela terminar."));
    esperaDita_ = true;
    return;
  }
  // A search has no stages: of what reaches this address only its
  // downloads are its own.
  if (!atualizacao() && !mensagem.startsWith("[PROGRESSO]")) return;
  const QString linha = narrador_.narra(mensagem);
  falhaDita_ = falhaDita_ || mensagem.contains("[ERRO]");
  sucessoDito_ = sucessoDito_ || mensagem == QLatin1String("[ATUALIZANDO]:5|");
  diz(linha);
}

bool Acompanhamento::terminou(const EstadoGravado& e) const {
  if (atualizacao())
    return e.atualizacaoInicio >= pedidoEm_ && e.atualizacaoFim.isValid() && e.atualizacaoFim >= e.atualizacaoInicio;
  return e.buscaInicio >= pedidoEm_ && e.buscaFim.isValid() && e.buscaFim >= e.buscaInicio;
}

void Acompanhamento::verifica() {
  if (fim_ || concluindo_) return;
  const EstadoGravado e = leEstado(ctx_.exeDir);
  const QDateTime inicio = atualizacao() ? e.atualizacaoInicio : e.buscaInicio;
  if (inicio >= pedidoEm_) {
    iniciado_ = true;
    if (atualizacao()) diz(narrador_.inicio());
  }
  if (terminou(e)) return termina(conclui(e));
  if (!iniciado_ && ultimoStatus_ == QLatin1String("[STATUS]:0|") &&
      pedidoEm_.msecsTo(QDateTime::currentDateTime()) > kInicioMaximoMs) {
    escreveLinha(stderr, QString::fromUtf8("O serviço na porta %1 está ocioso e não registrou o pedido em %2: não é o "
                                           "serviço desta instalação?")
                             .arg(cliente_.porta())
                             .arg(ctx_.besideExe(kArquivoEstado)));
    return termina(kSemServico);
  }
  if (cliente_.silencioMs() > kSilencioMaximoMs) {
    escreveLinha(stderr, QString::fromUtf8("O serviço deixou de responder na porta %1.").arg(cliente_.porta()));
    termina(kSemServico);
  }
}

int Acompanhamento::conclui(const EstadoGravado& e) {
  concluindo_ = true;  // what still arrives is told, nothing else decided
  cliente_.recolhe();
  return atualizacao() ? concluiAtualizacao(e.resultado) : concluiBusca();
}

int Acompanhamento::concluiAtualizacao(const QString& resultado) {
  if (resultado == QLatin1String(kResultadoOk)) {
    if (!sucessoDito_) diz(narrador_.narra("[ATUALIZANDO]:5|"));
    return kSucesso;
  }
  if (resultado != QLatin1String(kResultadoInterrompida)) {
    if (!falhaDita_) diz(textoFalha(resultado));
    return kFalhou;
  }
  // A run that ends without a message found nothing queued, or could not
  // reach the database, the first download or the tables.
  QString erro;
  const std::optional<DadosInstalacao> dados = leInstalacao(ctx_, &erro);
  if (dados && dados->fila.isEmpty()) {
    diz(QString::fromUtf8("Nenhuma versão na fila: não havia o que atualizar."));
    return kSucesso;
  }
  diz(
      QString::fromUtf8("A atualização terminou sem concluir (banco, download inicial ou tabelas); veja o log do "
                        "atualizador."));
  return kFalhou;
}

int Acompanhamento::concluiBusca() {
  diz(QString::fromUtf8("Busca de novas versões concluída."));
  QString erro;
  const std::optional<DadosInstalacao> dados = leInstalacao(ctx_, &erro);
  if (!dados) {
    escreveLinha(stderr, QString::fromUtf8("A fila não pôde ser lida: ") + erro);
  } else if (dados->fila.isEmpty()) {
    diz(QString::fromUtf8("Fila: nenhuma versão a atualizar."));
  } else {
    diz(QString::fromUtf8("Fila: %1 versão(ões) a atualizar:").arg(dados->fila.size()));
    for (const ItemFila& item : dados->fila) diz("    " + item.sistema + " " + item.endereco);
  }
  return kSucesso;
}

void Acompanhamento::termina(int codigo) {
  fim_ = true;
  codigo_ = codigo;
  verificacao_.stop();
  sonda_.stop();
  laco_.quit();
}

}  // namespace

int executaPedido(const AppContext& ctx, quint16 porta, PedidoServico pedido) {
  Acompanhamento acompanhamento(ctx, porta, pedido);
  return acompanhamento.executa();
}

}  // namespace orvalto
