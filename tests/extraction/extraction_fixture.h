#pragma once
// A progress window of the extraction on an installation folder of its own
// (the library is written there), with a scripted interaction and a log,
// and a work folder where the test makes its archives.
#include "base/app_context.h"
#include "base/operation_log.h"
#include "db/firebird_connection.h"
#include "support/scripted_interaction.h"
#include "update/contexto_estagio.h"
#include "update/progresso_descompactado.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

namespace orvalto::test {

class ExtractionFixture : public ::testing::Test {
 protected:
  ExtractionFixture();

  // Makes `archive` in the work folder from `files` (path → bytes) with
  // the extra `rar` switches.
  QString makeArchive(const QString& archive, const QList<QPair<QString, QByteArray>>& files,
                      const QStringList& switches = {});
  // An empty folder of the work folder.
  QString folder(const QString& name);
  QString work(const QString& name) const { return work_.path() + "/" + name; }
  QStringList logLines() const;
  // Extracts with a fresh progress window.
  bool extract(const QString& archive, const QString& destination);

  QTemporaryDir exeDir_, work_;
  ScriptedInteraction ui_;
  std::unique_ptr<OperationLog> log_;
  AppContext ctx_;
  FbConnection semBanco_;
  std::unique_ptr<ContextoEstagio> contexto_;
};

}  // namespace orvalto::test
