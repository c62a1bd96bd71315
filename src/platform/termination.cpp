#include "platform/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>
#include <atomic>
#include <csignal>

namespace orvalto {
namespace {

int signalPipe[2] = {-1, -1};
std::atomic<bool> requested{false};
int retencoes = 0;

void onSignal(int) {
  requested = true;
  const char byte = 1;
  if (signalPipe[1] >= 0) [[maybe_unused]]
    const auto written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void installTerminationHandler() {
  if (signalPipe[0] < 0) ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe);
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  // A parent may have started us with these signals blocked (the mask is
  // inherited): unblock them, or a stop request would wait forever.
  sigset_t wanted;
  sigemptyset(&wanted);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    sigaction(sig, &action, nullptr);
    sigaddset(&wanted, sig);
  }
  pthread_sigmask(SIG_UNBLOCK, &wanted, nullptr);
}

bool terminationRequested() { return requested; }

void quitEventLoopOnTermination() {
  installTerminationHandler();
  static QSocketNotifier* notifier = nullptr;
  if (notifier || signalPipe[0] < 0) return;
  notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] {
    char byte;
    [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
    if (retencoes == 0) QCoreApplication::quit();
  });
  // A signal that came before the loop ran is still waiting in the pipe.
}

RetencaoTermino::RetencaoTermino() { ++retencoes; }

RetencaoTermino::~RetencaoTermino() {
  // Queued: whoever released it finishes its own work first.
  if (--retencoes == 0 && requested && QCoreApplication::instance())
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
}

}  // namespace orvalto
