#pragma once
// Where the program may fetch from or post to: only http and https, and
// only servers that match the installation's list (HostsPermitidos= in
// Atualizador.ini, or by default the maker's domain and the servers that
// Atualizador.ini names). An address kept in the database cannot choose
// a file of this machine or a server of its own. Every transfer (the web
// services, the packages) asks here before it starts and at each redirect.
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QNetworkReply;
class QNetworkRequest;

namespace orvalto {

inline constexpr const char* kChaveHostsPermitidos = "HostsPermitidos";
// The domain of every built-in address of the maker.
inline constexpr const char* kDominioFabricante = "orvalto.com.br";

class FontesPermitidas {
 public:
  // Host names, "*.domain" (any server below domain) and IP addresses.
  explicit FontesPermitidas(const QStringList& padroes);

  // The maker's domain and its subdomains.
  static FontesPermitidas doFabricante();
  // HostsPermitidos= of `exeDir`/Atualizador.ini when it lists something;
  // otherwise the maker's domain plus every server named in its section
  // "Fornecedor".
  static FontesPermitidas daInstalacao(const QString& exeDir);

  // Why `endereco` is refused; empty when it is allowed.
  QString motivoRecusa(const QUrl& endereco) const;
  const QStringList& padroes() const { return padroes_; }

 private:
  bool hostPermitido(const QString& host) const;

  QStringList padroes_;
};

// The rule of this process: the maker's domain until the program names its
// installation, whose Atualizador.ini is then read at each transfer (like
// every other value of that file, a change applies without a restart).
// Safe from any thread.
FontesPermitidas fontesPermitidas();
// A fixed rule (the tests that run the program's parts in their process).
void defineFontesPermitidas(const FontesPermitidas& fontes);
void defineFontesDaInstalacao(const QString& exeDir);

// "Endereço recusado: <address> (<reason>)", the password left out.
QString textoEnderecoRecusado(const QUrl& endereco, const QString& motivo);

// The process rule's refusal text for `endereco`; empty when allowed.
QString recusaEndereco(const QUrl& endereco);

// Makes `request` stop at every redirect for vigiaRedirecionamentos.
void redirecionamentoVerificado(QNetworkRequest& request);

// Follows each redirect of `reply` only when the process rule allows its
// target; otherwise calls `recusado` with the refusal text (naming the
// target and where it came from) and aborts the reply.
void vigiaRedirecionamentos(QNetworkReply* reply, std::function<void(const QString&)> recusado);

}  // namespace orvalto
