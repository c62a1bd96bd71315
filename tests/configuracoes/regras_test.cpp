// The settings console's rules that need no window: the product password's
// stored form, the stored users list, network mounts and the folder checks.
#include "configuracoes/lista_usuarios.h"
#include "configuracoes/senha_produto.h"
#include "configuracoes/validacao_pasta.h"
#include "support/product_users.h"
#include "support/scripted_interaction.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using namespace orvalto;

TEST(SenhaProduto, DecodesReversedThreeDigitGroupsAndFailsOnAShortOrBrokenText) {
  EXPECT_EQ(FDecodificaSenha("099098097", 3), "abc");
  const QString padded = "032032032032032099098097";
  EXPECT_EQ(FDecodificaSenha(padded, 8), "abc     ");
  EXPECT_EQ(aparaSenha(FDecodificaSenha(padded, 8)), "abc");
  EXPECT_EQ(FDecodificaSenha(test::storedProductPassword(QString::fromUtf8("SÃO1")), 8).trimmed(),
            QString::fromUtf8("SÃO1"));
  EXPECT_THROW(FDecodificaSenha("099098097", 8), ErroConversao);
  EXPECT_THROW(FDecodificaSenha("0320320320320320990x8097", 8), ErroConversao);
}

TEST(ListaUsuarios, StoredTextSplitsAtCommasAndLineBreaksButNotInsideQuotes) {
  EXPECT_EQ(separaUsuarios("MESTRE,JOAO,,MARIA"), QStringList({"MESTRE", "JOAO", "MARIA"}));
  EXPECT_EQ(separaUsuarios("ANA\r\nBIA\nCAIO"), QStringList({"ANA", "BIA", "CAIO"}));
  EXPECT_EQ(separaUsuarios("'A,B',\"C,D\",E"), QStringList({"'A,B'", "\"C,D\"", "E"}));
  EXPECT_TRUE(separaUsuarios(",,\n").isEmpty());
}

TEST(CaminhoDeRede, TheDeepestMountDecidesAndEscapedBlanksAreRead) {
  const QByteArray mounts =
      "/dev/sda1 / ext4 rw 0 0\n"
      "//nas/versoes /mnt/versoes cifs rw 0 0\n"
      "/dev/sdb1 /mnt/versoes/local ext4 rw 0 0\n"
      "srv:/export /srv/pasta\\040nfs nfs4 rw 0 0\n";
  EXPECT_TRUE(pastaEmMontagemDeRede("/mnt/versoes", mounts));
  EXPECT_TRUE(pastaEmMontagemDeRede("/mnt/versoes/modulos", mounts));
  EXPECT_FALSE(pastaEmMontagemDeRede("/mnt/versoes/local/x", mounts));
  EXPECT_FALSE(pastaEmMontagemDeRede("/mnt/versoes2", mounts));
  EXPECT_TRUE(pastaEmMontagemDeRede("/srv/pasta nfs/v", mounts));
  EXPECT_FALSE(pastaEmMontagemDeRede("/tmp", mounts));
}

TEST(ValidacaoPasta, TrimsWarnsAsksAndEndsWithTheSeparator) {
  QTemporaryDir dir;
  ScriptedInteraction ui;
  const auto local = [](const QString&) { return false; };

  ValidacaoPasta r = validaPasta(PastaConfigurada::Backup, "  " + dir.path() + " ", ui, local);
  EXPECT_TRUE(r.valida);
  EXPECT_EQ(r.texto, dir.path() + "/");
  EXPECT_EQ(r.cor, CorTexto::Preta);
  EXPECT_TRUE(ui.shown().isEmpty());  // the backup folder is never asked about

  r = validaPasta(PastaConfigurada::Backup, "   ", ui, local);
  EXPECT_FALSE(r.valida);
  EXPECT_EQ(ui.shown().last().text,
            QString::fromUtf8("Caminho para armazenamento de backup’s não pode ficar em branco."));

  r = validaPasta(PastaConfigurada::Versoes, dir.path() + "/nada", ui, local);
  EXPECT_FALSE(r.valida);
  EXPECT_EQ(r.cor, CorTexto::Vermelha);
  EXPECT_EQ(ui.shown().last().text, QString::fromUtf8("Caminho para armazenamento de versões não foi encontrado."));

  ui.clear();
  r = validaPasta(PastaConfigurada::Versoes, dir.path(), ui, local);  // no answer queued: No
  EXPECT_FALSE(r.valida);
  EXPECT_EQ(r.cor, CorTexto::Inalterada);
  ASSERT_EQ(ui.shown().size(), 1);
  EXPECT_EQ(ui.shown().first().kind, "question");
  EXPECT_EQ(
      ui.shown().first().text.split('\r'),
      QStringList({QString::fromUtf8("O caminho para armazenamento de versões informado não é um caminho de rede."),
                   QString::fromUtf8("Caso existam terminais que acessem este servidor, deverá ser informado um  "),
                   "caminho de rede para acesso a pasta. EX: \"\\\\SERVIDOR\\VERSOES\\\".",
                   "Deseja gravar o caminho informado?"}));

  ui.clear();
  r = validaPasta(PastaConfigurada::Versoes, dir.path() + "/", ui, [](const QString&) { return true; });
  EXPECT_TRUE(r.valida);
  EXPECT_EQ(r.texto, dir.path() + "/");
  EXPECT_TRUE(ui.shown().isEmpty());
}
