#pragma once
// The widget tests share one QApplication, created before the first test;
// the helpers here answer the modal boxes the code under test opens.
#include <functional>

class QMessageBox;
class QWidget;

namespace orvalto::test {

// Calls `answer` with the next modal message box as soon as it is open;
// `answer` must close it. Gives up after the time-out.
void whenMessageBoxOpens(std::function<void(QMessageBox*)> answer, int timeoutMs = 10000);

// The same for any modal window (a dialog of the program's own).
void whenModalOpens(std::function<void(QWidget*)> answer, int timeoutMs = 10000);

}  // namespace orvalto::test
