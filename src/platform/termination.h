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

// Held by work that must not be cut once begun (the update run from its
// structure update on): while one is held, a termination signal does not end
// the event loops; the last one released ends the event loop (queued) when
// a termination was asked for meanwhile. Window thread only.
class RetencaoTermino {
 public:
  RetencaoTermino();
  ~RetencaoTermino();
  RetencaoTermino(const RetencaoTermino&) = delete;
  RetencaoTermino& operator=(const RetencaoTermino&) = delete;
};

}  // namespace orvalto
