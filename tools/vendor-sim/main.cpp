// orvalto-vendor-sim: plays the maker's registration, version-history,
// download and mail servers on 127.0.0.1 for tests and the demo.
#include "http_server.h"
#include "options.h"
#include "request_record.h"
#include "scenario.h"
#include "smtp_server.h"

#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <thread>

using namespace vendorsim;

namespace {

// Blocks the stop signals in every thread, so that only the main thread's
// sigwait sees them.
sigset_t blockStopSignals() {
  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, SIGTERM);
  sigaddset(&stopSet, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSet, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return stopSet;
}

int fail(const QString& message) {
  std::fprintf(stderr, "orvalto-vendor-sim: %s\n", qPrintable(message));
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QString error;
  const std::optional<Options> options = parseOptions(argc, argv, &error);
  if (!options) {
    std::fputs(usageText(), stderr);
    return fail(error);
  }
  std::optional<Scenario> scenario = loadScenarioFile(options->scenarioFile, &error);
  if (!scenario) return fail(error);

  const sigset_t stopSignals = blockStopSignals();
  ScenarioStore store(options->scenarioFile, std::move(*scenario));
  RequestRecord record(options->recordFile);
  MailBox mailBox(options->mailDir, record);
  SimHttpServer http(store, record, options->packagesDir, options->signKey, options->verbose);
  SmtpServer smtp(store, mailBox);

  const int httpPort = http.bind(options->httpPort);
  if (httpPort < 0) return fail(QStringLiteral("cannot listen on HTTP port %1").arg(options->httpPort));
  const int smtpPort = smtp.bind(options->smtpPort);
  if (smtpPort < 0) return fail(QStringLiteral("cannot listen on SMTP port %1").arg(options->smtpPort));

  std::thread httpThread([&http] { http.run(); });
  std::thread smtpThread([&smtp] { smtp.run(); });
  std::printf("READY http=%d smtp=%d\n", httpPort, smtpPort);
  std::fflush(stdout);

  int received = 0;
  sigwait(&stopSignals, &received);
  http.stop();
  smtp.stop();
  httpThread.join();
  smtpThread.join();
  return 0;
}
