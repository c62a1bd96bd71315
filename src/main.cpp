// orvalto-atualizador: the server-side updater of Orvalto.
#include "app/app_context.h"
#include "app/headless_interaction.h"
#include "app/operation_log.h"
#include "app/program_options.h"
#include "app/startup.h"
#include "gui/widget_interaction.h"
#include "platform/system.h"
#include "platform/termination.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

using namespace orvalto;

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  const ProgramOptions options = parseProgramOptions(arguments);
  if (options.help || !options.error.isEmpty()) {
    std::fprintf(stderr, "%s%s", options.error.isEmpty() ? "" : qPrintable(options.error + "\n"), qPrintable(usageText()));
    return options.help ? 0 : 2;
  }

  const bool headless = options.headless || !displayAvailable();
  std::unique_ptr<QCoreApplication> app(headless ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));

  const QFileInfo exe(runningExecutablePath());
  AppContext ctx{exe.absolutePath(), exe.fileName()};
  OperationLog log(ctx.exeDir);
  HeadlessInteraction headlessUi(nullptr);  // no log yet: a refused copy touches no file
  WidgetInteraction widgetUi;
  Interaction& ui = headless ? static_cast<Interaction&>(headlessUi) : widgetUi;

  // A restarted copy comes up while its predecessor is still ending.
  sleepMs(1000);
  if (outraCopiaAberta(ctx.exeName, ui)) return 0;

  headlessUi.setLog(&log);
  ctx.log = &log;
  ctx.ui = &ui;
  PInicializa(ctx);

  quitEventLoopOnTermination();
  return app->exec();
}
