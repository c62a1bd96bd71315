#include "extraction/df_unrar.h"
#include "extraction/unrar_library.h"
#include "extraction_fixture.h"
#include "platform/dynamic_library.h"
#include "support/qt_app.h"
#include "support/rar_archives.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <sys/stat.h>

using namespace orvalto;
using namespace orvalto::test;

namespace {

int modeOf(const QString& path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

bool logHas(const QStringList& lines, const QString& start) {
  for (const QString& l : lines)
    if (l.startsWith(start)) return true;
  return false;
}

using Files = QList<QPair<QString, QByteArray>>;

}  // namespace

TEST(BibliotecaUnrar, WrittenBesideTheExecutableOnlyWhenMissingAndTheSystemsLoadedFirst) {
  ensureQtApp();
  QTemporaryDir vazia, comLixo;
  const QString gravada = vazia.path() + "/" + kArquivoUnrar;
  PGravaDllUnrar(vazia.path());
  EXPECT_TRUE(
      readFile(gravada).startsWith("\x7f"
                                   "ELF"));
  writeFile(comLixo.path() + "/" + kArquivoUnrar, "lixo");
  PGravaDllUnrar(comLixo.path());
  EXPECT_EQ(readFile(comLixo.path() + "/" + kArquivoUnrar), "lixo");

  ASSERT_FALSE(UnrarLibraryLoaded());
  // The system's copy gets the distribution's security updates: it wins
  // over the program's own whenever it is there.
  const bool sistemaTem = DynamicLibrary().load(kArquivoUnrar);
  ASSERT_TRUE(LoadUnrarLibrary(vazia.path()));
  EXPECT_EQ(ArquivoUnrarCarregado().startsWith(vazia.path()), !sistemaTem) << ArquivoUnrarCarregado().toStdString();
  // Every user holds a reference: the first to go does not unload it for
  // the others.
  ASSERT_TRUE(LoadUnrarLibrary(vazia.path()));
  UnloadUnrarLibrary();
  EXPECT_TRUE(UnrarLibraryLoaded());
  EXPECT_TRUE(EntradasUnrarCarregadas().completas());
  UnloadUnrarLibrary();
  EXPECT_FALSE(UnrarLibraryLoaded());
  EXPECT_EQ(EntradasUnrarCarregadas().RAROpenArchive, nullptr);
  UnloadUnrarLibrary();
  EXPECT_FALSE(UnrarLibraryLoaded());

  // What lies beside the executable is no library: the system's serves.
  ASSERT_TRUE(LoadUnrarLibrary(comLixo.path()));
  EXPECT_FALSE(ArquivoUnrarCarregado().startsWith(comLixo.path()));
  EXPECT_GT(TDFUnRar(comLixo.path()).DllVersion(), 0);
  UnloadUnrarLibrary();
}

TEST_F(ExtractionFixture, NormalSolidAndMultiVolumeArchivesComeOutWholeReplacingWhatIsThere) {
  const Files files = {{"Modulo.exe", noise(300000, 1)},
                       {QString::fromUtf8("Relatório.exe"), "relatorio"},
                       {"sub/Interno.exe", noise(5000, 2)},
                       {"sub/leia.txt", "leia"}};
  const QStringList kinds[] = {{"normal.rar", "normal.rar"},
                               {"solido.rar", "solido.rar", "-s"},
                               {"volumes.rar", "volumes.part1.rar", "-v100k", "-m0"}};
  for (const QStringList& kind : kinds) {
    makeArchive(kind[0], files, kind.mid(2));
    const QString dest = folder("dest-" + kind[0]);
    writeFile(dest + "/Modulo.exe", "versão anterior");
    auto outra = std::make_unique<TfrmProgressoDescompactado>(*contexto_);
    TfrmProgressoDescompactado janela(*contexto_);
    outra.reset();  // one window going does not take the library from another
    ui_.extractionPositions.clear();

    ASSERT_TRUE(janela.FDescompactaArquivo(work(kind[1]), dest)) << logLines().join("\n").toStdString();
    for (const auto& [name, bytes] : files) EXPECT_EQ(readFile(dest + "/" + name), bytes) << name.toStdString();
    // Four entries; a file's continuation in the next volume is no entry.
    EXPECT_EQ(ui_.extractionPositions, QList<int>({0, 25, 50, 75, 100})) << kind[0].toStdString();
    EXPECT_FALSE(ui_.extractionVisible);
    EXPECT_FALSE(janela.Timer1Ativo());
    EXPECT_EQ(janela.Progresso(), 0);
  }

  makeArchive("vazio.rar", {{"x.txt", "x"}});
  dropEntries(work("vazio.rar"));
  ui_.extractionPositions.clear();
  EXPECT_TRUE(extract(work("vazio.rar"), folder("dest-vazio")));
  EXPECT_EQ(ui_.extractionPositions, QList<int>({0}));
  EXPECT_TRUE(ui_.messages().isEmpty());
}

TEST_F(ExtractionFixture, DamagedCutIncompleteAndLockedArchivesAreFalseWithTheirCauseInTheLog) {
  const Files files = {{"A.exe", noise(1000, 3)}, {"B.exe", noise(200000, 4)}, {"C.exe", noise(1000, 5)}};
  const QByteArray whole = readFile(makeArchive("inteiro.rar", files, {"-m0"}));
  const int insideB = int(whole.indexOf("B.exe")) + 100000;
  auto variant = [&](const QString& name, const QByteArray& bytes) {
    writeFile(work(name), bytes);
    return work(name);
  };
  QByteArray flipped = whole;
  flipped[insideB] = char(flipped[insideB] ^ 0xFF);
  makeArchive("partes.rar", files, {"-v60k", "-m0"});
  QFile::remove(work("partes.part2.rar"));
  makeArchive("senha.rar", files, {"-psegredo"});
  makeArchive("cabecalhos.rar", files, {"-hpsegredo"});

  const QPair<QString, QString> cases[] = {
      {variant("danificado.rar", flipped), "resultado 12 da biblioteca UnRAR (dados danificados), entrada B.exe"},
      {variant("cortado.rar", whole.left(insideB)), "arquivo incompleto"},
      {variant("sem-fim.rar", whole.left(whole.indexOf("C.exe") + 2)), "arquivo incompleto"},
      {work("partes.part1.rar"), "resultado 15 da biblioteca UnRAR"},
      {work("senha.rar"), "resultado 22 da biblioteca UnRAR (senha não informada), entrada A.exe"},
      {work("cabecalhos.rar"), "resultado 22 da biblioteca UnRAR (senha não informada)"}};
  for (const auto& [archive, cause] : cases) {
    const QString dest = folder("dest-" + QFileInfo(archive).fileName());
    EXPECT_FALSE(extract(archive, dest)) << archive.toStdString();
    EXPECT_TRUE(logHas(logLines(), "FDescompactaArquivo: Erro ao descompactar o arquivo " + archive + ": " + cause))
        << logLines().join("\n").toStdString();
    EXPECT_FALSE(QFileInfo::exists(dest + "/B.exe")) << archive.toStdString();
  }
  EXPECT_TRUE(ui_.messages().isEmpty());

  // The password goes to the library as given.
  TDFUnRar componente(exeDir_.path());
  componente.FileName = work("senha.rar");
  componente.Directory = folder("dest-senha-dada");
  componente.Password = "errada";
  EXPECT_EQ(componente.Extract().codigo, 24);
  componente.Password = "segredo";
  EXPECT_TRUE(componente.Extract().completo());

  // Not an archive at all: the warning dialog.
  const QString texto = variant("texto.rar", "isto não é um arquivo RAR");
  EXPECT_FALSE(extract(texto, folder("dest-texto")));
  ASSERT_EQ(ui_.messages().size(), 1);
  EXPECT_EQ(ui_.messages()[0].caption, "Alerta");
  EXPECT_TRUE(ui_.messages()[0].text.startsWith("Ocorreu um erro ao tentar descompacta o arquivo " + texto + "\r"));
  EXPECT_TRUE(ui_.messages()[0].text.contains("resultado 13"));

  // No archive, or no folder: false, and not a word.
  const int lines = int(logLines().size());
  EXPECT_FALSE(extract(work("nao-existe.rar"), folder("dest-x")));
  EXPECT_FALSE(extract(work("inteiro.rar"), work("nao-existe")));
  EXPECT_EQ(logLines().size(), lines);
  EXPECT_EQ(ui_.messages().size(), 1);
}

TEST_F(ExtractionFixture, HostileEntriesNeverReachOutsideTheDestination) {
  const QString fora = folder("fora");
  makeArchive("sobe.rar", {{"ok.exe", "ok"}, {"xx/fora.txt", "fora"}});
  renameEntry(work("sobe.rar"), "xx/fora.txt", "../fora.txt");
  const QByteArray absoluto = QFile::encodeName(fora + "/abs.txt");
  makeArchive("absoluto.rar", {{QString(int(absoluto.size()), 'a'), "abs"}});
  renameEntry(work("absoluto.rar"), QByteArray(absoluto.size(), 'a'), absoluto);
  for (const auto& [name, target] : {QPair<QString, QString>{"ligacao-absoluta", fora}, {"ligacao-acima", "../fora"}}) {
    const QString staging = folder("staging-" + name);
    ASSERT_TRUE(QFile::link(target, staging + "/saida"));
    runRar(staging, {"a", "-ol", work(name + ".rar"), "saida"});
    writeFile(staging + "2/saida/escapou.txt", "escapou");
    runRar(staging + "2", {"a", work(name + ".rar"), "saida/escapou.txt"});
  }
  // A link already in the destination does not take an entry out either.
  makeArchive("atraves.rar", {{"saida/escapou.txt", "escapou"}});

  for (const QString& archive :
       {"sobe.rar", "absoluto.rar", "ligacao-absoluta.rar", "ligacao-acima.rar", "atraves.rar"}) {
    const QString dest = folder("dest-" + archive) + "/interna";
    QDir().mkpath(dest);
    if (archive == QLatin1String("atraves.rar")) ASSERT_TRUE(QFile::link(fora, dest + "/saida"));
    EXPECT_FALSE(extract(work(archive), dest)) << archive.toStdString();
    EXPECT_TRUE(logHas(logLines(),
                       "FDescompactaArquivo: Erro ao descompactar o arquivo " + work(archive) + ": entrada recusada"))
        << archive.toStdString();
    EXPECT_TRUE(QDir(fora).isEmpty()) << archive.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dest + "/../fora.txt"));
  }

  // Set-user-ID and world-writable modes do not survive the extraction.
  const QString staging = folder("staging-modos");
  writeFile(staging + "/Privilegiado.exe", "x", 04777);
  writeFile(staging + "/pasta/Grupo.exe", "y", 02755);
  runRar(staging, {"a", work("modos.rar"), "Privilegiado.exe", "pasta/Grupo.exe"});
  const QString dest = folder("dest-modos");
  ASSERT_TRUE(extract(work("modos.rar"), dest));
  EXPECT_EQ(modeOf(dest + "/Privilegiado.exe"), 0775);
  EXPECT_EQ(modeOf(dest + "/pasta/Grupo.exe"), 0755);
}

