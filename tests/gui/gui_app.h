#pragma once
// The widget tests share one QApplication, created before the first test;
// the helpers here answer the modal boxes the code under test opens.
#include <QString>


#include <functional>

class QMessageBox;
class QWidget;

namespace orvalto::test {

// Calls `answer` with the next modal message box as soon as it is open;
// `answer` must close it. Gives up after the time-out.
void whenMessageBoxOpens(std::function<void(QMessageBox*)> answer, int timeoutMs = 10000);

// The same for any modal window (a dialog of the program's own).
void whenModalOpens(std::function<void(QWidget*)> answer, int timeoutMs = 10000);

// Tests that need a real X server run again, alone, inside xvfb-run.
struct XvfbRun {
  bool available = false;  // xvfb-run is installed
  int exitCode = -1;
  QString output;
  bool passed() const { return exitCode == 0 && output.contains("[  PASSED  ] 1 test"); }
};

// True in the copy of the test program that runXvfb started.
bool insideXvfb();

// Runs the one test `filter` of this program on a virtual X server.
XvfbRun runInXvfb(const QString& filter);

}  // namespace orvalto::test
