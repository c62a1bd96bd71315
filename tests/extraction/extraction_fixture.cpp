#include "extraction_fixture.h"

#include "support/engine_fixture.h"
#include "support/qt_app.h"
#include "support/rar_archives.h"

#include <QDir>

namespace orvalto::test {

ExtractionFixture::ExtractionFixture() {
  ensureQtApp();
  log_ = std::make_unique<OperationLog>(exeDir_.path());
  ctx_ = AppContext{exeDir_.path(), "orvalto-atualizador", log_.get(), &ui_};
  contexto_ = std::make_unique<ContextoEstagio>(ctx_, nullptr, semBanco_);
}

QString ExtractionFixture::makeArchive(const QString& archive, const QList<QPair<QString, QByteArray>>& files,
                                       const QStringList& switches) {
  const QString staging = folder("staging-" + archive);
  QStringList names;
  for (const auto& [name, bytes] : files) {
    writeFile(staging + "/" + name, bytes);
    names.append(name);
  }
  runRar(staging, QStringList{"a"} + switches + QStringList{work(archive)} + names);
  return work(archive);
}

QString ExtractionFixture::folder(const QString& name) {
  QDir(work(name)).removeRecursively();
  QDir().mkpath(work(name));
  return work(name);
}

QStringList ExtractionFixture::logLines() const { return logLinesOf(*log_); }

bool ExtractionFixture::extract(const QString& archive, const QString& destination) {
  TfrmProgressoDescompactado janela(*contexto_);
  return janela.FDescompactaArquivo(archive, destination);
}

}  // namespace orvalto::test
