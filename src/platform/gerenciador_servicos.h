#pragma once
// Whether the service manager started this very process.
namespace orvalto {

// True when systemd runs the program as a unit's main process: it sets
// SYSTEMD_EXEC_PID to the pid it started. INVOCATION_ID is not enough: every
// process a unit starts inherits it, a tray copy started from a user
// service's shell included.
bool sobGerenciadorDeServicos();

}  // namespace orvalto
