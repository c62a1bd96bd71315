#pragma once

namespace orvalto {

// SIGTERM, SIGINT and SIGHUP ask the program to end normally, so that its
// end-of-run work (the self-replacement) still happens. The database client
// library installs handlers of its own that swallow these signals: ours are
// installed first thing and again before the event loop.
void installTerminationHandler();

// True once a termination signal arrived.
bool terminationRequested();

// Re-installs the handlers and makes a termination signal end the event
// loop. Needs the application object.
void quitEventLoopOnTermination();

}  // namespace orvalto
