#include "gui_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
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

}  // namespace orvalto::test
