#include "gui_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

namespace orvalto::test {
namespace {

// Ended before the program's static objects go: the input devices the
// test key events create die with the application and need it whole.
struct GuiApplication : ::testing::Environment {
  void SetUp() override {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
  }
  void TearDown() override { app_.reset(); }

  std::unique_ptr<QApplication> app_;
};

const char* const kXvfbChild = "ORVALTO_XVFB_CHILD";

[[maybe_unused]] const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new GuiApplication);

void poll(const std::shared_ptr<QElapsedTimer>& clock, std::function<bool(QWidget*)> answer, int timeoutMs) {
  if (QWidget* modal = QApplication::activeModalWidget(); modal && answer(modal)) return;
  if (clock->elapsed() > timeoutMs) return;
  QTimer::singleShot(10, [=] { poll(clock, answer, timeoutMs); });
}

void startPolling(std::function<bool(QWidget*)> answer, int timeoutMs) {
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QTimer::singleShot(10, [=] { poll(clock, answer, timeoutMs); });
}

}  // namespace

void whenMessageBoxOpens(std::function<void(QMessageBox*)> answer, int timeoutMs) {
  const auto box = [answer](QWidget* modal) {
    auto* message = qobject_cast<QMessageBox*>(modal);
    if (message) answer(message);
    return message != nullptr;
  };
  startPolling(box, timeoutMs);
}

void whenModalOpens(std::function<void(QWidget*)> answer, int timeoutMs) {
  startPolling(
      [answer](QWidget* modal) {
        answer(modal);
        return true;
      },
      timeoutMs);
}

bool insideXvfb() { return qgetenv(kXvfbChild) == "1"; }

XvfbRun runInXvfb(const QString& filter) {
  XvfbRun run;
  const QString xvfbRun = QStandardPaths::findExecutable("xvfb-run");
  if (xvfbRun.isEmpty()) return run;
  run.available = true;
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(kXvfbChild, "1");
  env.insert("QT_QPA_PLATFORM", "xcb");
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(xvfbRun, {"-a", "-s", "-screen 0 1024x768x24", QCoreApplication::applicationFilePath(),
                        "--gtest_filter=" + filter});
  if (!child.waitForFinished(120000)) child.kill();
  run.exitCode = child.exitCode();
  run.output = QString::fromUtf8(child.readAll());
  return run;
}

}  // namespace orvalto::test
