#include "app/configuracao_linha_comando.h"

#include "app/opcoes_programa.h"
#include "base/app_context.h"
#include "base/handler_guard.h"
#include "base/operation_log.h"
#include "base/secao_atualizacao.h"
#include "configuracoes/configuracoes_gravadas.h"
#include "configuracoes/lista_usuarios.h"
#include "configuracoes/senha_produto.h"
#include "configuracoes/servidor_designado.h"
#include "configuracoes/titulos.h"
#include "configuracoes/validacao_pasta.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"
#include "db/schema.h"
#include "db/transactions.h"
#include "platform/system.h"
#include "platform/terminal_input.h"
#include "update/contexto_estagio.h"
#include "update/registro_pastas.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <cstdio>
#include <optional>

namespace orvalto {
namespace {

constexpr int kRecusado = 1;
constexpr int kNomeDesconhecido = 2;
constexpr int kMaxSenhaProxy = 9;
const char* const kSenhaOculta = "********";

using Pedidos = QMap<QString, QString>;  // setting name -> value given

void escreve(std::FILE* saida, const QString& linha) {
  std::fprintf(saida, "%s\n", linha.toUtf8().constData());
  std::fflush(saida);
}

void recusa(const QString& texto) { escreve(stderr, texto); }

bool conecta(FbConnection& cn, const AppContext& ctx) {
  return mostraResultado(ctx.ui, FConectaBanco(cn, ctx.exeDir)) && mostraResultado(ctx.ui, FAtualizaEstrutura(cn));
}

// The settings by name, in the window's order.
QList<QPair<QString, QString*>> porNome(Configuracoes& c) {
  return {{"CAMINHOLOCALBACKUP", &c.CAMINHOLOCALBACKUP},
          {"CAMINHOVERSOES", &c.CAMINHOVERSOES},
          {"USAPROXY", &c.USAPROXY},
          {"PROXY", &c.PROXY},
          {"PORTAPROXY", &c.PORTAPROXY},
          {"AUTENTICACAOPROXY", &c.AUTENTICACAOPROXY},
          {"USUARIOPROXY", &c.USUARIOPROXY},
          {"SENHAPROXY", &c.SENHAPROXY},
          {"USUARIOSATUALIZAVERSAO", &c.USUARIOSATUALIZAVERSAO}};
}

std::optional<Pedidos> leAtribuicoes(const QStringList& atribuicoes) {
  Configuracoes modelo;
  QStringList conhecidos;
  for (const auto& [nome, valor] : porNome(modelo)) conhecidos.append(nome);
  Pedidos pedidos;
  for (const QString& a : atribuicoes) {
    const QString nome = a.section('=', 0, 0).trimmed().toUpper();
    if (nome == "NOMESERVIDOR" && a.section('=', 1).trimmed().compare(FNomeComputador(), Qt::CaseInsensitive) != 0) {
      recusa("NOMESERVIDOR: só este computador (" + FNomeComputador() +
             ") pode ser designado; execute o comando no servidor que deve ser designado.");
      return std::nullopt;
    }
    if (nome == "NOMESERVIDOR") {
      pedidos.insert(nome, FNomeComputador());
      continue;
    }
    if (!conhecidos.contains(nome)) {
      recusa(QString::fromUtf8("configuração desconhecida: ") + nome);
      return std::nullopt;
    }
    if (pedidos.contains(nome)) {
      recusa(nome + " informado mais de uma vez.");
      return std::nullopt;
    }
    pedidos.insert(nome, a.section('=', 1));
  }
  return pedidos;
}

// SENHAPROXY=- : the secret is typed at a prompt without echo (or is one
// line of standard input), never written on the command line where the
// process list and the shell's history would keep it.
bool leSegredos(Pedidos& pedidos) {
  if (pedidos.value("SENHAPROXY") != "-") return true;
  const std::optional<QString> senha = lerSegredo("Senha do proxy: ");
  if (!senha) {
    recusa("SENHAPROXY: nenhuma senha informada.");
    return false;
  }
  pedidos.insert("SENHAPROXY", *senha);
  return true;
}

// The folders: the named ones, and a stored one that is still empty, go
// through the window's validation; a stored folder is not validated again.
// A folder named relative to where the command runs is stored whole: the
// service does not run there.
bool aplicaPastas(const AppContext& ctx, const Pedidos& pedidos, Configuracoes& v) {
  const QList<std::tuple<const char*, PastaConfigurada, QString*>> pastas{
      {"CAMINHOLOCALBACKUP", PastaConfigurada::Backup, &v.CAMINHOLOCALBACKUP},
      {"CAMINHOVERSOES", PastaConfigurada::Versoes, &v.CAMINHOVERSOES}};
  for (const auto& [nome, pasta, valor] : pastas) {
    if (!pedidos.contains(nome) && !valor->isEmpty()) continue;
    QString texto = pedidos.value(nome, *valor).trimmed();
    if (!texto.isEmpty() && QDir::isRelativePath(texto)) texto = QDir::current().absoluteFilePath(texto);
    const ValidacaoPasta r = validaPasta(pasta, texto, *ctx.ui);
    if (!r.valida) return false;
    *valor = r.texto;
  }
  return true;
}

// The proxy fields of the window are open only with their switches on.
bool aplicaProxy(const Pedidos& pedidos, Configuracoes& v) {
  for (const auto& [flag, destino] :
       {std::pair{"USAPROXY", &v.USAPROXY}, {"AUTENTICACAOPROXY", &v.AUTENTICACAOPROXY}}) {
    if (!pedidos.contains(flag)) continue;
    const QString valor = pedidos.value(flag).trimmed().toUpper();
    if (valor != "S" && valor != "N") {
      recusa(QString(flag) + ": informe S ou N.");
      return false;
    }
    *destino = valor;
  }
  for (const char* nome : {"PROXY", "PORTAPROXY", "AUTENTICACAOPROXY", "USUARIOPROXY", "SENHAPROXY"}) {
    if (pedidos.contains(nome) && v.USAPROXY != "S") {
      recusa(QString(nome) + ": só pode ser informado com USAPROXY=S.");
      return false;
    }
  }
  for (const char* nome : {"USUARIOPROXY", "SENHAPROXY"}) {
    if (pedidos.contains(nome) && v.AUTENTICACAOPROXY != "S") {
      recusa(QString(nome) + ": só pode ser informado com AUTENTICACAOPROXY=S.");
      return false;
    }
  }
  if (pedidos.value("SENHAPROXY").size() > kMaxSenhaProxy) {
    recusa(QString("SENHAPROXY: no máximo %1 caracteres.").arg(kMaxSenhaProxy));
    return false;
  }
  if (pedidos.contains("PROXY")) v.PROXY = pedidos.value("PROXY");
  if (pedidos.contains("PORTAPROXY")) v.PORTAPROXY = pedidos.value("PORTAPROXY");
  if (pedidos.contains("USUARIOPROXY")) v.USUARIOPROXY = pedidos.value("USUARIOPROXY").toUpper();
  if (pedidos.contains("SENHAPROXY")) v.SENHAPROXY = pedidos.value("SENHAPROXY");
  return true;
}

// A proxy switched on needs its address and port, as the window requires.
bool proxyCompleto(const AppContext& ctx, const Configuracoes& v) {
  const RecusaProxy r = validaProxy(v);
  if (r.texto.isEmpty()) return true;
  ctx.ui->showMessage(MessageIcon::Warning, kTituloAviso, r.campo + ": " + r.texto);
  return false;
}

// Names as CADUSUA spells them, in its order, ADMIN and MESTRE always in.
// A new row gets what the window would save for it.
bool aplicaUsuarios(const AppContext& ctx, FbConnection& cn, const Pedidos& pedidos, const QString& modo,
                    Configuracoes& v) {
  if (!pedidos.contains("USUARIOSATUALIZAVERSAO") && modo == kModoAlteracao) return true;
  ListaUsuarios lista;
  lista.PCarregaListaUsuarios(cn, ctx);
  if (pedidos.contains("USUARIOSATUALIZAVERSAO")) {
    QStringList nomes;
    for (const QString& nome : separaUsuarios(pedidos.value("USUARIOSATUALIZAVERSAO")))
      if (!nome.trimmed().isEmpty()) nomes.append(nome.trimmed());
    const QStringList desconhecidos = lista.marcaSomente(nomes);
    if (!desconhecidos.isEmpty()) {
      recusa(QString::fromUtf8("USUARIOSATUALIZAVERSAO: não cadastrado em CADUSUA: ") + desconhecidos.join(", "));
      return false;
    }
  }
  v.USUARIOSATUALIZAVERSAO = lista.FRetornaUsuariosSelecionados();
  return true;
}

bool confirmaAdministrador(const AppContext& ctx, FbConnection& cn) {
  abreParaCad(cn, *ctx.ui);
  const std::optional<QString> senha = lerSegredo(QString::fromUtf8("Senha do usuário ADMIN: "));
  if (!senha) {
    recusa("Nenhuma senha informada.");
    return false;
  }
  const RecusaSenha r = verificaAdministrador(cn, kUsuarioAdministrador, senha->toUpper());
  if (r == RecusaSenha::Nenhuma) return true;
  ctx.ui->showMessage(MessageIcon::Information, kTituloInformacao, textoRecusa(r));
  return false;
}

bool grava(const AppContext& ctx, FbConnection& cn, const Configuracoes& lidos, const Configuracoes& v,
           const QString& modo) {
  try {
    TransacaoEscopo transacao(cn);
    gravaConfiguracoes(cn, v, modo, proxyMudou(lidos, v));
    transacao.confirma();
    return true;
  } catch (...) {
    const QString erro = textoDaExcecao(std::current_exception());
    ctx.ui->showMessage(MessageIcon::Warning, kTituloAviso,
                        QString::fromUtf8("Ocorreu um erro durante a atualização:\r") + erro);
    return false;
  }
}

bool valida(const AppContext& ctx, FbConnection& cn, const Pedidos& pedidos, const QString& modo, Configuracoes& v) {
  if (!aplicaPastas(ctx, pedidos, v) || !aplicaProxy(pedidos, v) || !proxyCompleto(ctx, v) ||
      !aplicaUsuarios(ctx, cn, pedidos, modo, v))
    return false;
  FConectaBases(cn, true);  // the users list closes it when done
  return confirmaAdministrador(ctx, cn);
}

// NOMESERVIDOR names this computer: the window's designation, its question
// about another machine answered by --sim.
bool designa(const AppContext& ctx, FbConnection& cn, const Pedidos& pedidos) {
  if (!pedidos.contains("NOMESERVIDOR")) return true;
  const bool designado = FVerificaServidor(cn, ctx, FNomeComputador());
  FConectaBases(cn, true);  // the designation closes it when done
  if (!designado) recusa("NOMESERVIDOR: este computador não foi designado servidor.");
  return designado;
}

}  // namespace

bool InteracaoLinhaComando::askYesNo(const QString& caption, const QString& text, bool) {
  escreve(stderr, oneLine(caption, text) + (sim_ ? " [Sim]" : " [Não]"));
  return sim_;
}

int mostraConfiguracao(const AppContext& ctx) {
  FbConnection cn;
  if (!conecta(cn, ctx)) return kRecusado;
  try {
    Configuracoes c = leConfiguracoes(cn).valores;
    if (!c.SENHAPROXY.isEmpty()) c.SENHAPROXY = kSenhaOculta;
    for (const auto& [nome, valor] : porNome(c)) escreve(stdout, nome + "=" + *valor);
    escreve(stdout, "NOMESERVIDOR=" + c.NOMESERVIDOR);
    return 0;
  } catch (...) {
    recusa(textoDaExcecao(std::current_exception()));
    return kRecusado;
  }
}

int executaConfiguracao(const OpcoesPrograma& opcoes) {
  const QFileInfo exe(runningExecutablePath());
  OperationLog log(pastaDoLog(secaoAtualizacaoOuPadrao(exe.absolutePath()), exe.absolutePath()));
  InteracaoLinhaComando ui(opcoes.sim);
  const AppContext ctx{exe.absolutePath(), exe.fileName(), &log, &ui};
  return opcoes.mostraConfiguracao ? mostraConfiguracao(ctx) : alteraConfiguracao(ctx, opcoes.atribuicoes);
}

int alteraConfiguracao(const AppContext& ctx, const QStringList& atribuicoes) {
  std::optional<Pedidos> pedidos = leAtribuicoes(atribuicoes);
  if (!pedidos) return kNomeDesconhecido;
  if (!leSegredos(*pedidos)) return kRecusado;
  FbConnection cn;
  if (!conecta(cn, ctx)) return kRecusado;
  try {
    const ConfiguracoesLidas lidas = leConfiguracoes(cn);
    Configuracoes v = lidas.valores;
    if (!valida(ctx, cn, *pedidos, lidas.modoGravacao, v) || !designa(ctx, cn, *pedidos) ||
        !grava(ctx, cn, lidas.valores, v, lidas.modoGravacao))
      return kRecusado;
    PRegistraPastas(ctx, {v.CAMINHOVERSOES, v.CAMINHOLOCALBACKUP});
  } catch (...) {
    recusa(textoDaExcecao(std::current_exception()));
    return kRecusado;
  }
  gravaLog(ctx, "Configurações alteradas pela linha de comando: " + pedidos->keys().join(", "));
  escreve(stdout, "Dados gravados com sucesso!");
  return 0;
}

}  // namespace orvalto