// More entries, or more unpacked bytes, than the installation allows (here
// 3 entries and 1 MiB): the extraction fails as usual and writes nothing.
TEST_F(ExtractionFixture, ArchivesOverTheLimitsAreRefusedBeforeAnythingIsWritten) {
  writeFile(exeDir_.path() + "/Atualizador.ini",
            "[Seguranca]\r\nLimiteEntradasPacote=3\r\nLimiteDescompactadoMB=1\r\n");
  makeArchive("muitas.rar", {{"a.exe", "a"}, {"b.exe", "b"}, {"c.exe", "c"}, {"d.exe", "d"}});
  makeArchive("grande.rar", {{"Grande.exe", noise(1100 * 1024, 3)}});
  const struct {
    const char* archive;
    QString cause;
  } cases[] = {{"muitas.rar", "limite de descompactação excedido: 4 entradas; o limite é 3"},
               {"grande.rar", "limite de descompactação excedido: 1126400 bytes descompactados; o limite é 1048576"}};
  for (const auto& c : cases) {
    const QString dest = folder(QString("dest-") + c.archive);
    EXPECT_FALSE(extract(work(c.archive), dest)) << c.archive;
    EXPECT_TRUE(
        logHas(logLines(), "FDescompactaArquivo: Erro ao descompactar o arquivo " + work(c.archive) + ": " + c.cause))
        << logLines().join("\n").toStdString();
    EXPECT_TRUE(QDir(dest).isEmpty()) << c.archive;
  }
  writeFile(exeDir_.path() + "/Atualizador.ini", "[Seguranca]\r\nLimiteEntradasPacote=4\r\n");
  EXPECT_TRUE(extract(work("muitas.rar"), folder("dest-dentro")));
}

