#pragma once
// The settings as the product database keeps them: the row of VERSOESCAB
// (folders, users allowed to update, the proxy switch, the designated
// server) and the proxy of PARALOGIN. The settings window and the command
// line read and write them through here.
#include <QString>

namespace orvalto {

class FbConnection;

inline constexpr const char* kModoInclusao = "I";   // VERSOESCAB has no row yet
inline constexpr const char* kModoAlteracao = "A";  // its one row is updated

// Every value as text; flags are "S" or "N" (empty when never stored).
// SENHAPROXY is the plain password: it is stored scrambled with the
// service key, which the web-service client unscrambles.
struct Configuracoes {
  QString CAMINHOLOCALBACKUP;
  QString CAMINHOVERSOES;
  QString USAPROXY;
  QString PROXY;
  QString PORTAPROXY;
  QString AUTENTICACAOPROXY;
  QString USUARIOPROXY;
  QString SENHAPROXY;
  QString USUARIOSATUALIZAVERSAO;
  QString NOMESERVIDOR;  // read only here: designated through servidor_designado
};

struct ConfiguracoesLidas {
  Configuracoes valores;
  QString modoGravacao;  // kModoInclusao or kModoAlteracao
};

// The first rows of VERSOESCAB and PARALOGIN, on an open connection.
ConfiguracoesLidas leConfiguracoes(FbConnection& conexao);

// The statements of one save, inside the caller's transaction: VERSOESCAB's
// row inserted (mode "I") or updated and, when `gravaProxy`, PARALOGIN's
// proxy switch and, with the proxy on, its address and credentials. With
// the proxy off the rest of PARALOGIN is left as it was; without
// `gravaProxy` all of PARALOGIN is (the product may have set it itself).
void gravaConfiguracoes(FbConnection& conexao, const Configuracoes& valores, const QString& modoGravacao,
                        bool gravaProxy = true);

// True when any proxy value (switch, address, port, authentication, user,
// password) differs between the two.
bool proxyMudou(const Configuracoes& antes, const Configuracoes& depois);

// Why a proxy that is switched on cannot be saved (no address, a port
// outside 1 to 65535), or empty when it can; `campo` names the setting.
struct RecusaProxy {
  QString texto;
  QString campo;  // "PROXY" or "PORTAPROXY"
};
RecusaProxy validaProxy(const Configuracoes& valores);

}  // namespace orvalto
