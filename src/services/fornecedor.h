#pragma once
// The maker's fixed values: the newer registration endpoint and its
// account, the self-update package, the mail account and the support
// mailbox. Each is built in and may be replaced by a key of the section
// "Fornecedor" of an optional Atualizador.ini beside the executable, which
// is how tests and demonstrations point the updater at their own servers.
#include <QString>

namespace orvalto {

inline constexpr const char* kArquivoAtualizadorIni = "Atualizador.ini";
inline constexpr const char* kSecaoFornecedor = "Fornecedor";

struct Fornecedor {
  QString RegistroURL;  // base address of the newer registration endpoint
  QString RegistroUsuario;
  QString RegistroSenha;  // scrambled with the service key, as stored
  QString AutoAtualizacaoURL;
  QString SmtpHost;
  int SmtpPorta = 25;
  QString SmtpUsuario;  // also the sender of every mail
  QString SmtpSenha;
  QString EmailSuporte;  // recipient of failure mails
  QString LogoURL;
};

// The built-in values.
Fornecedor fornecedorPadrao();

// The built-in values with the keys present in `exeDir`/Atualizador.ini in
// their place (a present key wins even when empty; a port that is not a
// number keeps the built-in one). No file: the built-in values. A file
// that exists but cannot be read throws std::runtime_error.
Fornecedor lerFornecedor(const QString& exeDir);

}  // namespace orvalto