TEST_F(ExtractionFixture, TheBarGrowsOneTickAtATimeAndStartsAgainAfter79) {
  TfrmProgressoDescompactado janela(*contexto_);
  for (int tick = 0; tick < 79; ++tick) janela.Timer1Timer();
  EXPECT_EQ(janela.LbMensagem(), QString(79, '|'));
  janela.Timer1Timer();
  EXPECT_EQ(janela.LbMensagem(), "|");
  EXPECT_EQ(ui_.extractionBar, "|");
  // Progress outside an extraction moves nothing.
  janela.DFUnRar1Progress(1, 4);
  EXPECT_EQ(janela.Progresso(), 0);
}

TEST_F(ExtractionFixture, EventsAreServedWhileAnEntryIsWrittenAndOnlyOneExtractionRunsAtATime) {
  makeArchive("grande.rar", {{"Grande.exe", noise(64 << 20, 7)}}, {"-m0"});
  TfrmProgressoDescompactado janela(*contexto_);
  bool servedDuring = false, nested = true;
  QTimer::singleShot(0, [&] {
    servedDuring = janela.EmDescompactacao();
    nested = janela.FDescompactaArquivo(work("grande.rar"), folder("outra"));
  });
  EXPECT_TRUE(janela.FDescompactaArquivo(work("grande.rar"), folder("dest")));
  EXPECT_TRUE(servedDuring);
  EXPECT_FALSE(nested);
  EXPECT_EQ(readFile(work("dest/Grande.exe")).size(), 64 << 20);

  makeArchive("pequeno.rar", {{"A.exe", "a"}, {"B.exe", "b"}});
  TDFUnRar primeiro(exeDir_.path()), segundo(exeDir_.path());
  primeiro.FileName = segundo.FileName = work("pequeno.rar");
  primeiro.Directory = segundo.Directory = folder("dest-pequeno");
  int codigoDoSegundo = 0;
  primeiro.OnProgress = [&](quint32, quint32) { codigoDoSegundo = segundo.Extract().codigo; };
  EXPECT_TRUE(primeiro.Extract().completo());
  EXPECT_EQ(codigoDoSegundo, kOutraExtracao);
  EXPECT_TRUE(segundo.Extract().completo());
}
