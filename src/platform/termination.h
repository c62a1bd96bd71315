#pragma once

namespace orvalto {

// Makes SIGTERM, SIGINT and SIGHUP end the event loop normally, so that
// the program's end-of-run work (the self-replacement) still happens.
// Needs a running application object.
void quitEventLoopOnTermination();

}  // namespace orvalto
