#pragma once
// Tests that use sockets, timers or processes need an application object;
// the first call creates one for the whole test program.
#include <QCoreApplication>

#include <chrono>
#include <functional>

namespace orvalto::test {

QCoreApplication* ensureQtApp();

// Runs the event loop until everything posted before the call has been
// handled (a call posted now runs after them); false when `timeout` passes
// first. For "nothing else happens" checks: what the code under test queued
// has had its turn.
bool runPostedEvents(std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The one way tests wait: serves Qt events until `condition` holds, looking
// at it again at least every `every`; false when `timeout` passes first.
// Conditions that cost something (a database query, a scan of /proc) pass
// a longer `every`.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds every = std::chrono::milliseconds(5));

}  // namespace orvalto::test
