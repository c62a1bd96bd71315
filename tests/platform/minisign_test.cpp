#include "platform/minisign.h"
#include "support/chave_minisign.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace orvalto;
using namespace orvalto::minisign;
using orvalto::test::ChaveMinisign;

namespace {

void grava(const QString& caminho, const QByteArray& conteudo) {
  QFile f(caminho);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(conteudo);
}

}  // namespace

// Signatures made by the minisign tool, both forms, against the checks that
// matter: the file, the trusted comment and the key.
TEST(Minisign, ChecksToolMadeSignaturesOfBothForms) {
  const ChaveMinisign chave, outra;
  QTemporaryDir dir;
  const QString pacote = dir.filePath("PDV.rar");
  grava(pacote, QByteArray(200 * 1024, 'p'));

  const std::optional<ChavePublica> publica = lerChavePublica(chave.arquivoPub());
  ASSERT_TRUE(publica);
  EXPECT_EQ(lerChavePublica(chave.publica())->chave, publica->chave);
  EXPECT_TRUE(chave.arquivoPub().contains(textoId(publica->id).toLatin1()));
  EXPECT_FALSE(lerChavePublica("RWQ não é base64"));

  for (const bool legado : {false, true}) {
    const QByteArray texto = chave.assina(pacote, legado);
    QString motivo;
    const std::optional<Assinatura> a = lerAssinatura(texto, &motivo);
    ASSERT_TRUE(a) << motivo.toStdString();
    EXPECT_EQ(a->preHash, !legado);
    EXPECT_EQ(verificaArquivo(*a, {*publica}, pacote), Verificacao::Valida);
    EXPECT_EQ(verificaArquivo(*a, {*lerChavePublica(outra.publica())}, pacote, &motivo),
              Verificacao::ChaveNaoConfiavel);
    EXPECT_TRUE(motivo.contains(textoId(publica->id)));

    Assinatura comentarioTrocado = *a;
    comentarioTrocado.comentarioConfiavel += " editado";
    EXPECT_EQ(verificaArquivo(comentarioTrocado, {*publica}, pacote), Verificacao::Invalida);
  }

  const std::optional<Assinatura> a = lerAssinatura(chave.assina(pacote));
  grava(pacote, QByteArray(200 * 1024, 'q'));
  EXPECT_EQ(verificaArquivo(*a, {*publica}, pacote), Verificacao::Invalida);
  EXPECT_FALSE(lerAssinatura("<html>404</html>"));
}
