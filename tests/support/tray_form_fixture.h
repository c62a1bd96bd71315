#pragma once
// An installation folder for the tray window's behaviour: Caminho.ini
// pointing at a product database of the suite's own, the day's log in that
// folder, and the running test program playing the database guardian.
#include "base/app_context.h"
#include "base/operation_log.h"
#include "support/scripted_interaction.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include <functional>

namespace orvalto {
class TerminalServer;
class TfrmConfiguraLocais;
}  // namespace orvalto

namespace orvalto::test {

// The product database shared by the tests of one program run, created on
// the first call and removed when the program ends.
QString sharedTrayDatabase(const QString& name);

// Makes the guardian wait pass: the test program names itself the guardian.
void playGuardian();

// The window's server serves `pedido` (buscaPedida or atualizacaoPedida)
// with `corpo` instead of the window's own operation, the way the window
// would: after the read, inside the read's boundary.
void atendeNoLugar(TfrmConfiguraLocais& form, void (TerminalServer::*pedido)(), std::function<void()> corpo);

class TrayFolder {
 public:
  // `ui` null: a ScriptedInteraction of the folder's own.
  explicit TrayFolder(const QString& databaseLocation, Interaction* ui = nullptr);

  AppContext ctx;
  ScriptedInteraction scripted;
  QString path() const { return dir_.path(); }
  QString filePath(const QString& name) const { return dir_.filePath(name); }
  // Lines of today's log.
  QStringList logLines() const;

 private:
  QTemporaryDir dir_;
  std::unique_ptr<OperationLog> log_;
};

}  // namespace orvalto::test
