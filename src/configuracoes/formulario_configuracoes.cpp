#include "configuracoes/formulario_configuracoes.h"

#include "base/handler_guard.h"
#include "base/interaction.h"
#include "configuracoes/servidor_designado.h"
#include "configuracoes/titulos.h"
#include "db/database_connector.h"
#include "db/transactions.h"
#include "services/dm_web_service.h"
#include "update/configura_servicos.h"
#include "update/registro_pastas.h"

namespace orvalto {
namespace {

constexpr quint16 kTeclaEnter = 13;

#ifdef Q_OS_WIN
const char* const kPastaInicialSeletor = "c:\\OrvWinCs\\";
#else
const char* const kPastaInicialSeletor = "/";
#endif

const char* const kSemComunicacao = "Não houve comunicação com o WebService da WZQ. ";

QString semSeparadorFinal(QString pasta) {
  while (pasta.size() > 1 && (pasta.endsWith('/') || pasta.endsWith('\\'))) pasta.chop(1);
  return pasta;
}

// Closes the form's connection on every way out.
struct FechaAoSair {
  FbConnection& conexao;
  ~FechaAoSair() { FConectaBases(conexao, false); }
};

}  // namespace

FormularioConfiguracoes::FormularioConfiguracoes(DependenciasFormulario deps, QString& modoGravacao,
                                                 const quint16& ultimaTecla)
    : deps_(std::move(deps)), modoGravacao_(modoGravacao), ultimaTecla_(ultimaTecla) {}

CampoTexto& FormularioConfiguracoes::campo(CampoFormulario id) {
  switch (id) {
    case CampoFormulario::CAMINHOLOCALBACKUP: return CAMINHOLOCALBACKUP;
    case CampoFormulario::CAMINHOVERSOES: return CAMINHOVERSOES;
    case CampoFormulario::edtIpProxy: return edtIpProxy;
    case CampoFormulario::EdtPortaProxy: return EdtPortaProxy;
    case CampoFormulario::EdtUsuario: return EdtUsuario;
    case CampoFormulario::EdtSenha: break;
  }
  return EdtSenha;
}

FbConnection& FormularioConfiguracoes::conexao() {
  if (!conexao_.connected()) {
    const FbConnection& produto = deps_.conexaoProduto();
    conexao_.setParams(produto.location(), produto.user(), produto.password());
  }
  return conexao_;
}

void FormularioConfiguracoes::mudou() {
  if (aoMudar) aoMudar();
}

void FormularioConfiguracoes::avisa(const QString& texto) {
  if (deps_.ctx.ui) deps_.ctx.ui->showMessage(MessageIcon::Warning, kTituloAviso, texto);
}

void FormularioConfiguracoes::PCarregaConfiguracoes() {
  FbConnection& cn = conexao();
  FechaAoSair fecha{cn};
  FConectaBases(cn, true);
  carrega(leConfiguracoes(cn));
  cklistUsuariosAtualiza.PCarregaListaUsuarios(cn, deps_.ctx);
  mudou();
}

void FormularioConfiguracoes::carrega(const ConfiguracoesLidas& lidas) {
  const Configuracoes& v = lidas.valores;
  modoGravacao_ = lidas.modoGravacao;
  // An empty column leaves the field as it was.
  if (!v.CAMINHOLOCALBACKUP.isEmpty()) digita(CampoFormulario::CAMINHOLOCALBACKUP, v.CAMINHOLOCALBACKUP);
  if (!v.CAMINHOVERSOES.isEmpty()) digita(CampoFormulario::CAMINHOVERSOES, v.CAMINHOVERSOES);
  setChkProxy(v.USAPROXY == "S");
  if (ChkProxy) {
    edtIpProxy.texto = v.PROXY;
    EdtPortaProxy.texto = v.PORTAPROXY;
    setChkUsaAutenticacao(v.AUTENTICACAOPROXY == "S");
  }
  if (chkUsaAutenticacao) {
    digita(CampoFormulario::EdtUsuario, v.USUARIOPROXY);
    // Stored whole: the field's length limits typing only.
    EdtSenha.texto = v.SENHAPROXY;
    mudou();
  }
  carregado_ = valores();
}

bool FormularioConfiguracoes::FVerificaServidor() { return orvalto::FVerificaServidor(conexao(), deps_.ctx); }

void FormularioConfiguracoes::digita(CampoFormulario id, const QString& texto) {
  CampoTexto& c = campo(id);
  switch (id) {
    case CampoFormulario::CAMINHOLOCALBACKUP:
    case CampoFormulario::CAMINHOVERSOES:
      c.texto = textoDePasta(texto).left(kMaxPasta);
      c.vermelho = false;
      break;
    case CampoFormulario::EdtUsuario: c.texto = texto.toUpper(); break;
    case CampoFormulario::EdtSenha: c.texto = texto.left(kMaxSenhaProxy); break;
    default: c.texto = texto; break;
  }
  mudou();
}

void FormularioConfiguracoes::setChkProxy(bool marcado) {
  if (marcado == ChkProxy) return;
  ChkProxy = marcado;
  ChkProxyClick();
}

void FormularioConfiguracoes::setChkUsaAutenticacao(bool marcado) {
  if (marcado == chkUsaAutenticacao) return;
  chkUsaAutenticacao = marcado;
  chkUsaAutenticacaoClick();
}

void FormularioConfiguracoes::ChkProxyClick() {
  edtIpProxy.habilitado = EdtPortaProxy.habilitado = chkUsaAutenticacaoHabilitado = ChkProxy;
  if (!ChkProxy) {
    setChkUsaAutenticacao(false);
    edtIpProxy.texto.clear();
    EdtPortaProxy.texto.clear();
  }
  mudou();
}

void FormularioConfiguracoes::chkUsaAutenticacaoClick() {
  EdtUsuario.habilitado = EdtSenha.habilitado = chkUsaAutenticacao;
  if (!chkUsaAutenticacao) {
    EdtUsuario.texto.clear();
    EdtSenha.texto.clear();
  }
  mudou();
}

void FormularioConfiguracoes::marcaUsuario(int indice, bool marcado) {
  cklistUsuariosAtualiza.marca(indice, marcado);
  mudou();
}

void FormularioConfiguracoes::CAMINHOLOCALBACKUPExit() {
  // Only leaving with Enter validates; Tab and the mouse do not.
  if (ultimaTecla_ == kTeclaEnter) FValidaCaminhoBackup();
}

void FormularioConfiguracoes::CAMINHOVERSOESExit() {
  if (ultimaTecla_ == kTeclaEnter) FValidaCaminhoVersoes();
}

bool FormularioConfiguracoes::FValidaCaminhoBackup() {
  return valida(CampoFormulario::CAMINHOLOCALBACKUP, PastaConfigurada::Backup);
}

bool FormularioConfiguracoes::FValidaCaminhoVersoes() {
  return valida(CampoFormulario::CAMINHOVERSOES, PastaConfigurada::Versoes);
}

bool FormularioConfiguracoes::valida(CampoFormulario id, PastaConfigurada pasta) {
  CampoTexto& c = campo(id);
  // The field shows its trimmed text before any message.
  const QString aparado = textoDePasta(c.texto.trimmed());
  if (aparado != c.texto) digita(id, aparado);
  const ValidacaoPasta r = validaPasta(pasta, aparado, *deps_.ctx.ui, deRede);
  c.texto = r.texto;
  if (r.cor != CorTexto::Inalterada) c.vermelho = r.cor == CorTexto::Vermelha;
  mudou();
  if (!r.valida && focaCampo) focaCampo(id);
  return r.valida;
}

void FormularioConfiguracoes::OpenDiretorio(CampoFormulario id) {
  const QString escolhida = deps_.ctx.ui->pickFolder(QString::fromUtf8("Selecione a pasta"), kPastaInicialSeletor);
  if (escolhida.isEmpty()) return;
  digita(id, semSeparadorFinal(escolhida));
}

bool FormularioConfiguracoes::FSolicitaSenhaAdministrador() {
  if (!mostraSenhaAlcada) return false;
  FbConnection& cn = conexao();
  FechaAoSair fecha{cn};
  return mostraSenhaAlcada(cn);
}

Configuracoes FormularioConfiguracoes::valores() const {
  Configuracoes v;
  v.CAMINHOLOCALBACKUP = CAMINHOLOCALBACKUP.texto;
  v.CAMINHOVERSOES = CAMINHOVERSOES.texto;
  v.USUARIOSATUALIZAVERSAO = cklistUsuariosAtualiza.FRetornaUsuariosSelecionados();
  v.USAPROXY = ChkProxy ? "S" : "N";
  v.PROXY = edtIpProxy.texto;
  v.PORTAPROXY = EdtPortaProxy.texto;
  v.AUTENTICACAOPROXY = chkUsaAutenticacao ? "S" : "N";
  v.USUARIOPROXY = EdtUsuario.texto;
  v.SENHAPROXY = EdtSenha.texto;
  return v;
}

void FormularioConfiguracoes::PGravaConfiguracoes(FbConnection& cn) {
  const Configuracoes v = valores();
  gravaConfiguracoes(cn, v, modoGravacao_, !carregado_ || proxyMudou(*carregado_, v));
}

bool FormularioConfiguracoes::validaProxy() {
  const RecusaProxy r = orvalto::validaProxy(valores());
  if (r.texto.isEmpty()) return true;
  avisa(r.texto);
  if (focaCampo) focaCampo(r.campo == "PROXY" ? CampoFormulario::edtIpProxy : CampoFormulario::EdtPortaProxy);
  return false;
}

void FormularioConfiguracoes::btGravarClick() {
  if (!FValidaCaminhoBackup() || !FValidaCaminhoVersoes() || !validaProxy() || !FSolicitaSenhaAdministrador()) return;
  FbConnection& cn = conexao();
  QString erro;
  try {
    FConectaBases(cn, true);
    TransacaoEscopo transacao(cn);
    PGravaConfiguracoes(cn);
    transacao.confirma();
    // The row exists now: a second save must update it, not add another.
    modoGravacao_ = kModoAlteracao;
    carregado_ = valores();
  } catch (...) {
    erro = textoDaExcecao(std::current_exception());
  }
  FConectaBases(cn, false);
  if (erro.isEmpty()) PRegistraPastas(deps_.ctx, {CAMINHOVERSOES.texto, CAMINHOLOCALBACKUP.texto});
  if (!erro.isEmpty())
    avisa(QString::fromUtf8("Ocorreu um erro durante a atualização:\r") + erro);
  else
    deps_.ctx.ui->showMessage(MessageIcon::Information, kTituloInformacao, "Dados gravados com sucesso!");
}

void FormularioConfiguracoes::btTestarClick() {
  FbConnection& cn = conexao();
  FechaAoSair fecha{cn};
  try {
    FConectaBases(cn, true);
    std::shared_ptr<TDmWebService> servico = deps_.servicos->acquire();
    PConfiguraServicos(*servico, cn, deps_.ctx.exeDir);
    FConectaBases(cn, false);
    const bool comunicou = servico->FComunica();
    servico.reset();
    // The search releases the client at its end.
    if (deps_.buscaNovasVersoes) deps_.buscaNovasVersoes();
    if (comunicou)
      deps_.ctx.ui->showMessage(MessageIcon::Information, kTituloInformacao, "Conectado com sucesso ao WebService.");
    else
      avisa(QString::fromUtf8(kSemComunicacao) + "Motivo desconhecido.");
  } catch (...) {
    avisa(QString::fromUtf8(kSemComunicacao) + "Motivo:\r" + textoDaExcecao(std::current_exception()));
  }
}

}  // namespace orvalto
