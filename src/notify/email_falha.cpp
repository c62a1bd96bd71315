#include "notify/email_falha.h"

#include "base/secao_atualizacao.h"
#include "notify/envia_email.h"
#include "services/fornecedor.h"

namespace orvalto {

QString assuntoEmailFalha(FalhaAtualizacao falha) {
  return falha == FalhaAtualizacao::Pastas ? QString::fromUtf8("Erro Atualização Automática")
                                           : QString::fromUtf8("Erro Backup Automático");
}

QString textoEmailFalha(FalhaAtualizacao falha, const DadosEmpresa& empresa) {
  const char* abertura = "";
  switch (falha) {
    case FalhaAtualizacao::Pastas:
      abertura =
          "Não foi possível realizar a atualização automática! Configurações de pastas para armazenamento de "
          "backups não informadas corretamente. Cliente: ";
      break;
    case FalhaAtualizacao::Download:
      abertura =
          "Não foi possível realizar a atualização automática! Houve um erro ao fazer o download de versões. "
          "Cliente: ";
      break;
    case FalhaAtualizacao::Base:
      abertura = "Houve um erro ao atualizar a base de dados na realização da atualização automática! . Cliente: ";
      break;
    case FalhaAtualizacao::Executaveis:
      abertura =
          "Houve um erro ao atualizar executáveis do servidor na realização da atualização automática! . "
          "Cliente: ";
      break;
  }
  return QString::fromUtf8(abertura) + empresa.RazaoEmpresa + " Filial:" + empresa.CodEmpresa + "-" +
         empresa.NomeEmpresa + " CNPJ: " + empresa.CnpjEmpresa;
}

bool EnviaEmailFalha(TFEnviaEmail& email, FalhaAtualizacao falha, const DadosEmpresa& empresa) {
  return email.FEnviarMensagem(lerFornecedor(email.exeDir()).EmailSuporte, assuntoEmailFalha(falha),
                               textoEmailFalha(falha, empresa), lerSecaoAtualizacao(email.exeDir()).EmailCopia);
}

}  // namespace orvalto
