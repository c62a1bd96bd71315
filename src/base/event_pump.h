#pragma once

namespace orvalto {

// Lets the event loop handle what is pending (terminal data, timer ticks)
// in the middle of a long operation. The one place the program pumps; call
// it only where a long step must stay responsive.
void pumpEvents();

}  // namespace orvalto
