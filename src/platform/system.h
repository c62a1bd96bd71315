#pragma once
// Facts about the running program and the machine.
#include <QString>

namespace orvalto {

// Full path of the running executable, read from the system (no
// application object needed).
QString runningExecutablePath();

// Short network name of this machine.
QString hostName();

// Blocks the calling thread; the event loop does not run meanwhile.
void sleepMs(int milliseconds);

}  // namespace orvalto
