#include "services/fornecedor.h"

#include "platform/ini_file.h"

#include <QFileInfo>

namespace orvalto {

Fornecedor fornecedorPadrao() {
  Fornecedor f;
  f.RegistroURL = "http://registro.orvalto.com.br:2020/WebRegistro/services";
  f.RegistroUsuario = "atualizadorws";
  f.RegistroSenha = "VKK3KM6KE0EWESY632EWO22KYW34Y8D6MF4DS802FEF0S30W8KDE0VY6YEK6W3SO";
  f.AutoAtualizacaoURL = "http://download.orvalto.com.br/downloadsversao/Orvalto.rar";
  f.SmtpHost = "smtp.orvalto.com.br";
  f.SmtpPorta = 25;
  f.SmtpUsuario = "notificacao@orvalto.com.br";
  f.SmtpSenha = "n0t1f1c4r";
  f.EmailSuporte = "suporte@orvalto.com.br";
  f.LogoURL = "http://www.orvalto.com.br/imagens/logo-orvalto.png";
  return f;
}

Fornecedor lerFornecedor(const QString& exeDir) {
  Fornecedor f = fornecedorPadrao();
  const QString path = exeDir + '/' + kArquivoAtualizadorIni;
  if (!QFileInfo::exists(path)) return f;
  const IniFile ini(path);
  const auto ler = [&](const char* chave, QString& campo) {
    if (ini.contains(kSecaoFornecedor, chave)) campo = ini.value(kSecaoFornecedor, chave);
  };
  ler("RegistroURL", f.RegistroURL);
  ler("RegistroUsuario", f.RegistroUsuario);
  ler("RegistroSenha", f.RegistroSenha);
  ler("AutoAtualizacaoURL", f.AutoAtualizacaoURL);
  ler("SmtpHost", f.SmtpHost);
  ler("SmtpUsuario", f.SmtpUsuario);
  ler("SmtpSenha", f.SmtpSenha);
  ler("EmailSuporte", f.EmailSuporte);
  ler("LogoURL", f.LogoURL);
  bool ok = false;
  const int porta = ini.value(kSecaoFornecedor, "SmtpPorta").trimmed().toInt(&ok);
  if (ok && porta > 0 && porta <= 65535) f.SmtpPorta = porta;
  return f;
}

}  // namespace orvalto
