#pragma once
// Tests that use sockets, timers or processes need an application object;
// the first call creates one for the whole test program.
#include <QCoreApplication>

#include <chrono>

namespace orvalto::test {

QCoreApplication* ensureQtApp();

// Runs the event loop until everything posted before the call has been
// handled (a call posted now runs after them); false when `timeout` passes
// first. For "nothing else happens" checks: what the code under test queued
// has had its turn.
bool runPostedEvents(std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace orvalto::test
