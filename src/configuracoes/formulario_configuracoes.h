#pragma once
// The settings form of the tray window, without widgets: the two folders,
// the proxy of the web-service connection, the users allowed to update, the
// connection test and the save behind the administrator's password. The
// window shows this state, forwards its events here and is told when to
// show the state again, which field takes the focus and when to ask for the
// password.
//
// The form reads and writes through a connection of its own, made with the
// update engine's connection settings: a save or a load made while a search
// or an update waits on the network then never commits, rolls back or
// closes what that one holds.
#include "base/app_context.h"
#include "configuracoes/configuracoes_gravadas.h"
#include "configuracoes/lista_usuarios.h"
#include "configuracoes/validacao_pasta.h"
#include "db/firebird_connection.h"

#include <QString>

#include <functional>
#include <optional>

namespace orvalto {

class SharedWebService;

enum class CampoFormulario { CAMINHOLOCALBACKUP, CAMINHOVERSOES, edtIpProxy, EdtPortaProxy, EdtUsuario, EdtSenha };

struct CampoTexto {
  QString texto;
  bool habilitado = true;  // its label goes with it
  bool vermelho = false;   // text colour red instead of black
};

struct DependenciasFormulario {
  AppContext ctx;
  // The update engine's connection, whose settings the form's own copies.
  std::function<const FbConnection&()> conexaoProduto;
  SharedWebService* servicos = nullptr;
  // The search for new versions that follows the connection test.
  std::function<void()> buscaNovasVersoes;
};

class FormularioConfiguracoes {
 public:
  static constexpr int kMaxPasta = 255;
  static constexpr int kMaxSenhaProxy = 9;

  // `modoGravacao` and `ultimaTecla` are the window's ModoGravacao and
  // UltimaTecla.
  FormularioConfiguracoes(DependenciasFormulario deps, QString& modoGravacao, const quint16& ultimaTecla);

  CampoTexto CAMINHOLOCALBACKUP;
  CampoTexto CAMINHOVERSOES;
  bool ChkProxy = false;
  CampoTexto edtIpProxy{{}, false};
  CampoTexto EdtPortaProxy{{}, false};
  bool chkUsaAutenticacao = false;
  bool chkUsaAutenticacaoHabilitado = false;
  CampoTexto EdtUsuario{{}, false};
  CampoTexto EdtSenha{{}, false};
  ListaUsuarios cklistUsuariosAtualiza;

  // What the window supplies.
  std::function<void()> aoMudar;                         // show the state again
  std::function<void(CampoFormulario)> focaCampo;        // move the focus there
  std::function<bool(FbConnection&)> mostraSenhaAlcada;  // the password dialog, modal; true: confirmed
  // Whether a folder is a network path (tests replace it).
  std::function<bool(const QString&)> deRede = caminhoDeRede;

  // Loading when the window is shown; errors reach the caller, the
  // connection is closed in every case.
  void PCarregaConfiguracoes();
  // True when this computer is the designated server (it may just have
  // become so).
  bool FVerificaServidor();

  // The person's actions.
  void digita(CampoFormulario campo, const QString& texto);
  void setChkProxy(bool marcado);
  void setChkUsaAutenticacao(bool marcado);
  void marcaUsuario(int indice, bool marcado);
  void CAMINHOLOCALBACKUPExit();
  void CAMINHOVERSOESExit();
  void OpenDiretorio(CampoFormulario campo);
  void btGravarClick();
  void btTestarClick();

  bool FValidaCaminhoBackup();
  bool FValidaCaminhoVersoes();
  bool FSolicitaSenhaAdministrador();
  // The statements of a save on an open connection, inside the caller's
  // transaction.
  void PGravaConfiguracoes(FbConnection& conexao);
  // The values a save writes.
  Configuracoes valores() const;

  const QString& ModoGravacao() const { return modoGravacao_; }

 private:
  CampoTexto& campo(CampoFormulario id);
  FbConnection& conexao();
  void ChkProxyClick();
  void chkUsaAutenticacaoClick();
  void carrega(const ConfiguracoesLidas& lidas);
  bool valida(CampoFormulario id, PastaConfigurada pasta);
  bool validaProxy();
  void avisa(const QString& texto);
  void mudou();

  DependenciasFormulario deps_;
  QString& modoGravacao_;
  const quint16& ultimaTecla_;
  FbConnection conexao_;
  // The proxy as the last load showed it: a save leaves PARALOGIN alone
  // unless the person changed it.
  std::optional<Configuracoes> carregado_;
};

}  // namespace orvalto
