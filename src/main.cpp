// orvalto-atualizador: the server-side updater of Orvalto.
#include "app/comando_servico.h"
#include "app/configura_locais.h"
#include "app/configuracao_linha_comando.h"
#include "app/opcoes_programa.h"
#include "app/reinicio.h"
#include "app/startup.h"
#include "base/app_context.h"
#include "base/handler_guard.h"
#include "base/headless_interaction.h"
#include "base/operation_log.h"
#include "base/secao_atualizacao.h"
#include "gui/configura_locais_window.h"
#include "gui/widget_interaction.h"
#include "platform/diario_servico.h"
#include "platform/privilegios.h"
#include "platform/system.h"
#include "platform/termination.h"
#include "services/fontes_permitidas.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

using namespace orvalto;

int main(int argc, char** argv) {
  // Before anything touches a file: root never runs a file another user
  // could have replaced.
  const TrocaDeUsuario troca = trocaParaDonoDoExecutavel();
  if (troca.resultado == TrocaDeUsuario::Resultado::Falhou) {
    std::fprintf(stderr, "orvalto-atualizador: não foi possível deixar de ser root: %s\n", qPrintable(troca.mensagem));
    return 1;
  }
  if (!troca.mensagem.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(troca.mensagem));
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  const OpcoesPrograma options = leOpcoesPrograma(arguments);
  if (options.help || !options.error.isEmpty()) {
    std::fprintf(stderr, "%s%s", options.error.isEmpty() ? "" : qPrintable(options.error + "\n"),
                 qPrintable(textoUso()));
    return options.help ? 0 : 2;
  }
  // Before anything may reach the network: only the installation's sources.
  defineFontesDaInstalacao(QFileInfo(runningExecutablePath()).absolutePath());
  // The settings on the command line: no single-instance check, no port,
  // so that they work beside the running service.
  if (options.mostraConfiguracao || options.alteraConfiguracao) {
    QCoreApplication app(argc, argv);
    return executaConfiguracao(options);
  }
  if (options.comando != ComandoServico::Nenhum) {
    QCoreApplication app(argc, argv);
    return executaComandoServico(options);
  }

  installTerminationHandler();
  const bool semDisplay = options.headless || !displayAvailable();
  std::unique_ptr<QCoreApplication> app(semDisplay ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));
  // A desktop without a notification area could never bring the window
  // back: run as the service does.
  const bool headless = semDisplay || !QSystemTrayIcon::isSystemTrayAvailable();
  if (headless && !semDisplay) std::fprintf(stderr, "sem área de notificação: executando sem janelas\n");
  // Message boxes come and go while the window sits in the tray; the last
  // one closing must not end the program.
  if (!semDisplay) QApplication::setQuitOnLastWindowClosed(false);

  const QFileInfo exe(runningExecutablePath());
  AppContext ctx{exe.absolutePath(), exe.fileName()};
  const SecaoAtualizacao secao = secaoAtualizacaoOuPadrao(ctx.exeDir);
  OperationLog log(pastaDoLog(secao, ctx.exeDir));
  log.defineRetencao(secao.DiasLog);
  // Under the service manager a start-up that cannot serve ends with a
  // failure status (the journal says why), and the service manager tries
  // again; elsewhere the program runs on as it always has.
  const bool servico = sobGerenciadorDeServicos();
  log.espelhaNoDiario(servico);
  HeadlessInteraction headlessUi(nullptr);  // no log yet: a refused copy touches no file
  WidgetInteraction widgetUi;
  Interaction& ui = headless ? static_cast<Interaction&>(headlessUi) : widgetUi;

  // A restarted copy comes up while its predecessor is still ending.
  aguardaPredecessor();
  sleepMs(1000);
  if (outraCopiaAberta(ctx.exeName, ui)) return servico ? kSaidaFalhaInicio : 0;

  headlessUi.setLog(&log);
  ctx.log = &log;
  ctx.ui = &ui;
  if (!troca.mensagem.isEmpty()) gravaLog(ctx, troca.mensagem);
  const bool iniciou = PInicializa(ctx);
  if (terminationRequested()) return 0;
  if (!iniciou && servico) {
    gravaLog(ctx, QString::fromUtf8("Falha ao iniciar: o banco de dados não pôde ser aberto ou atualizado."),
             NivelLog::Erro);
    return kSaidaFalhaInicio;
  }

  TfrmConfiguraLocais frmConfiguraLocais(ctx, static_cast<quint16>(options.port));
  std::unique_ptr<ConfiguraLocaisWindow> janela;
  if (!headless) janela = std::make_unique<ConfiguraLocaisWindow>(frmConfiguraLocais, widgetUi);

  quitEventLoopOnTermination();
  const int resultado = app->exec();
  janela.reset();
  frmConfiguraLocais.FormDestroy();
  if (frmConfiguraLocais.ReiniciarAoTerminar) {
    PReiniciaPrograma(ctx, arguments);
    if (sobGerenciadorDeServicos()) return kSaidaReinicio;
  }
  return resultado;
}
