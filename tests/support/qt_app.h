#pragma once
// Tests that use sockets, timers or processes need an application object;
// the first call creates one for the whole test program.
#include <QCoreApplication>

namespace orvalto::test {

QCoreApplication* ensureQtApp();

}  // namespace orvalto::test
