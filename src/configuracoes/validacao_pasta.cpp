#include "configuracoes/validacao_pasta.h"

#include "base/interaction.h"
#include "configuracoes/titulos.h"
#include "platform/files.h"

namespace orvalto {
namespace {

struct Textos {
  const char* emBranco;
  const char* naoEncontrado;
};

Textos textos(PastaConfigurada pasta) {
  if (pasta == PastaConfigurada::Backup)
    return {"Caminho para armazenamento de backup’s não pode ficar em branco.",
            "Caminho para armazenamento de backup’s não foi encontrado."};
  return {"Caminho para armazenamento de versões não pode ficar em branco.",
          "Caminho para armazenamento de versões não foi encontrado."};
}

}  // namespace

QString textoDePasta(const QString& digitado) {
#ifdef Q_OS_WIN
  return digitado.toUpper();
#else
  return digitado;
#endif
}

QString perguntaCaminhoLocal() {
  return QStringLiteral(
      "O caminho para armazenamento de versões informado não é um caminho de rede.\r"
      "Caso existam terminais que acessem este servidor, deverá ser informado um  \r"
      "caminho de rede para acesso a pasta. EX: \"\\\\SERVIDOR\\VERSOES\\\".\r"
      "Deseja gravar o caminho informado?");
}

ValidacaoPasta validaPasta(PastaConfigurada pasta, const QString& texto, Interaction& ui,
                           const std::function<bool(const QString&)>& deRede) {
  ValidacaoPasta r;
  r.texto = textoDePasta(texto.trimmed());
  // Putting the trimmed text back is a change of the field: black again.
  if (r.texto != texto) r.cor = CorTexto::Preta;
  if (r.texto.isEmpty()) {
    ui.showMessage(MessageIcon::Warning, kTituloAviso, textos(pasta).emBranco);
    return r;
  }
  if (!folderExists(r.texto)) {
    ui.showMessage(MessageIcon::Warning, kTituloAviso, textos(pasta).naoEncontrado);
    r.cor = CorTexto::Vermelha;
    return r;
  }
  if (pasta == PastaConfigurada::Versoes && !deRede(r.texto) &&
      !ui.askYesNo(kTituloConfirmacao, perguntaCaminhoLocal(), false))
    return r;
  r.texto = withSeparator(r.texto);
  r.cor = CorTexto::Preta;
  r.valida = true;
  return r;
}

}  // namespace orvalto
